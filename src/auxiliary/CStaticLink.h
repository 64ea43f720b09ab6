#pragma once

#include <QColor>
#include <QLabel>

#include <functional>

namespace lumicap {

// Turns a text label into a web link: underlined, blue until it has been
// opened, then purple for good. A left press opens the target with the
// desktop's URL handler (a failure beeps and keeps the colour); a right
// press puts exactly the target on the clipboard. An empty target is taken
// from the label's text at the first press and kept.
class CStaticLink : public QLabel
{
    Q_OBJECT

public:
    using Opener = std::function<bool(const QString &target)>;

    static const QColor unvisitedColour;
    static const QColor visitedColour;

    explicit CStaticLink(QWidget *parent = nullptr);

    void setTarget(const QString &target) { target_ = target; }
    QString target() const { return target_; }
    QColor colour() const { return colour_; }

    // Replaces the desktop's URL handler (for tests).
    void setOpener(Opener opener) { opener_ = std::move(opener); }
    bool openWithShell(const QString &target);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool fillTarget();
    void applyLook();

    QString target_;
    QColor colour_ = unvisitedColour;
    Opener opener_;
};

} // namespace lumicap
