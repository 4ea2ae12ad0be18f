// SPDX-License-Identifier: MIT
#include "log/LogStore.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace tervane {

void LogStore::append(const LogRow& row)
{
    std::size_t rowBytes = 0;
    for (int c = 0; c < kLogColumnCount; ++c) {
        rowBytes += row.cell(static_cast<LogColumn>(c)).size();
    }
    if (rowBytes > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("log row too long");
    }

    // A row that does not fit the current chunk starts a new one (as large as the row needs), so rows
    // never straddle chunks and appending never moves bytes that views may still point into.
    if (m_chunks.empty() || m_chunks.back().capacity - m_chunks.back().used < rowBytes) {
        const std::size_t capacity = std::max(kChunkBytes, rowBytes);
        m_chunks.push_back(Chunk{std::make_unique_for_overwrite<char[]>(capacity), capacity, 0});
    }
    if (m_rowCount % kRowsPerBlock == 0) {
        m_blocks.push_back(std::make_unique_for_overwrite<RowRecord[]>(kRowsPerBlock));
    }

    Chunk& chunk = m_chunks.back();
    RowRecord& rec = m_blocks.back()[m_rowCount % kRowsPerBlock];
    rec.chunk = static_cast<std::uint32_t>(m_chunks.size() - 1);
    rec.offset = static_cast<std::uint32_t>(chunk.used);
    rec.kind = row.kind;
    std::uint32_t end = 0;
    for (int c = 0; c < kLogColumnCount; ++c) {
        const std::string_view text = row.cell(static_cast<LogColumn>(c));
        if (!text.empty()) {
            std::memcpy(chunk.bytes.get() + chunk.used + end, text.data(), text.size());
        }
        end += static_cast<std::uint32_t>(text.size());
        rec.ends[c] = end;
    }
    chunk.used += rowBytes;
    m_cellBytes += rowBytes;
    ++m_rowCount;
}

void LogStore::clear()
{
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_rowCount = 0;
    m_cellBytes = 0;
}

const LogStore::RowRecord& LogStore::record(std::size_t viewIndex) const
{
    const std::size_t index = m_rowCount - 1 - viewIndex;
    return m_blocks[index / kRowsPerBlock][index % kRowsPerBlock];
}

std::string_view LogStore::cell(std::size_t viewIndex, LogColumn column) const
{
    const RowRecord& rec = record(viewIndex);
    const auto c = static_cast<std::size_t>(column);
    const std::uint32_t begin = c == 0 ? 0 : rec.ends[c - 1];
    return {m_chunks[rec.chunk].bytes.get() + rec.offset + begin, rec.ends[c] - begin};
}

EntryKind LogStore::kind(std::size_t viewIndex) const
{
    return record(viewIndex).kind;
}

std::size_t LogStore::bytesUsed() const
{
    std::size_t bytes = m_chunks.capacity() * sizeof(Chunk) + m_blocks.capacity() * sizeof(m_blocks[0]);
    for (const Chunk& chunk : m_chunks) {
        bytes += chunk.capacity;
    }
    return bytes + m_blocks.size() * kRowsPerBlock * sizeof(RowRecord);
}

} // namespace tervane
