// SPDX-License-Identifier: MIT
#pragma once
// The watch component's enumerations, their one-byte sets and the change-event signature.

#include <bitset>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

namespace tervane {

/// What happened to an entry, as passed to OnChange.
enum class TWatchAction : std::uint8_t
{
    waAdd,
    waRemove,
    waModify,
    waRenameOld,
    waRenameNew,
};

/// What kinds of change the platform is asked to report.
enum class TWatchFilter : std::uint8_t
{
    wfFilename,
    wfDirname,
    wfAttrs,
    wfSize,
    wfLastWrite,
    wfLastAccess,
    wfCreation,
    wfSecurity,
};

/// A one-byte set in which bit n stands for the element of ordinal n.
template <typename E, unsigned Count> class ByteSet
{
public:
    constexpr ByteSet() = default;
    constexpr ByteSet(std::initializer_list<E> elements)
    {
        for (E e : elements) {
            m_bits = static_cast<std::uint8_t>(m_bits | bit(e));
        }
    }
    static constexpr ByteSet fromByte(std::uint8_t byte) { return ByteSet(byte, 0); }
    static constexpr ByteSet all() { return fromByte(static_cast<std::uint8_t>((1u << Count) - 1u)); }

    [[nodiscard]] constexpr std::uint8_t toByte() const { return m_bits; }
    [[nodiscard]] constexpr bool contains(E e) const { return (m_bits & bit(e)) != 0; }
    [[nodiscard]] constexpr bool empty() const { return m_bits == 0; }
    [[nodiscard]] constexpr ByteSet with(E e) const { return fromByte(static_cast<std::uint8_t>(m_bits | bit(e))); }
    [[nodiscard]] constexpr ByteSet without(E e) const { return fromByte(static_cast<std::uint8_t>(m_bits & ~bit(e))); }
    constexpr bool operator==(const ByteSet&) const = default;

private:
    constexpr ByteSet(std::uint8_t byte, int /*tag*/) : m_bits(byte) {}
    static constexpr std::uint8_t bit(E e) { return static_cast<std::uint8_t>(1u << static_cast<unsigned>(e)); }
    std::uint8_t m_bits = 0;
};

using TWatchActionSet = ByteSet<TWatchAction, 5>;
using TWatchFilterSet = ByteSet<TWatchFilter, 8>;
static_assert(sizeof(TWatchActionSet) == 1 && sizeof(TWatchFilterSet) == 1);
static_assert(TWatchActionSet::all().toByte() == 31 && TWatchFilterSet::all().toByte() == 255);

class TQuorvel_DiskMonitor;

/// The change event: Sender is always the component; FileName is relative to its Directory.
using TEventChange = std::function<void(TQuorvel_DiskMonitor* Sender, TWatchAction Action, std::string FileName)>;

} // namespace tervane
