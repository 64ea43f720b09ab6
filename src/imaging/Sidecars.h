#pragma once

#include "imaging/ImageStatus.h"
#include "imaging/TagItem.h"

#include <QByteArray>
#include <QList>

#include <optional>
#include <vector>

namespace lumicap {

// The XMP sidecars of a raw file, where raw converters and photo managers
// keep what the raw file never gets: "NAME.xmp" (Lightroom, Bridge,
// Capture One, digiKam) and "NAME.EXT.xmp" (darktable).
namespace Sidecars {

// Which name a new sidecar gets; NAME.xmp unless set otherwise.
void setNewWithExtension(bool withExtension);
bool newWithExtension();

// Both names, the one new sidecars get first (one for a name without an
// extension).
std::vector<QByteArray> namesFor(const QByteArray &rawPath);
// The sidecars that exist, in the same order.
std::vector<QByteArray> existing(const QByteArray &rawPath);
// The name a new sidecar gets.
QByteArray newName(const QByteArray &rawPath);

// The sidecar's text with the fields set (created from nothing when empty):
// only dc:description, dc:creator and dc:rights change, every other
// property stays. unchanged when it already says so; an error status when
// the sidecar cannot be parsed, as it is then nobody's to overwrite.
ImageStatus apply(const QByteArray &sidecar, const CopyEdits &edits, bool &unchanged, QList<QByteArray> &pieces);

} // namespace Sidecars

} // namespace lumicap
