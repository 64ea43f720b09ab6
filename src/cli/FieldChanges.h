#pragma once

#include <QByteArray>

#include <optional>

namespace lumicap {

// The three fields as a command asks to change them: each set to a value
// (nothing where none is given) or deleted.
struct FieldChanges
{
    std::optional<QByteArray> description;
    std::optional<QByteArray> artist;
    std::optional<QByteArray> copyright;
    bool deleteDescription = false;
    bool deleteArtist = false;
    bool deleteCopyright = false;

    bool any() const { return description || artist || copyright || deleteDescription || deleteArtist || deleteCopyright; }
};

} // namespace lumicap
