#pragma once

#include "widgets/AnchorGeometry.h"

#include <QDialog>
#include <QPointer>

#include <vector>

class QSizeGrip;

namespace lumicap {

// A dialog built at a fixed size that can be resized: registered controls
// follow percentage anchors, a size grip sits in the bottom corner, and the
// window never gets smaller than it was when its initialisation finished,
// unless the screen is smaller: then the minimum (and the window) is cut to
// the screen's free area, and the anchors keep their template places.
class ResizableDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ResizableDialog(QWidget *parent = nullptr);

    // Registers a control at its present place; the margins to the window's
    // edges are taken now.
    void addAnchor(QWidget *control, Anchor topLeft, Anchor bottomRight = anchors::None);
    void removeAllAnchors();
    void arrangeLayout();

    bool isInitialised() const { return initialised_; }

    // The minimum for a window built at wanted, on a screen whose free area
    // is available, with the window frame's margins around it.
    static QSize fittedMinimum(QSize wanted, QSize available, const QMargins &frame);
    QSizeGrip *sizeGrip() const { return grip_; }

protected:
    // The derived dialog calls this once its controls are in place and before
    // it adds anchors: the present size becomes the minimum.
    void finishInitialisation();

    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Entry
    {
        QPointer<QWidget> control;
        AnchorPlacement placement;
        bool needsRefresh = false;
    };

    void placeGrip();
    void fitScreen();
    QMargins frameMargins() const;
    void refitToFrame();

    std::vector<Entry> entries_;
    QSizeGrip *grip_;
    QSize builtSize_;
    QMargins fittedFrame_;
    bool initialised_ = false;
};

} // namespace lumicap
