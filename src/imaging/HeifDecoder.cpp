#include "imaging/HeifDecoder.h"

#ifdef LUMICAP_HAVE_LIBHEIF
#include <libheif/heif.h>

#include <memory>
#endif

namespace lumicap::HeifDecoder {

#ifdef LUMICAP_HAVE_LIBHEIF
namespace {

struct Release
{
    void operator()(heif_context *c) const { heif_context_free(c); }
    void operator()(heif_image_handle *h) const { heif_image_handle_release(h); }
    void operator()(heif_image *i) const { heif_image_release(i); }
};
using Context = std::unique_ptr<heif_context, Release>;
using Handle = std::unique_ptr<heif_image_handle, Release>;
using Picture = std::unique_ptr<heif_image, Release>;

// The file's context (reading its boxes, not its pixels) and primary image.
// The context refers to file's bytes, which must outlive it.
bool openPrimary(const QByteArray &file, Context &context, Handle &primary)
{
    // Loads libheif's decoders once, before any thread uses them.
    static const bool initialized = heif_init(nullptr).code == heif_error_Ok;
    if (!initialized)
        return false;
    context.reset(heif_context_alloc());
    heif_image_handle *handle = nullptr;
    if (!context
        || heif_context_read_from_memory_without_copy(context.get(), file.constData(), static_cast<size_t>(file.size()), nullptr).code
            != heif_error_Ok
        || heif_context_get_primary_image_handle(context.get(), &handle).code != heif_error_Ok)
        return false;
    primary.reset(handle);
    return true;
}

Handle firstThumbnail(const Handle &primary)
{
    heif_item_id id = 0;
    heif_image_handle *handle = nullptr;
    if (heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), &id, 1) != 1
        || heif_image_handle_get_thumbnail(primary.get(), id, &handle).code != heif_error_Ok)
        return {};
    return Handle(handle);
}

// The picture decoded, at size when given (scaled down from the decoded
// pixels without copying them first), else as decoded.
QImage decoded(const Handle &handle, QSize size = QSize())
{
    heif_image *raw = nullptr;
    if (heif_decode_image(handle.get(), &raw, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code != heif_error_Ok)
        return {};
    const Picture picture(raw);
    int stride = 0;
    const uint8_t *pixels = heif_image_get_plane_readonly(picture.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(picture.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(picture.get(), heif_channel_interleaved);
    if (!pixels || width <= 0 || height <= 0)
        return {};
    const QImage view(pixels, width, height, stride, QImage::Format_RGBA8888);
    if (!size.isValid() || size == view.size())
        return view.copy();
    // A large step down: first to twice the size by sampling, then smoothly.
    const QSize twice = size * 2;
    const bool sample = twice.width() < width && twice.height() < height;
    return (sample ? view.scaled(twice, Qt::IgnoreAspectRatio, Qt::FastTransformation) : view)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

QSize size(const QByteArray &file)
{
    Context context;
    Handle primary;
    if (!openPrimary(file, context, primary))
        return {};
    return QSize(heif_image_handle_get_width(primary.get()), heif_image_handle_get_height(primary.get()));
}

QImage picture(const QByteArray &file, QSize size)
{
    Context context;
    Handle primary;
    if (!openPrimary(file, context, primary))
        return {};
    Handle thumbnail = firstThumbnail(primary);
    const bool thumbnailServes
        = thumbnail && heif_image_handle_get_width(thumbnail.get()) >= size.width() && heif_image_handle_get_height(thumbnail.get()) >= size.height();
    return decoded(thumbnailServes ? thumbnail : primary, size);
}

QImage thumbnail(const QByteArray &file)
{
    Context context;
    Handle primary;
    if (!openPrimary(file, context, primary))
        return {};
    const Handle handle = firstThumbnail(primary);
    return handle ? decoded(handle) : QImage();
}

#else

QSize size(const QByteArray &)
{
    return {};
}

QImage picture(const QByteArray &, QSize)
{
    return {};
}

QImage thumbnail(const QByteArray &)
{
    return {};
}

#endif

} // namespace lumicap::HeifDecoder
