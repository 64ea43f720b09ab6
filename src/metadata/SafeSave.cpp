#include "metadata/SafeSave.h"

#include "imaging/FileBytes.h"
#include "platform/HeldFile.h"
#include "metadata/MetadataWriter.h"
#include "platform/NativePath.h"
#include "metadata/SaveGroup.h"
#include "imaging/TagBytes.h"

#include <new>

namespace lumicap {

ImageStatus saveImageFile(ImageHolder &image, const QByteArray &path)
{
    SaveGroup one;
    const ImageStatus status = one.add(image, path);
    return status == ImageStatus::Ok ? one.commit().status : status;
}

ImageStatus checkImageSave(ImageHolder &image, const QByteArray &path)
{
    if (!image.isOpen())
        return ImageStatus::WrongState;
    if (image.format() == ImageFormat::Raw)
        return ImageStatus::Ok;
    try {
        platform::HeldFile held;
        if (ImageStatus s = toImageStatus(held.hold(platform::pathFromBytes(path.toStdString()), std::chrono::milliseconds(3000)));
            s != ImageStatus::Ok)
            return s;
        QByteArray bytes;
        std::vector<ByteRun> unread;
        FileStamp stamp;
        if (ImageStatus s = readTagBytes(held.file(), bytes, unread, &stamp); s != ImageStatus::Ok)
            return s;
        if (ImageStatus s = toImageStatus(held.checkReplaceable(stamp)); s != ImageStatus::Ok)
            return s;
        bool unchanged = false;
        QList<QByteArray> pieces;
        return image.encodeInto(bytes, unchanged, pieces);
    } catch (const std::bad_alloc &) {
        return ImageStatus::OutOfMemory;
    }
}

} // namespace lumicap
