// libFuzzer target: walk any bytes as a HEIF file and, when they parse, give
// its Exif and XMP items new data of a size picked by the input: the result
// must parse again and hold exactly that data.
#include "imaging/BmffBoxes.h"

#include <cstddef>
#include <cstdint>

using namespace lumicap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    BmffLayout layout;
    if (parseBmffLayout(file, layout) != ImageStatus::Ok)
        return 0;
    for (const BmffItem &item : layout.items)
        (void)bmffItemData(file, layout, item);
    for (const BmffMetadata which : {BmffMetadata::Exif, BmffMetadata::Xmp}) {
        const QByteArray payload(static_cast<qsizetype>(size % 97) + 1, 'x');
        QByteArray written = file;
        BmffLayout before;
        if (parseBmffLayout(written, before) != ImageStatus::Ok || putBmffMetadata(written, before, which, payload) != ImageStatus::Ok)
            continue;
        BmffLayout after;
        if (parseBmffLayout(written, after) != ImageStatus::Ok)
            __builtin_trap(); // we wrote something we cannot read
        const auto index = which == BmffMetadata::Exif ? after.exif : after.xmp;
        if (!index || bmffItemData(written, after, after.items[*index]) != payload)
            __builtin_trap();
    }
    return 0;
}
