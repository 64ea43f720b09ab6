#include "widgets/AnchorGeometry.h"
#include "widgets/BrowseEdit.h"
#include "widgets/FileFilter.h"
#include "widgets/ResizableDialog.h"
#include "ScriptedPicker.h"
#include "widgets/DialogBuilder.h"
#include "resources/DialogTemplates.h"
#include "widgets/MessageBoxPrompt.h"
#include "WindowTestMain.h"

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QPushButton>
#include <QSizeGrip>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumicap;
using namespace lumicap::test;

Q_DECLARE_METATYPE(const lumicap::DialogTemplate *)

namespace {
class Dialog : public ResizableDialog
{
public:
    Dialog()
    {
        resize(300, 200);
        field = new QLabel("centred", this);
        field->setGeometry(10, 10, 200, 20);
        button = new QPushButton("OK", this);
        button->setGeometry(220, 10, 70, 24);
        preview = new QWidget(this);
        preview->setGeometry(10, 40, 200, 150);
        centre = new QWidget(this);
        centre->setGeometry(100, 100, 50, 50);
    }
    void init() { finishInitialisation(); }
    QLabel *field;
    QPushButton *button;
    QWidget *preview;
    QWidget *centre;
};
} // namespace

class WindowPartsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void anchorPlacement_data();
    void anchorPlacement();
    void dialogFollowsItsAnchorsAndKeepsItsMinimumSize();
    void templateLabelsShowAllTheirText_data();
    void templateLabelsShowAllTheirText();
    void messageBoxQuestionEscapesToCancel();
    void sizeGripSitsInTheCornerAndRestsWhileMaximised();
    void browseButtonTakesTheEditsRightEndAndFollowsIt();
    void folderBrowseEndsTheChosenFolderWithASeparator();
    void fileBrowseStartsWhereTheTextPointsAndKeepsTheCurrentFolder();
    void fileFilter_data();
    void fileFilter();
};

void WindowPartsTest::anchorPlacement_data()
{
    QTest::addColumn<QRect>("start");
    QTest::addColumn<Anchor>("topLeft");
    QTest::addColumn<Anchor>("bottomRight");
    QTest::addColumn<QSize>("grownTo");
    QTest::addColumn<QRect>("expected");

    const QSize client(300, 200);
    QTest::newRow("stretch right") << QRect(10, 10, 200, 20) << anchors::TopLeft << anchors::TopRight << QSize(400, 260) << QRect(10, 10, 300, 20);
    QTest::newRow("move with right edge") << QRect(220, 10, 70, 24) << anchors::TopRight << anchors::TopRight << QSize(413, 200)
                                          << QRect(333, 10, 70, 24);
    QTest::newRow("grow both ways") << QRect(10, 40, 200, 150) << anchors::TopLeft << anchors::BottomRight << QSize(350, 301)
                                    << QRect(10, 40, 250, 251);
    QTest::newRow("second anchor none") << QRect(5, 5, 10, 10) << anchors::BottomRight << anchors::None << QSize(310, 207) << QRect(15, 12, 10, 10);
    // 50 % of an odd growth truncates: 301*50/100 = 150, 300*50/100 = 150.
    QTest::newRow("centre truncates") << QRect(100, 100, 50, 50) << anchors::MiddleCenter << anchors::MiddleCenter << QSize(301, 203)
                                      << QRect(100, 101, 50, 50);
    QTest::newRow("centre odd") << QRect(100, 100, 50, 50) << anchors::MiddleCenter << anchors::MiddleCenter << QSize(303, 205)
                                << QRect(101, 102, 50, 50);
    Q_UNUSED(client);
}

void WindowPartsTest::anchorPlacement()
{
    QFETCH(QRect, start);
    QFETCH(Anchor, topLeft);
    QFETCH(Anchor, bottomRight);
    QFETCH(QSize, grownTo);
    QFETCH(QRect, expected);
    const auto placement = AnchorPlacement::capture(start, QSize(300, 200), topLeft, bottomRight);
    QCOMPARE(placement.place(QSize(300, 200)), start);
    QCOMPARE(placement.place(grownTo), expected);
}

void WindowPartsTest::dialogFollowsItsAnchorsAndKeepsItsMinimumSize()
{
    Dialog d;
    d.addAnchor(d.button, anchors::TopRight, anchors::TopRight);
    d.resize(400, 300); // nothing moves before the initialisation
    QCOMPARE(d.button->geometry(), QRect(220, 10, 70, 24));
    QCOMPARE(d.minimumSize(), QSize(0, 0));
    d.removeAllAnchors();
    d.resize(300, 200);
    d.init();
    d.addAnchor(d.field, anchors::TopLeft, anchors::TopRight);
    d.addAnchor(d.button, anchors::TopRight, anchors::TopRight);
    d.addAnchor(d.preview, anchors::TopLeft, anchors::BottomRight);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));

    for (const QSize size : {QSize(500, 400), QSize(350, 260), QSize(420, 333)}) {
        d.resize(size);
        QCOMPARE(d.field->geometry(), QRect(10, 10, 200 + size.width() - 300, 20));
        QCOMPARE(d.button->geometry(), QRect(220 + size.width() - 300, 10, 70, 24));
        QCOMPARE(d.preview->geometry(), QRect(10, 40, 200 + size.width() - 300, 150 + size.height() - 200));
        QCOMPARE(d.centre->geometry(), QRect(100, 100, 50, 50)); // not anchored: stays
    }
    d.resize(200, 100);
    QCOMPARE(d.size(), QSize(300, 200));
    QCOMPARE(d.minimumSize(), QSize(300, 200));
    QCOMPARE(d.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

void WindowPartsTest::templateLabelsShowAllTheirText_data()
{
    QTest::addColumn<const DialogTemplate *>("dialogTemplate");
    QTest::newRow("editor") << &editorTemplate();
    QTest::newRow("batch") << &batchTemplate();
    QTest::newRow("about") << &aboutTemplate();
    QTest::newRow("help") << &helpTemplate();
    QTest::newRow("missing imaging") << &missingImagingTemplate();
    QTest::newRow("warning") << &warningTemplate();
}

void WindowPartsTest::templateLabelsShowAllTheirText()
{
    // Every line and every single word of a label fits its place ("Hint:"
    // once lost its colon), shrunk if need be.
    QFETCH(const DialogTemplate *, dialogTemplate);
    QDialog d;
    DialogBuilder(*dialogTemplate).build(&d);
    for (const QLabel *label : d.findChildren<QLabel *>()) {
        if (!label->pixmap().isNull() || label->text().isEmpty())
            continue;
        const QFontMetrics metrics(label->font());
        for (const QString &word : label->text().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
            QVERIFY2(metrics.horizontalAdvance(word) <= label->width(), qPrintable(word));
        QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->text()));
    }
}

void WindowPartsTest::messageBoxQuestionEscapesToCancel()
{
    using A = UserPrompt::Answer;
    for (const auto &[key, answer] : {std::pair(Qt::Key_Escape, A::Cancel), std::pair(Qt::Key_Return, A::Yes)}) {
        QTimer::singleShot(0, [key = key] {
            QTRY_VERIFY(qobject_cast<QMessageBox *>(QApplication::activeModalWidget()));
            QTest::keyClick(QApplication::activeModalWidget(), key);
        });
        QVERIFY(MessageBoxPrompt().askYesNoCancel("Save?") == answer);
    }
}

void WindowPartsTest::sizeGripSitsInTheCornerAndRestsWhileMaximised()
{
    Dialog d;
    d.init();
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    d.resize(400, 300);
    QSizeGrip *grip = d.sizeGrip();
    QCOMPARE(grip->geometry().bottomRight(), QPoint(399, 299));
    QVERIFY(grip->isEnabled());
    d.showMaximized();
    QTRY_VERIFY(d.isMaximized());
    QVERIFY(!grip->isEnabled());
    d.showNormal();
    QTRY_VERIFY(grip->isEnabled());
}

void WindowPartsTest::browseButtonTakesTheEditsRightEndAndFollowsIt()
{
    QDialog d;
    auto *edit = new FolderBrowseEdit(&d);
    edit->setGeometry(100, 10, 200, 22);
    auto *next = new QPushButton("Next", &d);
    QWidget::setTabOrder(edit, next);
    QVERIFY(edit->attach());
    QPushButton *button = edit->button();
    QCOMPARE(edit->geometry(), QRect(100, 10, 174, 22));
    QCOMPARE(button->geometry(), QRect(275, 10, 25, 22));
    QCOMPARE(edit->buttonId(), 0x7FFF);
    QCOMPARE(button->objectName(), QString::number(0x7FFF));
    QCOMPARE(edit->nextInFocusChain(), button);
    QCOMPARE(button->nextInFocusChain(), next);

    auto *second = new FileBrowseEdit(&d);
    second->setGeometry(100, 40, 200, 22);
    QVERIFY(second->attach());
    QCOMPARE(second->buttonId(), 0x7FFE);

    edit->setEnabled(false);
    QVERIFY(!button->isEnabled());
    edit->setEnabled(true);
    QVERIFY(button->isEnabled());
    d.show();
    edit->hide();
    QVERIFY(button->isHidden());
    edit->show();
    QVERIFY(!button->isHidden());

    QPointer<QPushButton> watch(button);
    delete edit;
    QVERIFY(watch.isNull());
}

void WindowPartsTest::folderBrowseEndsTheChosenFolderWithASeparator()
{
    QTemporaryDir dir;
    QDialog d;
    FolderBrowseEdit edit(&d);
    ScriptedPicker picker;
    edit.setPicker(&picker);
    edit.setText(dir.path() + "/missing");
    picker.answer = dir.path();
    edit.browse();
    QCOMPARE(picker.startFolder, QDir::currentPath()); // a missing folder starts at the current one
    QCOMPARE(edit.text(), QDir::toNativeSeparators(dir.path() + "/"));

    picker.answer = std::nullopt; // cancelled
    edit.browse();
    QCOMPARE(picker.startFolder, QDir::toNativeSeparators(dir.path() + "/"));
    QCOMPARE(edit.text(), QDir::toNativeSeparators(dir.path() + "/"));

    picker.answer = "/";
    edit.browse();
    QCOMPARE(edit.text(), QDir::toNativeSeparators("/"));
}

void WindowPartsTest::fileBrowseStartsWhereTheTextPointsAndKeepsTheCurrentFolder()
{
    QTemporaryDir dir;
    QFile list(dir.filePath("DESCRIPT.ION"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.close();
    QDialog d;
    FileBrowseEdit edit(&d);
    ScriptedPicker picker;
    edit.setPicker(&picker);
    edit.setFilter("Descriptions (*.txt;*.ion)|*.txt;*.ion|All Files (*.*)|*.*||");
    edit.setShowHidden(true);
    const QString current = QDir::currentPath();

    edit.setText(dir.path());
    picker.answer = dir.filePath("DESCRIPT.ION");
    edit.browse();
    QCOMPARE(picker.startFolder, dir.path());
    QCOMPARE(picker.startFile, QString());
    QCOMPARE(picker.filter, QString("Descriptions (*.txt *.ion);;All Files (*)")); // the filter, as Qt writes it
    QVERIFY(picker.showHidden);
    QCOMPARE(edit.text(), QDir::toNativeSeparators(dir.filePath("DESCRIPT.ION")));

    edit.browse(); // an existing file: start at it
    QCOMPARE(picker.startFile, dir.filePath("DESCRIPT.ION"));

    edit.setText(dir.filePath("nothing.txt"));
    picker.answer = std::nullopt;
    edit.browse();
    QCOMPARE(picker.startFile, QString());
    QCOMPARE(edit.text(), dir.filePath("nothing.txt"));
    QCOMPARE(QDir::currentPath(), current);
}

void WindowPartsTest::fileFilter_data()
{
    QTest::addColumn<QString>("windows");
    QTest::addColumn<QString>("qt");
    QTest::newRow("default") << "All files (*.*)|*.*||"
                             << "All files (*)";
    QTest::newRow("no parentheses") << "Images|*.jpg;*.tif||"
                                    << "Images (*.jpg *.tif)";
}

void WindowPartsTest::fileFilter()
{
    QFETCH(QString, windows);
    QFETCH(QString, qt);
    QCOMPARE(qtFileFilter(windows), qt);
}

LUMICAP_WINDOW_TEST_MAIN(WindowPartsTest)
#include "WindowPartsTest.moc"
