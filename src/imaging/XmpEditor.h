#pragma once

#include "imaging/ImageStatus.h"
#include "imaging/TagItem.h"

#include <QByteArray>

#include <optional>

namespace lumicap {

// Sets dc:description, dc:creator and dc:rights in an XMP packet by editing
// its text: only those elements are rewritten, every other byte of the packet
// stays, and the packet keeps its length when its padding has room. Other
// languages of a description are kept, and so is the item of a creator whose
// name stays, with its qualifiers (a role). The result is parsed again before
// it is handed out; a packet that cannot be edited safely is left alone. A
// packet with no properties gets the rdf:Description new ones go in.
class XmpEditor
{
public:
    // Nothing when nothing changes or the packet cannot be edited (status
    // then tells why).
    static std::optional<QByteArray> apply(const QByteArray &packet, const CopyEdits &edits, ImageStatus &status);
};

} // namespace lumicap
