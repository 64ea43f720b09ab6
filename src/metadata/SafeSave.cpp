#include "SafeSave.h"

#include "SaveGroup.h"

namespace lumicap {

ImageStatus SaveImageFile(ImageHolder &image, const QByteArray &path)
{
    SaveGroup one;
    const ImageStatus status = one.add(image, path);
    return status == ImageStatus::Ok ? one.commit().status : status;
}

} // namespace lumicap
