// SPDX-License-Identifier: MIT
#include "cli/LineFormat.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace tervane::cli {

namespace {

constexpr std::array<LogColumn, kLogColumnCount> kColumns{
    LogColumn::Timestamp, LogColumn::Action,   LogColumn::Name,  LogColumn::Location,
    LogColumn::Size,      LogColumn::Modified, LogColumn::Attrs,
};

constexpr std::array<std::string_view, kLogColumnCount> kJsonKeys{
    "timestamp", "action", "name", "location", "size", "modified", "attrs",
};

constexpr std::string_view kColorReset = "\x1b[0m";

void appendHex(std::string& out, const char* prefix, unsigned value, int digits)
{
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%s%0*x", prefix, digits, value);
    out += text.data();
}

void appendTextCell(std::string& out, std::string_view cell)
{
    for (const char c : cell) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            appendHex(out, "\\x", byte, 2);
        } else {
            out += c;
        }
    }
}

// Length of the well-formed UTF-8 sequence at the start of `s` (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when its first byte does not start one.
std::size_t utf8SequenceLength(std::string_view s)
{
    const auto at = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const auto continuation = [&](std::size_t i, unsigned low = 0x80, unsigned high = 0xBF) {
        return i < s.size() && at(i) >= low && at(i) <= high;
    };
    const unsigned lead = at(0);
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return continuation(1) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned high = lead == 0xED ? 0x9F : 0xBF;
        return continuation(1, low, high) && continuation(2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned high = lead == 0xF4 ? 0x8F : 0xBF;
        return continuation(1, low, high) && continuation(2) && continuation(3) ? 4 : 0;
    }
    return 0;
}

} // namespace

std::string_view kindName(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Folder:
        return "folder";
    case EntryKind::File:
        return "file";
    case EntryKind::Removed:
        return "removed";
    }
    return {};
}

std::string_view kindColorEscape(EntryKind kind)
{
    // The legend's colours (ui/LogModel.cpp kindColor); the window and the terminal must agree.
    switch (kind) {
    case EntryKind::Folder:
        return "\x1b[38;2;0;128;0m";
    case EntryKind::File:
        return "\x1b[38;2;0;0;255m";
    case EntryKind::Removed:
        return "\x1b[38;2;255;0;0m";
    }
    return {};
}

std::string textLine(const LogRow& row, bool colour)
{
    std::string line;
    line.reserve(160);
    if (colour) {
        line += kindColorEscape(row.kind);
    }
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        if (i > 0) {
            line += '\t';
        }
        appendTextCell(line, row.cell(kColumns[i]));
    }
    if (colour) {
        // Before the newline, so a line cut off by the reader never leaves the terminal coloured.
        line += kColorReset;
    }
    line += '\n';
    return line;
}

std::string jsonLine(const LogRow& row)
{
    std::string line;
    line.reserve(256);
    line += '{';
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        line += i > 0 ? ",\"" : "\"";
        line += kJsonKeys[i];
        line += "\":";
        appendJsonString(line, row.cell(kColumns[i]));
    }
    line += ",\"kind\":";
    appendJsonString(line, kindName(row.kind));
    line += "}\n";
    return line;
}

void appendJsonString(std::string& out, std::string_view bytes)
{
    out += '"';
    while (!bytes.empty()) {
        const auto byte = static_cast<unsigned char>(bytes.front());
        const std::size_t length = utf8SequenceLength(bytes);
        if (length == 0) {
            appendHex(out, "\\udc", byte, 2);
            bytes.remove_prefix(1);
            continue;
        }
        if (length == 1) {
            switch (byte) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    appendHex(out, "\\u", byte, 4);
                } else {
                    out += static_cast<char>(byte);
                }
            }
        } else {
            out.append(bytes.substr(0, length));
        }
        bytes.remove_prefix(length);
    }
    out += '"';
}

} // namespace tervane::cli
