#include "editor/Filmstrip.h"

#include "editor/FilmstripModel.h"
#include "metadata/PathOps.h"
#include "resources/StringTable.h"
#include "metadata/TextEncoding.h"

#include <QAbstractListModel>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace lumicap {

namespace {
constexpr int gap = 4;       // around each thumbnail, inside its cell
constexpr int barHeight = 4; // the description mark below the thumbnail

// The pictures as rows for the view: a name and the marks in words.
class FilmstripItems : public QAbstractListModel
{
public:
    FilmstripItems(FilmstripModel &model, QObject *parent)
        : QAbstractListModel(parent)
        , model_(model)
    {
        connect(&model, &FilmstripModel::reset, this, [this] {
            beginResetModel();
            endResetModel();
        });
        connect(&model, &FilmstripModel::changed, this, [this](int row) {
            const QModelIndex at = index(row);
            Q_EMIT dataChanged(at, at);
        });
    }

    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : model_.count(); }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= model_.count())
            return {};
        if (role != Qt::ToolTipRole && role != Qt::AccessibleTextRole && role != Qt::DisplayRole)
            return {};
        QString text = displayText(fileNamePart(model_.path(index.row())));
        if (role == Qt::DisplayRole)
            return text;
        const FilmstripModel::Marks &marks = model_.marks(index.row());
        const bool edited = index.row() == model_.current() && model_.currentEdited();
        const std::pair<bool, int> said[] = {{marks.unreadable, IDS_STRIP_UNREADABLE},
                                             {marks.described && !marks.unreadable, IDS_STRIP_DESCRIBED},
                                             {edited, IDS_STRIP_EDITED},
                                             {marks.saveFailed, IDS_STRIP_SAVE_FAILED}};
        for (const auto &[on, string] : said) {
            if (on)
                text += '\n' + loadString(string);
        }
        return text;
    }

private:
    FilmstripModel &model_;
};

// Draws a thumbnail and its marks straight from the model.
class ThumbnailDelegate : public QStyledItemDelegate
{
public:
    ThumbnailDelegate(FilmstripModel &model, QObject *parent)
        : QStyledItemDelegate(parent)
        , model_(model)
    {}

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return {FilmstripModel::boxWidth + 2 * gap, FilmstripModel::boxHeight + 2 * gap + barHeight};
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int row = index.row();
        if (row >= model_.count())
            return;
        const QRect cell = option.rect;
        const QRect box(cell.left() + gap, cell.top() + gap, FilmstripModel::boxWidth, FilmstripModel::boxHeight);
        const FilmstripModel::Marks &marks = model_.marks(row);
        const QPalette &palette = option.palette;
        painter->save();
        painter->fillRect(box, QColor(128, 128, 128));
        const QImage &image = model_.image(row);
        if (!image.isNull())
            painter->drawImage(box.left() + (box.width() - image.width()) / 2, box.top() + (box.height() - image.height()) / 2, image);
        painter->setRenderHint(QPainter::Antialiasing);
        if (marks.unreadable) {
            painter->setPen(QPen(QColor(200, 30, 30), 3));
            painter->drawLine(box.topLeft() + QPoint(16, 8), box.bottomRight() - QPoint(16, 8));
            painter->drawLine(box.topRight() + QPoint(-16, 8), box.bottomLeft() + QPoint(16, -8));
        } else if (marks.described) {
            painter->fillRect(QRect(box.left(), box.bottom() + 2, box.width(), barHeight), QColor(40, 110, 220));
        }
        if (marks.saveFailed) {
            const QPolygon corner({box.topLeft(), box.topLeft() + QPoint(20, 0), box.topLeft() + QPoint(0, 20)});
            painter->setPen(Qt::NoPen);
            painter->setBrush(QColor(210, 20, 20));
            painter->drawPolygon(corner);
        }
        if (row == model_.current() && model_.currentEdited()) {
            painter->setPen(QPen(Qt::white, 1.5));
            painter->setBrush(QColor(245, 140, 0));
            painter->drawEllipse(QPoint(box.right() - 8, box.top() + 8), 6, 6);
        }
        painter->setBrush(Qt::NoBrush);
        if (row == model_.current()) {
            painter->setPen(QPen(palette.highlight(), 3));
            painter->drawRect(box.adjusted(-2, -2, 1, barHeight + 3));
        }
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(palette.text(), 1, Qt::DotLine));
            painter->drawRect(cell.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }

private:
    FilmstripModel &model_;
};
} // namespace

Filmstrip::Filmstrip(FilmstripModel &model, QWidget *parent)
    : QListView(parent)
    , model_(model)
{
    setObjectName(QStringLiteral("filmstrip"));
    setViewMode(QListView::IconMode);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setMovement(QListView::Static);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSpacing(0);
    setModel(new FilmstripItems(model, this));
    setItemDelegate(new ThumbnailDelegate(model, this));
    connect(this, &QListView::clicked, this, [this](const QModelIndex &index) { pick(index.row()); });
    connect(&model, &FilmstripModel::currentChanged, this, &Filmstrip::followCurrent);
    connect(&model, &FilmstripModel::reset, this, [this] { reportRange(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { reportRange(); });
}

int Filmstrip::stripHeight() const
{
    return FilmstripModel::boxHeight + 2 * gap + barHeight + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * frameWidth();
}

QRect Filmstrip::thumbnailRect(int index) const
{
    return visualRect(model()->index(index, 0));
}

void Filmstrip::pick(int index)
{
    Q_EMIT picked(index);
    // Where the step was held back (the save question's Cancel, a failed
    // save), the focus goes back to the open picture.
    followCurrent(model_.current());
}

void Filmstrip::followCurrent(int index)
{
    const QModelIndex at = model()->index(index, 0);
    if (!at.isValid())
        return;
    // The focus frame moves with the open picture, so arrows go on from it.
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
    scrollTo(at, QAbstractItemView::EnsureVisible);
    viewport()->update();
}

void Filmstrip::reportRange()
{
    if (model_.count() == 0)
        return;
    // Cells are all one width, side by side from the left.
    const int cell = FilmstripModel::boxWidth + 2 * gap;
    const int left = horizontalScrollBar()->value();
    model_.showRange(left / cell, (left + std::max(cell, viewport()->width()) - 1) / cell);
}

void Filmstrip::keyPressEvent(QKeyEvent *event)
{
    // Enter takes the picture with the focus; it never reaches the window's
    // default button.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        if (currentIndex().isValid())
            pick(currentIndex().row());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void Filmstrip::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    reportRange();
}

} // namespace lumicap
