#include "imaging/Sidecars.h"

#include "imaging/CaptionCopies.h"
#include "imaging/FileBytes.h"

#include <atomic>

namespace lumicap::Sidecars {

namespace {
std::atomic<bool> withExtension{false};

// What other programs write as a sidecar of their own: no packet wrapper,
// no padding.
const QByteArray emptySidecar("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                              " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                              "  <rdf:Description rdf:about=\"\"/>\n"
                              " </rdf:RDF>\n"
                              "</x:xmpmeta>\n");
} // namespace

void setNewWithExtension(bool on)
{
    withExtension = on;
}

bool newWithExtension()
{
    return withExtension;
}

std::vector<QByteArray> namesFor(const QByteArray &rawPath)
{
    const qsizetype slash = std::max(rawPath.lastIndexOf('/'), rawPath.lastIndexOf('\\'));
    const qsizetype dot = rawPath.lastIndexOf('.');
    if (dot <= slash + 1)
        return {rawPath + ".xmp"}; // a name without an extension has one sidecar name
    std::vector<QByteArray> names{rawPath.left(dot) + ".xmp", rawPath + ".xmp"};
    if (withExtension)
        std::swap(names[0], names[1]);
    return names;
}

std::vector<QByteArray> existing(const QByteArray &rawPath)
{
    std::vector<QByteArray> found;
    for (const QByteArray &name : namesFor(rawPath)) {
        // Some programs write the extension in capitals; where names are
        // told apart by case, that file is the sidecar too.
        for (const QByteArray &spelt : {name, name.chopped(3) + "XMP"}) {
            FileStamp stamp;
            if (statFile(spelt, stamp) == ImageStatus::Ok) {
                found.push_back(spelt);
                break;
            }
        }
    }
    return found;
}

QByteArray newName(const QByteArray &rawPath)
{
    return namesFor(rawPath).front();
}

ImageStatus apply(const QByteArray &sidecar, const CopyEdits &edits, bool &unchanged, QList<QByteArray> &pieces)
{
    unchanged = false;
    pieces.clear();
    ImageStatus status = ImageStatus::Ok;
    CopyEdits all = edits;
    all.createMissing = true; // the sidecar is where these fields live
    const auto rewritten = CaptionCopies::rewriteXmp(sidecar.isEmpty() ? emptySidecar : sidecar, all, status);
    if (status != ImageStatus::Ok)
        return status;
    if (!rewritten) {
        unchanged = true;
        return ImageStatus::Ok;
    }
    pieces = {*rewritten};
    return ImageStatus::Ok;
}

} // namespace lumicap::Sidecars
