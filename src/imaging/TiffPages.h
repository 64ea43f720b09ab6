#pragma once

#include <QByteArray>

#include <optional>

namespace lumicap {

// Counts the images of a classic TIFF file by walking its chain of image
// directories. A save compares the count before and after, so that a file
// never loses a page. Nothing when the chain is broken or loops.
std::optional<int> countTiffPages(const QByteArray &tiff);

} // namespace lumicap
