#pragma once

#include <QByteArray>
#include <QList>

#include <vector>

namespace lumicap {

// A field of several names (XMP dc:creator, repeated IPTC By-lines) reads as
// its names joined with "; ", as MWG readers map them to the Artist; a text
// with semicolons is that many names, each without the spaces around it.
QByteArray joinedNames(const std::vector<QByteArray> &names);
// A text without a semicolon is one name, as it stands; so is a text with
// no name between its semicolons.
std::vector<QByteArray> splitNames(const QByteArray &text);

} // namespace lumicap
