#pragma once

#include "imaging/ImageStatus.h"
#include "imaging/TagItem.h"

#include <QByteArray>

#include <optional>

namespace lumicap {

// The other places where photos carry the description, artist and copyright
// besides the Exif tags: the IPTC datasets (Caption-Abstract, By-line,
// CopyrightNotice), XMP (dc:description, dc:creator, dc:rights) and the
// Windows tags of the first directory (XPTitle and XPSubject, XPAuthor).
// Texts here are UTF-8, whatever the copy stores.
namespace CaptionCopies {

// The longest value IPTC allows in each dataset, in stored bytes: a longer
// text is cut there (at a character) in the IPTC copy only.
constexpr int iptcCaptionBytes = 2000;
constexpr int iptcBylineBytes = 32; // each name
constexpr int iptcCopyrightBytes = 128;
// UTF-8 text cut to at most that many bytes without splitting a character.
QByteArray cutUtf8(const QByteArray &utf8, int bytes);

// XMP packet: the copies it holds.
void readXmp(const QByteArray &packet, FieldCopies &copies);
// IPTC datasets (the IIM records, as kept in a Photoshop resource).
void readIptc(const QByteArray &iim, FieldCopies &copies);
// A Windows tag's value (UTF-16LE, ending in a zero character).
QByteArray fromXpValue(const QByteArray &value);
QByteArray toXpValue(const QByteArray &utf8);

// The packet with the copies set to the new texts (without the control
// characters XML cannot hold); the packet keeps its length when the new one
// fits its padding. Nothing when there is nothing
// to change; an error status when the packet cannot be parsed.
std::optional<QByteArray> rewriteXmp(const QByteArray &packet, const CopyEdits &edits, ImageStatus &status);
// The same for a Photoshop resource block holding IPTC: the IPTC resource is
// rewritten in its declared character set (or UTF-8, marked, when a text
// does not fit it) and its digest, when the block has one, updated.
std::optional<QByteArray> rewritePhotoshop(const QByteArray &resources, const CopyEdits &edits, ImageStatus &status);
// For a TIFF, whose IPTC sits in a tag of its own.
std::optional<QByteArray> rewriteIptc(const QByteArray &iim, const CopyEdits &edits, ImageStatus &status);
// The Photoshop resources with their IPTC digest set to the one of iim.
QByteArray withIptcDigest(const QByteArray &resources, const QByteArray &iim);

// An empty packet and an empty resource block, for creating copies.
QByteArray emptyXmp();

} // namespace CaptionCopies

} // namespace lumicap
