#pragma once

#include "imaging/ImageHolder.h"

#include <QByteArray>

#include <optional>

namespace lumicap {

// The three text tags of an open image, telling an absent tag (nothing)
// from an empty one. Read as the program reads them everywhere: the bytes up
// to the first zero, the last of several entries winning.
struct TagValues
{
    std::optional<QByteArray> description;
    std::optional<QByteArray> artist;
    std::optional<QByteArray> copyright;

    static TagValues of(const ImageHolder &image);
};

} // namespace lumicap
