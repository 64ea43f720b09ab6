#include "BrowseEdit.h"
#include "ControlIds.h"
#include "EditorDialog.h"
#include "PreviewFrame.h"
#include "PreviewGeometry.h"
#include "ScriptedPrompt.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include "TestSettings.h"

#include <memory>

using namespace lumicap;
using namespace lumicap::test;

class EditorWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestFolder> dir;
    std::unique_ptr<ScriptedPrompt> prompt;
    std::unique_ptr<EditorDialog> editor;

    QLineEdit *edit(int id) { return qobject_cast<QLineEdit *>(editor->control(id)); }
    QLabel *label(int id) { return qobject_cast<QLabel *>(editor->control(id)); }
    QPushButton *button(int id) { return qobject_cast<QPushButton *>(editor->control(id)); }
    QCheckBox *box(int id) { return qobject_cast<QCheckBox *>(editor->control(id)); }
    QString image(int n) { return dir->file(QString("img%1.jpg").arg(n)); }
    EditorController::State state() { return editor->controller().state(); }

    void makeEditor()
    {
        editor = std::make_unique<EditorDialog>(*prompt);
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor.get()));
    }

    void startOn(const QString &folder)
    {
        edit(ids::Folder)->setText(folder);
        button(ids::Start)->click();
    }

    void type(int id, const QString &text)
    {
        edit(id)->setFocus();
        edit(id)->selectAll();
        QTest::keyClicks(edit(id), text);
    }

    static std::unique_ptr<QSettings> settings() { return test::programSettings(); }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startShowsTheFirstImageWithItsTags();
    void navigationFollowsTheStateMachine();
    void autoSaveSavesWithoutAsking();
    void noLoadCopyRCarriesArtistAndCopyrightIntoTheNextSave();
    void settingsAreWrittenAndReadBack();
    void shortcutsRunEvenWhenTheirButtonIsDisabled();
    void enterInAFieldRunsStart();
    void aFailedSaveKeepsWhatWasTypedAndStaysPut();
    void aLongTagIsShownWholeAndReportedByThePass();
    void anUntouchedFieldKeepsItsBytes();
    void folderChecksAndAnEmptyFolderChangeNothing();
    void anImageThatFailsToOpenLeavesTheEditorIdle();
    void closingAsksAndAFailedSaveKeepsTheWindowOpen();
    void batchReleasesTheImage();
    void theWindowGrowsAroundItsAnchors();
    void previewGeometry_data();
    void previewGeometry();
    void previewDrawsTheImageOnGrey();
};

void EditorWindowTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void EditorWindowTest::init()
{
    settings()->remove("");
    settings()->setValue("ShowWarning", 0);
    dir = std::make_unique<TestFolder>();
    for (int n = 1; n <= 3; ++n) {
        QVERIFY(writeJpeg(image(n), 120, 80, n));
        QVERIFY(setTagsDirectly(image(n), QString("Description %1").arg(n).toUtf8(), QString("Artist %1").arg(n).toUtf8(),
                                QString("Copyright %1").arg(n).toUtf8()));
    }
    prompt = std::make_unique<ScriptedPrompt>();
    makeEditor();
}

void EditorWindowTest::cleanup()
{
    if (editor) {
        prompt->answers = {false, false, false};
        editor->reject();
    }
    editor.reset();
    QCOMPARE(prompt->waitDepth, 0);
}

void EditorWindowTest::startShowsTheFirstImageWithItsTags()
{
    QCOMPARE(state(), EditorController::State::Idle);
    QVERIFY(!button(ids::Previous)->isEnabled());
    QVERIFY(!button(ids::Next)->isEnabled());
    QVERIFY(!button(ids::Save)->isEnabled());

    startOn(dir->path());
    QCOMPARE(state(), EditorController::State::Clean);
    QCOMPARE(label(ids::Position)->text(), QString("1 of 3 images"));
    QCOMPARE(label(ids::FilePath)->text(), image(1));
    QCOMPARE(edit(ids::Description)->text(), QString("Description 1"));
    QCOMPARE(edit(ids::Artist)->text(), QString("Artist 1"));
    QCOMPARE(edit(ids::Copyright)->text(), QString("Copyright 1"));
    QCOMPARE(label(ids::DescriptionLabel)->text(), QString("Description:"));
    // AutoSel is on by default: the description is focused and selected.
    QCOMPARE(QApplication::focusWidget(), edit(ids::Description));
    QCOMPARE(edit(ids::Description)->selectedText(), QString("Description 1"));
    QVERIFY(!button(ids::Previous)->isEnabled());
    QVERIFY(button(ids::Next)->isEnabled());
    QVERIFY(button(ids::Save)->isEnabled());
    QVERIFY(prompt->waits > 0);
}

void EditorWindowTest::navigationFollowsTheStateMachine()
{
    startOn(dir->path());
    type(ids::Description, "Changed");
    QCOMPARE(state(), EditorController::State::Edited);
    QCOMPARE(label(ids::DescriptionLabel)->text(), QString("Description (*):"));
    QCOMPARE(label(ids::ArtistLabel)->text(), QString("Artist:"));

    prompt->answers = {false}; // No: the edits are dropped
    button(ids::Next)->click();
    QCOMPARE(prompt->questions,
             QStringList{"One of the image description fields has been changed, do you wish to save changes ?"});
    QCOMPARE(state(), EditorController::State::Clean);
    QCOMPARE(label(ids::Position)->text(), QString("2 of 3 images"));
    QCOMPARE(tagsDirectly(image(1)).value(0), QByteArray("Description 1"));

    type(ids::Artist, "Someone else");
    prompt->answers = {true}; // Yes: the image being left is saved
    button(ids::Previous)->click();
    QCOMPARE(label(ids::Position)->text(), QString("1 of 3 images"));
    QCOMPARE(tagsDirectly(image(2)), (QList<QByteArray>{"Description 2", "Someone else", "Copyright 2"}));
    QCOMPARE(label(ids::ArtistLabel)->text(), QString("Artist:"));

    // Saving shows what the file holds afterwards.
    type(ids::Copyright, "(c) Now");
    button(ids::Save)->click();
    QCOMPARE(state(), EditorController::State::Clean);
    QCOMPARE(edit(ids::Copyright)->text(), QString("(c) Now"));
    QCOMPARE(tagsDirectly(image(1)).value(2), QByteArray("(c) Now"));
    QCOMPARE(prompt->messages, QStringList());
}

void EditorWindowTest::autoSaveSavesWithoutAsking()
{
    box(ids::AutoSave)->setChecked(true);
    startOn(dir->path());
    type(ids::Description, "Saved by itself");
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QCOMPARE(prompt->questions, QStringList());
    QCOMPARE(tagsDirectly(image(1)).value(0), QByteArray("Saved by itself"));
    QCOMPARE(label(ids::Position)->text(), QString("2 of 3 images"));
}

void EditorWindowTest::noLoadCopyRCarriesArtistAndCopyrightIntoTheNextSave()
{
    box(ids::NoLoadCopyR)->setChecked(true);
    startOn(dir->path());
    QCOMPARE(edit(ids::Artist)->text(), QString()); // never loaded
    type(ids::Artist, "Carried");
    type(ids::Copyright, "(c) Carried");
    prompt->answers = {false};
    button(ids::Next)->click();
    QCOMPARE(edit(ids::Description)->text(), QString("Description 2"));
    QCOMPARE(edit(ids::Artist)->text(), QString("Carried"));
    QCOMPARE(state(), EditorController::State::Clean);
    button(ids::Save)->click();
    QCOMPARE(tagsDirectly(image(2)), (QList<QByteArray>{"Description 2", "Carried", "(c) Carried"}));
}

void EditorWindowTest::settingsAreWrittenAndReadBack()
{
    box(ids::AutoSel)->click(); // written at once
    QCOMPARE(settings()->value("AutoSel").toInt(), 0);
    box(ids::RemoveAllExif)->setChecked(true);
    box(ids::NoLoadCopyR)->setChecked(true);
    startOn(dir->path());
    auto s = settings();
    QCOMPARE(s->value("ImgFolder").toString(), dir->path());
    QCOMPARE(s->value("RemoveAllExif").toInt(), 1);
    QCOMPARE(s->value("NoLoadCopyR").toInt(), 1);
    QCOMPARE(s->value("AutoSave").toInt(), 0);

    box(ids::AutoSave)->setChecked(true);
    editor->reject(); // closing writes all five
    editor.reset();
    QCOMPARE(settings()->value("AutoSave").toInt(), 1);
    makeEditor();
    QCOMPARE(edit(ids::Folder)->text(), dir->path());
    QVERIFY(!box(ids::AutoSel)->isChecked());
    QVERIFY(box(ids::RemoveAllExif)->isChecked());
    QVERIFY(box(ids::NoLoadCopyR)->isChecked());
    QVERIFY(box(ids::AutoSave)->isChecked());
}

void EditorWindowTest::shortcutsRunEvenWhenTheirButtonIsDisabled()
{
    startOn(dir->path());
    QTest::keyClick(editor.get(), Qt::Key_PageUp); // on the first image: nothing moves
    QCOMPARE(label(ids::Position)->text(), QString("1 of 3 images"));
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QCOMPARE(label(ids::Position)->text(), QString("3 of 3 images"));
    QVERIFY(!button(ids::Next)->isEnabled());
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QCOMPARE(label(ids::Position)->text(), QString("3 of 3 images"));

    button(ids::Batch)->click(); // releases the image: Idle
    QCOMPARE(state(), EditorController::State::Idle);
    QVERIFY(!button(ids::Save)->isEnabled());
    QTest::keyClick(editor.get(), Qt::Key_S, Qt::ControlModifier); // opens the current position again
    QCOMPARE(state(), EditorController::State::Clean);
    QCOMPARE(label(ids::FilePath)->text(), image(3));
}

void EditorWindowTest::enterInAFieldRunsStart()
{
    edit(ids::Folder)->setText(dir->path());
    QTest::keyClick(edit(ids::Copyright), Qt::Key_Return);
    QCOMPARE(label(ids::Position)->text(), QString("1 of 3 images"));
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    type(ids::Description, "x");
    prompt->answers = {false};
    QTest::keyClick(edit(ids::Description), Qt::Key_Return); // asks, scans again, back to the first
    QCOMPARE(prompt->questions.size(), 1);
    QCOMPARE(label(ids::Position)->text(), QString("1 of 3 images"));
}

void EditorWindowTest::aFailedSaveKeepsWhatWasTypedAndStaysPut()
{
    startOn(dir->path());
    QFile::setPermissions(image(1), QFile::ReadOwner | QFile::ReadGroup);
    const QByteArray before = readAll(image(1));
    type(ids::Description, "Not lost");
    prompt->answers = {true};
    button(ids::Next)->click();
    QCOMPARE(prompt->messages, QStringList{"Error 12 while saving Image " + image(1)});
    QCOMPARE(label(ids::Position)->text(), QString("1 of 3 images"));
    QCOMPARE(edit(ids::Description)->text(), QString("Not lost"));
    QCOMPARE(label(ids::DescriptionLabel)->text(), QString("Description (*):"));
    QCOMPARE(state(), EditorController::State::Edited);
    QCOMPARE(readAll(image(1)), before);

    // Made writable again, the same edit saves.
    QFile::setPermissions(image(1), QFile::ReadOwner | QFile::WriteOwner);
    button(ids::Save)->click();
    QCOMPARE(tagsDirectly(image(1)).value(0), QByteArray("Not lost"));
}

void EditorWindowTest::aLongTagIsShownWholeAndReportedByThePass()
{
    const QByteArray longText = QByteArray(300, 'w') + "end";
    QVERIFY(setTagsDirectly(image(1), longText, "a", "c"));
    startOn(dir->path());
    QCOMPARE(edit(ids::Description)->text().toUtf8(), longText);

    edit(ids::Description)->end(false);
    QTest::keyClicks(edit(ids::Description), "more"); // typing cannot make it longer
    QCOMPARE(edit(ids::Description)->text().size(), 303);
    QTest::keyClick(edit(ids::Description), Qt::Key_Backspace); // but can shorten it
    QCOMPARE(edit(ids::Description)->text().size(), 302);

    prompt->answers = {true};
    button(ids::Next)->click();
    QVERIFY(prompt->messages.contains("Please enter no more than 255 characters."));
    QCOMPARE(tagsDirectly(image(1)).value(0), longText.left(302)); // saved whole, as shown
}

void EditorWindowTest::anUntouchedFieldKeepsItsBytes()
{
    const QByteArray windowsArtist("Fran\xE7ois \x80", 10);
    QVERIFY(setTagsDirectly(image(1), "d", windowsArtist, "c"));
    startOn(dir->path());
    QCOMPARE(edit(ids::Artist)->text(), QString::fromUtf8("François €"));
    edit(ids::Description)->selectAll();
    edit(ids::Description)->insert(QString::fromUtf8("Café")); // as typed
    button(ids::Save)->click();
    QCOMPARE(tagsDirectly(image(1)), (QList<QByteArray>{"Caf\xC3\xA9", windowsArtist, "c"}));
}

void EditorWindowTest::folderChecksAndAnEmptyFolderChangeNothing()
{
    startOn("");
    QCOMPARE(prompt->messages.value(0), QString("Images folder field is empty. Please enter a folder name and try again."));
    QCOMPARE(QApplication::focusWidget(), edit(ids::Folder));
    startOn(dir->file("missing"));
    QCOMPARE(prompt->messages.value(1), QString("Selected folder doesn't exist. Please choose an existing folder."));

    startOn(dir->path());
    type(ids::Description, "Kept");
    QVERIFY(QDir(dir->path()).mkdir("empty"));
    startOn(dir->file("empty"));
    QCOMPARE(prompt->messages.value(2), QString("Selected folder doesn't contain any TIF of JPG file. Please choose a folder "
                                                "with jpg or tif image files."));
    QCOMPARE(prompt->questions, QStringList()); // nothing was released
    QCOMPARE(state(), EditorController::State::Edited);
    QCOMPARE(editor->controller().imageList().count(), 3);
    button(ids::Save)->click();
    QCOMPARE(tagsDirectly(image(1)).value(0), QByteArray("Kept"));
}

void EditorWindowTest::anImageThatFailsToOpenLeavesTheEditorIdle()
{
    startOn(dir->path());
    QVERIFY(QFile::remove(image(2)));
    button(ids::Next)->click();
    QCOMPARE(prompt->messages, QStringList{"Error 10 while loading Image " + image(2)});
    QCOMPARE(state(), EditorController::State::Idle);
    QCOMPARE(label(ids::Position)->text(), QString("1 of 3 images")); // as last opened
    QVERIFY(!button(ids::Save)->isEnabled());
    QVERIFY(button(ids::Previous)->isEnabled());
    QVERIFY(button(ids::Next)->isEnabled());
    button(ids::Next)->click();
    QCOMPARE(label(ids::Position)->text(), QString("3 of 3 images"));
}

void EditorWindowTest::closingAsksAndAFailedSaveKeepsTheWindowOpen()
{
    startOn(dir->path());
    type(ids::Description, "Closing");
    QFile::setPermissions(image(1), QFile::ReadOwner);
    prompt->answers = {true};
    editor->close();
    QVERIFY(editor->isVisible()); // the save failed: nothing typed is lost
    QCOMPARE(prompt->messages.size(), 1);
    prompt->answers = {false};
    QTest::keyClick(editor.get(), Qt::Key_Escape);
    QVERIFY(!editor->isVisible());
    QCOMPARE(prompt->questions.size(), 2);
}

void EditorWindowTest::batchReleasesTheImage()
{
    int opened = 0;
    editor->openBatch = [&] { ++opened; };
    startOn(dir->path());
    type(ids::Description, "Before batch");
    prompt->answers = {true};
    button(ids::Batch)->click();
    QCOMPARE(opened, 1);
    QCOMPARE(state(), EditorController::State::Idle);
    QCOMPARE(tagsDirectly(image(1)).value(0), QByteArray("Before batch"));
    QVERIFY(editor->preview()->imageRect().isEmpty());
}

void EditorWindowTest::theWindowGrowsAroundItsAnchors()
{
    const QSize start = editor->size();
    const QRect startButton = button(ids::Start)->geometry();
    const QRect field = edit(ids::Description)->geometry();
    const QRect preview = editor->preview()->geometry();
    const QRect browse = editor->folderEdit()->button()->geometry();
    const QRect check = box(ids::AutoSave)->geometry();
    editor->resize(start + QSize(150, 90));
    QCOMPARE(button(ids::Start)->geometry(), startButton.translated(150, 0));
    QCOMPARE(editor->folderEdit()->button()->geometry(), browse.translated(150, 0));
    QCOMPARE(edit(ids::Description)->geometry(), field.adjusted(0, 0, 150, 0));
    QCOMPARE(editor->preview()->geometry(), preview.adjusted(0, 0, 150, 90));
    QCOMPARE(box(ids::AutoSave)->geometry(), check);
    editor->resize(start - QSize(50, 50));
    QCOMPARE(editor->size(), start);
}

void EditorWindowTest::previewGeometry_data()
{
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("1600x1200") << QSize(1600, 1200) << QRect(20, 0, 332, 249);
    QTest::newRow("3000x1000 cut both sides") << QSize(3000, 1000) << QRect(-187, 0, 747, 249);
    QTest::newRow("744x498 exact") << QSize(744, 498) << QRect(0, 0, 372, 249);
    QTest::newRow("1000x2000 double rounding") << QSize(1000, 2000) << QRect(123, 0, 125, 249);
    QTest::newRow("10x10 enlarged") << QSize(10, 10) << QRect(61, 0, 249, 249);
    QTest::newRow("no size") << QSize(0, 0) << QRect();
}

void EditorWindowTest::previewGeometry()
{
    QFETCH(QSize, image);
    QFETCH(QRect, expected);
    QCOMPARE(previewPlacement(QRect(0, 0, 372, 249), image), expected);
    if (!expected.isNull())
        QCOMPARE(previewPlacement(QRect(5, 7, 372, 249), image), expected.translated(5, 7));
}

void EditorWindowTest::previewDrawsTheImageOnGrey()
{
    const QColor grey(128, 128, 128);
    PreviewFrame *frame = editor->preview();
    QCOMPARE(frame->grab().toImage().pixelColor(frame->width() / 2, frame->height() / 2), grey);

    QVERIFY(writeJpeg(image(1), 400, 100, 1)); // wide: grey above nothing, cut at the sides
    QVERIFY(patternImage(50, 100).save(image(1), "JPEG", 100));
    startOn(dir->path());
    const QRect placed = frame->imageRect();
    QCOMPARE(placed, previewPlacement(frame->rect(), QSize(50, 100)));
    const QImage shot = frame->grab().toImage();
    QCOMPARE(shot.pixelColor(placed.left() - 2, frame->height() / 2), grey);
    QCOMPARE(shot.pixelColor(placed.right() + 2, frame->height() / 2), grey);
    QVERIFY(shot.pixelColor(placed.center()) != grey);
    // A picture far wider than the frame is still shown (decoded smaller).
    QVERIFY(patternImage(4000, 8).save(image(2), "JPEG", 100));
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QVERIFY(frame->grab().toImage().pixelColor(frame->width() / 2, frame->height() / 2) != grey);
    QTest::keyClick(editor.get(), Qt::Key_PageUp);

    // Painting again does not decode again.
    ImageHolder *open = editor->controller().currentImage();
    const qint64 key = open->preview(placed.size()).cacheKey();
    frame->grab();
    QCOMPARE(open->preview(placed.size()).cacheKey(), key);
}

QTEST_MAIN(EditorWindowTest)
#include "EditorWindowTest.moc"
