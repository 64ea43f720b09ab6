#pragma once

#include "imaging/JpegSegments.h"
#include "imaging/TagItem.h"

#include <QByteArray>

#include <cstddef>
#include <vector>

namespace lumicap {

// A JPEG's XMP: one packet in an APP1 segment of its own, and, when that is
// too long for one segment, an extended packet the main packet names,
// spread over extension segments (the GUID of the extended packet, its full
// length, where the chunk goes in it, the chunk).
namespace JpegXmp {

// The longest main packet one segment carries, and the longest chunk of an
// extended packet.
constexpr std::size_t maxMainPacket = 0xFFFF - 2 - sizeof(xmpSignature);
constexpr std::size_t maxExtensionChunk = 0xFFFF - 2 - sizeof(xmpExtensionSignature) - 32 - 4 - 4;

// The copies of the fields in the main packet and in the extended packet.
void readCopies(const QByteArray &jpeg, const JpegLayout &layout, FieldCopies &copies);

// The segment changes that bring the XMP copies to edits: each field is
// edited in the packet that holds it, the main packet is rewritten where it
// is (or made at insertAt), and an extended packet that changed or had to
// be made is written in new extension segments that follow it. XMP that
// cannot be parsed or written is left as it is and named in skipped.
void addChanges(const QByteArray &jpeg, const JpegLayout &layout, const CopyEdits &edits, std::size_t insertAt, std::vector<SegmentChange> &changes,
                std::vector<QByteArray> &skipped);

} // namespace JpegXmp

} // namespace lumicap
