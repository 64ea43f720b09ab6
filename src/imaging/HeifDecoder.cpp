#include "HeifDecoder.h"

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
    if (!context || heif_context_read_from_memory_without_copy(context.get(), file.constData(), static_cast<size_t>(file.size()), nullptr).code != heif_error_Ok
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

QImage decoded(const Handle &handle)
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
    return QImage(pixels, width, height, stride, QImage::Format_RGBA8888).copy();
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
    const bool thumbnailServes = thumbnail && heif_image_handle_get_width(thumbnail.get()) >= size.width()
                                 && heif_image_handle_get_height(thumbnail.get()) >= size.height();
    const QImage image = decoded(thumbnailServes ? thumbnail : primary);
    return image.isNull() || image.size() == size ? image : image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
