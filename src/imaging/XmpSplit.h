#pragma once

#include <QByteArray>

#include <cstddef>
#include <optional>

namespace lumicap {

// An XMP packet too long for the one segment a JPEG gives it, split the
// standard way: the main packet keeps what fits, the largest properties move
// to an extended packet, and the main packet names that packet by
// xmpNote:HasExtendedXMP, the MD5 of its bytes in uppercase hex.
struct SplitXmp
{
    QByteArray main;
    QByteArray extended; // empty when dropping the padding was enough
};

// Nothing when the packet cannot be read or split so that its main part is
// at most mainLimit bytes; the two parts read together as the packet did.
std::optional<SplitXmp> splitXmp(const QByteArray &packet, std::size_t mainLimit);

// The GUID a main packet gives for its extended packet; empty without one.
QByteArray extendedXmpGuid(const QByteArray &main);
// The GUID of an extended packet.
QByteArray xmpGuidOf(const QByteArray &extended);

} // namespace lumicap
