// libFuzzer target: read the tags of any bytes, write the three tags into
// them in memory, and read the result back: it must hold exactly what was
// written.
#include "imaging/ExifCodec.h"
#include "imaging/ExivLog.h"
#include "imaging/ImageFormat.h"

#include <cstddef>
#include <cstdint>

using namespace lumicap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    installExivLogHandler();
    QByteArray file(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const ImageFormat format = detectImageFormat(file.constData(), size);
    if (!canHoldTags(format))
        return 0;
    std::vector<TagItem> tags;
    if (ExifCodec::readTags(format, file, tags) != ImageStatus::Ok)
        return 0;

    TagEdits edits;
    edits.removeAll = size % 2 == 1;
    edits.set = {{0x010E, 2, QByteArray("fuzzed description", 19), "Image"},
                 {0x013B, 2, QByteArray("a", 2), "Image"},
                 {0x8298, 2, QByteArray(1, '\0'), "Image"}};
    bool unchanged = false;
    QList<QByteArray> pieces;
    if (ExifCodec::applyEdits(format, file, edits, unchanged, pieces) != ImageStatus::Ok || unchanged)
        return 0;
    const QByteArray written = pieces.join();
    std::vector<TagItem> after;
    if (ExifCodec::readTags(format, written, after) != ImageStatus::Ok)
        __builtin_trap(); // we wrote something we cannot read
    int found = 0;
    for (const TagItem &t : after) {
        if (t.group == "Image" && t.id == 0x010E)
            found += t.value == edits.set[0].value;
    }
    if (found != 1)
        __builtin_trap();
    return 0;
}
