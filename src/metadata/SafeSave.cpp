#include "SafeSave.h"

#include "FileBytes.h"
#include "HeldFile.h"
#include "MetadataWriter.h"
#include "NativePath.h"
#include "SaveSteps.h"
#include "TemporaryFile.h"

#include <new>

namespace lumicap {

#ifndef LUMICAP_SAVE_STEP_HOOK
int saveStepFault(SaveStep)
{
    return 0;
}
#endif

namespace {
// How long a save waits for another save of the same picture to finish.
constexpr std::chrono::milliseconds lockWait(3000);

ImageStatus stepFault(SaveStep step)
{
    const int error = saveStepFault(step);
    return error ? statusFromErrno(error) : ImageStatus::Ok;
}

// Writes the pieces, stopping at the half-way step once.
ImageStatus writeAll(platform::TemporaryFile &file, const QList<QByteArray> &pieces)
{
    qsizetype total = 0;
    for (const QByteArray &piece : pieces)
        total += piece.size();
    qsizetype written = 0;
    bool halfReported = false;
    for (const QByteArray &piece : pieces) {
        qsizetype at = 0;
        if (!halfReported && written + piece.size() >= total / 2) {
            const qsizetype first = total / 2 - written;
            if (ImageStatus s = toImageStatus(file.write(piece.constData(), static_cast<std::size_t>(first))); s != ImageStatus::Ok)
                return s;
            if (ImageStatus s = stepFault(SaveStep::HalfWritten); s != ImageStatus::Ok)
                return s;
            halfReported = true;
            at = first;
        }
        if (ImageStatus s = toImageStatus(file.write(piece.constData() + at, static_cast<std::size_t>(piece.size() - at)));
            s != ImageStatus::Ok)
            return s;
        written += piece.size();
    }
    return ImageStatus::Ok;
}

ImageStatus writeAndReplace(platform::TemporaryFile &temporary, const platform::HeldFile &held, const FileStamp &before,
                            const QList<QByteArray> &pieces)
{
    if (ImageStatus s = toImageStatus(temporary.create(before)); s != ImageStatus::Ok)
        return s;
    if (ImageStatus s = stepFault(SaveStep::TemporaryCreated); s != ImageStatus::Ok)
        return s;
    if (ImageStatus s = writeAll(temporary, pieces); s != ImageStatus::Ok)
        return s;
    if (ImageStatus s = toImageStatus(temporary.flush()); s != ImageStatus::Ok)
        return s;
    if (ImageStatus s = stepFault(SaveStep::Flushed); s != ImageStatus::Ok)
        return s;
    // Another program may have written to the image since we read it; its
    // change would be lost by the replace.
    FileStamp now;
    if (held.writerArrived() || platform::stampOf(held.target(), now) != platform::FileStatus::Ok || !now.sameContentAs(before))
        return ImageStatus::ObjectBusy;
    if (ImageStatus s = stepFault(SaveStep::Renaming); s != ImageStatus::Ok)
        return s;
    if (ImageStatus s = toImageStatus(temporary.replace()); s != ImageStatus::Ok)
        return s;
    (void)saveStepFault(SaveStep::Renamed);
    return ImageStatus::Ok;
}

ImageStatus saveImageFile(ImageHolder &image, const QByteArray &path)
{
    if (!image.isOpen())
        return ImageStatus::WrongState;
    if (FindEncoder(MimeTypeForImage(image), nullptr) < 0)
        return ImageStatus::PropertyNotSupported;

    // Everything from here on is done with the image held: the bytes the
    // edits are applied to are the bytes that are replaced.
    platform::HeldFile held;
    if (ImageStatus s = toImageStatus(held.hold(platform::pathFromBytes(path.toStdString()), lockWait)); s != ImageStatus::Ok)
        return s;
    QByteArray &bytes = readBuffer();
    FileStamp before;
    if (ImageStatus s = readOpenFile(held.file(), bytes, &before); s != ImageStatus::Ok)
        return s;
    if (ImageStatus s = toImageStatus(held.checkReplaceable(before)); s != ImageStatus::Ok)
        return s;

    bool unchanged = false;
    QList<QByteArray> pieces;
    ImageStatus status = image.encodeInto(bytes, unchanged, pieces);
    if (status == ImageStatus::Ok && !unchanged) {
        platform::TemporaryFile temporary(held);
        status = writeAndReplace(temporary, held, before, pieces);
    }
    return status;
}
} // namespace

ImageStatus SaveImageFile(ImageHolder &image, const QByteArray &path)
{
    struct Release
    {
        ~Release() { releaseLargeReadBuffer(); }
    } release;
    try {
        return saveImageFile(image, path);
    } catch (const std::bad_alloc &) {
        readBuffer() = QByteArray();
        return ImageStatus::OutOfMemory;
    }
}

} // namespace lumicap
