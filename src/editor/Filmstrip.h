#pragma once

#include <QListView>

namespace lumicap {

class FilmstripModel;

// The row of thumbnails below the preview, with each picture's marks: a
// blue bar when it has a description, an orange dot while its change is not
// saved, a red corner when its last save failed, a cross when it cannot be
// opened. The open picture is framed and kept in view. A click, or Enter on
// the thumbnail with the focus, asks for that picture (picked); which picture
// is open is only ever what the model says.
class Filmstrip : public QListView
{
    Q_OBJECT

public:
    explicit Filmstrip(FilmstripModel &model, QWidget *parent = nullptr);

    // The height that shows one row of thumbnails and the scroll bar.
    int stripHeight() const;
    // Where a picture's thumbnail is drawn now (for tests and tools).
    QRect thumbnailRect(int index) const;

Q_SIGNALS:
    void picked(int index);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void pick(int index);
    void followCurrent(int index);
    void reportRange();

    FilmstripModel &model_;
};

} // namespace lumicap
