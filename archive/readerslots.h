#pragma once

#include <QtGlobal>

#include <limits>

// What the keyed-archive reader keeps for each object of an archive while it decodes it (its
// slot): 0 not read yet, kBusy being read, 1 + a position in the memo of decoded values, or at
// kClaimed and above a long text packed into one record so far (the position of that record in
// the claims).
namespace quillory::ReaderSlots {

constexpr quint32 kBusy = std::numeric_limits<quint32>::max();
constexpr quint32 kClaimed = 0x80000000u;
constexpr quint64 kNoRef = std::numeric_limits<quint64>::max();

constexpr bool isMemo(quint32 slot)
{
    return slot != 0 && slot < kClaimed;
}

constexpr bool isClaim(quint32 slot)
{
    return slot >= kClaimed && slot != kBusy;
}

} // namespace quillory::ReaderSlots
