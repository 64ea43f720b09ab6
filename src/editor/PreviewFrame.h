#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

namespace lumicap {

class ImageHolder;
class PreviewCache;

// Shows the current image scaled to the frame's height and centred on grey,
// turned as its Exif orientation says.
// The pixels come decoded at the size drawn and are kept, so repainting does
// not decode again.
class PreviewFrame : public QWidget
{
    Q_OBJECT

public:
    using Source = std::function<ImageHolder *()>;

    explicit PreviewFrame(QWidget *parent = nullptr);
    void setSource(Source source) { source_ = std::move(source); }
    // Where the pixels come from, decoded off the window's thread; without
    // one the image decodes them itself.
    void setCache(PreviewCache *cache);

    // Where the image goes in the frame now; empty without an image.
    QRect imageRect() const;

    static const QColor background;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    Source source_;
    PreviewCache *cache_ = nullptr;
    QImage oriented_;
    qint64 orientedFrom_ = 0;
    int orientation_ = 1;
};

} // namespace lumicap
