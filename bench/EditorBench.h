#pragma once

#include "editor/PreviewFrame.h"
#include "imaging/ImageHolder.h"
#include "widgets/UserPrompt.h"

#include <QImage>
#include <QString>

#include <cstdio>

namespace lumicap::bench {

// Prints the editor's messages and answers its questions with no.
class SilentPrompt : public UserPrompt
{
public:
    void showMessage(const QString &text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    bool askYesNo(const QString &) override { return false; }
    void beginWait() override {}
    void endWait() override {}
};

// The editor's preview frame at its first size, painting into an image.
class PreviewCanvas
{
public:
    PreviewCanvas()
    {
        frame_.resize(434, 268);
        frame_.setSource([this] { return current_; });
        canvas_ = QImage(frame_.size(), QImage::Format_ARGB32_Premultiplied);
    }
    PreviewCanvas(const PreviewCanvas &) = delete;
    PreviewCanvas &operator=(const PreviewCanvas &) = delete;

    // One paint of the frame showing image (none when null).
    void paint(ImageHolder *image)
    {
        current_ = image;
        frame_.render(&canvas_);
        current_ = nullptr;
    }

private:
    PreviewFrame frame_;
    ImageHolder *current_ = nullptr;
    QImage canvas_;
};

} // namespace lumicap::bench
