// SPDX-License-Identifier: MIT
#pragma once
// The log's rows, kept compactly enough for millions: all cell bytes in one chunked arena, plus a
// fixed-size record per row. Rows are appended and read newest first. Used from the main thread only.

#include "log/LogRow.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tervane {

class LogStore
{
public:
    LogStore() = default;
    LogStore(const LogStore&) = delete;
    LogStore& operator=(const LogStore&) = delete;
    LogStore(LogStore&&) noexcept = default;
    LogStore& operator=(LogStore&&) noexcept = default;
    ~LogStore() = default;

    void append(const LogRow& row);
    void clear();

    [[nodiscard]] std::size_t size() const { return m_rowCount; }
    [[nodiscard]] bool empty() const { return m_rowCount == 0; }
    /// Index 0 is the newest row. The view stays valid until clear().
    [[nodiscard]] std::string_view cell(std::size_t viewIndex, LogColumn column) const;
    [[nodiscard]] EntryKind kind(std::size_t viewIndex) const;

    /// Heap bytes held, arena slack and row records included.
    [[nodiscard]] std::size_t bytesUsed() const;
    /// Bytes of the cell texts themselves; bytesUsed() minus this is the storage's own cost.
    [[nodiscard]] std::size_t cellBytes() const { return m_cellBytes; }

private:
    // Cell ends are offsets from the row's start, so a row's texts lie back to back in one chunk.
    struct RowRecord
    {
        std::uint32_t chunk;
        std::uint32_t offset;
        std::uint32_t ends[kLogColumnCount];
        EntryKind kind;
    };
    struct Chunk
    {
        std::unique_ptr<char[]> bytes;
        std::size_t capacity;
        std::size_t used;
    };
    static constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
    static constexpr std::size_t kRowsPerBlock = 4096;

    [[nodiscard]] const RowRecord& record(std::size_t viewIndex) const;

    std::vector<Chunk> m_chunks;
    // Blocks rather than one vector: growing never copies old records or doubles the peak footprint.
    std::vector<std::unique_ptr<RowRecord[]>> m_blocks;
    std::size_t m_rowCount = 0;
    std::size_t m_cellBytes = 0;
};

} // namespace tervane
