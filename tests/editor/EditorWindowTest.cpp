#include "widgets/BrowseEdit.h"
#include "widgets/CaptionEdit.h"
#include "resources/ControlIds.h"
#include "resources/DialogTemplates.h"
#include "widgets/DialogUnits.h"
#include "editor/EditorDialog.h"
#include "editor/Filmstrip.h"
#include "editor/PreviewCache.h"
#include "editor/PreviewFrame.h"
#include "editor/PreviewGeometry.h"
#include "ScriptedPrompt.h"
#include "widgets/SpellCheck.h"
#include "resources/StatusReasons.h"
#include "resources/StringTable.h"
#include "TestFiles.h"
#include "editor/ThumbnailDiskCache.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QClipboard>
#include <QCompleter>
#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTextDocument>
#include <QtTest>

#include "TestSettings.h"
#include "WindowTestMain.h"

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
    CaptionEdit *caption() { return qobject_cast<CaptionEdit *>(editor->control(ids::Description)); }
    QString captionText() { return caption()->toPlainText(); }
    QLabel *label(int id) { return qobject_cast<QLabel *>(editor->control(id)); }
    QPushButton *button(int id) { return qobject_cast<QPushButton *>(editor->control(id)); }
    QCheckBox *box(int id) { return qobject_cast<QCheckBox *>(editor->control(id)); }
    // As the window shows it: with the system's separators.
    QString image(int n) { return QDir::toNativeSeparators(dir->file(QString("img%1.jpg").arg(n))); }
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
        editor->control(id)->setFocus();
        if (id != ids::Description) {
            edit(id)->selectAll();
            QTest::keyClicks(edit(id), text);
        } else {
            caption()->selectAll();
            caption()->insertPlainText(text); // as a paste: keys take only ASCII
        }
    }

    static std::unique_ptr<QSettings> settings() { return test::programSettings(); }

    PreviewCache &previews() { return editor->controller().previews(); }
    // The frame once every decode asked for is in.
    QImage shot()
    {
        editor->preview()->grab(); // a paint asks for what it lacks
        (void)QTest::qWaitFor([&] { return previews().idle(); }, 20000);
        return editor->preview()->grab().toImage();
    }
    QColor middle(const QImage &shot) { return shot.pixelColor(editor->preview()->imageRect().center()); }
    static bool solid(const QString &path, Qt::GlobalColor color)
    {
        QImage picture(90, 60, QImage::Format_RGB32);
        picture.fill(color);
        return picture.save(path, "JPEG", 95);
    }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void navigationFollowsTheStateMachine();
    void settingsAreWrittenAndReadBackAndNoLoadCopyRCarriesTexts();
    void aLongStoredTextIsEditedFreely();
    void theFieldsShowWhatOtherProgramsShow_data();
    void theFieldsShowWhatOtherProgramsShow();
    void anotherProgramsChangeIsRefreshedOrAskedAbout_data();
    void anotherProgramsChangeIsRefreshedOrAskedAbout();
    void folderChecksAndAnEmptyFolderChangeNothing();
    void aFailedOpenShowsTheFileThatFailed();
    void aStepThatAsksCanBeHeldBack_data();
    void aStepThatAsksCanBeHeldBack();
    void statusReasons();
    void enterSavesAndGoesOnWithCompletionsFromEarlierSaves();
    void ctrlShiftZUndoesTheLastSaveOfThePictureShown();
    void misspeltWordsAreUnderlined();
    void startsOnAFolderOrAPictureFromOutside();
    void theWindowGrowsAroundItsAnchorsAndFitsASmallScreen();
    void previewGeometry_data();
    void previewGeometry();
    void orientation_data();
    void orientation();
    void previewDrawsTheImageOnGreyAsItIsTurned();
    void preloadingDecodesOnlyWhatChanged_data();
    void preloadingDecodesOnlyWhatChanged();
    void aFolderChangeDropsTheDecodeUnderWay();
    void theFilmstripMarksEachPictureAndGoesThroughTheSaveQuestion();
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

void EditorWindowTest::navigationFollowsTheStateMachine()
{
    const QByteArray windowsArtist("Fran\xE7ois \x80", 10);
    QVERIFY(setTagsDirectly(image(1), "Description 1", windowsArtist, "Copyright 1"));
    QCOMPARE(state(), EditorController::State::Idle);
    QVERIFY(!button(ids::Previous)->isEnabled() && !button(ids::Next)->isEnabled() && !button(ids::Save)->isEnabled());
    edit(ids::Folder)->setText(dir->path());
    QTest::keyClick(edit(ids::Copyright), Qt::Key_Return); // with no picture yet, Enter in a field runs Start
    QTest::keyClick(editor.get(), Qt::Key_PageUp);         // on the first image: nothing moves, even by its shortcut
    QCOMPARE(state(), EditorController::State::Clean);
    QCOMPARE(label(ids::FilePath)->text(), image(1));
    QCOMPARE(edit(ids::Artist)->text(), QString::fromUtf8("François €"));
    // AutoSel is on by default: the description is focused and selected.
    QCOMPARE(QApplication::focusWidget(), caption());
    QCOMPARE(caption()->textCursor().selectedText(), QString("Description 1"));
    QVERIFY(!button(ids::Previous)->isEnabled() && button(ids::Next)->isEnabled() && button(ids::Save)->isEnabled());
    QVERIFY(prompt->waits > 0);

    type(ids::Description, "Changed");
    QCOMPARE(state(), EditorController::State::Edited);
    QCOMPARE(label(ids::DescriptionLabel)->text(), QString("Description (*):"));
    QCOMPARE(label(ids::ArtistLabel)->text(), QString("Artist:"));
    caption()->undo(); // back to the stored text: unchanged
    QVERIFY(state() == EditorController::State::Clean && label(ids::DescriptionLabel)->text() == "Description:");
    caption()->redo();

    prompt->answers = {false}; // No: the edits are dropped
    button(ids::Next)->click();
    QCOMPARE(prompt->questions, QStringList{"One of the image description fields has been changed, do you wish to save changes ?"});
    QCOMPARE(state(), EditorController::State::Clean);
    QCOMPARE(label(ids::Position)->text(), QString("2 of 3 images"));
    QCOMPARE(tagsDirectly(image(1)).value(0), QByteArray("Description 1"));

    type(ids::Artist, "Someone else");
    prompt->answers = {true}; // Yes: the image being left is saved
    button(ids::Previous)->click();
    QCOMPARE(label(ids::Position)->text(), QString("1 of 3 images"));
    QCOMPARE(tagsDirectly(image(2)), (QList<QByteArray>{"Description 2", "Someone else", "Copyright 2"}));

    // Saving shows what the file holds afterwards; what was typed is UTF-8,
    // the untouched artist keeps its bytes.
    edit(ids::Copyright)->selectAll();
    edit(ids::Copyright)->insert(QString::fromUtf8("(c) Café")); // as typed
    button(ids::Save)->click();
    QCOMPARE(state(), EditorController::State::Clean);
    QCOMPARE(edit(ids::Copyright)->text(), QString::fromUtf8("(c) Café"));
    QCOMPARE(tagsDirectly(image(1)), (QList<QByteArray>{"Description 1", windowsArtist, "(c) Caf\xC3\xA9"}));
    QCOMPARE(prompt->messages, QStringList());

    box(ids::AutoSave)->setChecked(true); // saves without asking
    type(ids::Description, "Saved by itself");
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QCOMPARE(prompt->questions.size(), 2);
    QCOMPARE(tagsDirectly(image(1)).value(0), QByteArray("Saved by itself"));
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QVERIFY(!button(ids::Next)->isEnabled());
    QTest::keyClick(editor.get(), Qt::Key_PageDown); // on the last: nothing moves
    QCOMPARE(label(ids::Position)->text(), QString("3 of 3 images"));

    box(ids::AutoSave)->setChecked(false); // taken at the next step
    QTest::keyClick(editor.get(), Qt::Key_PageUp);
    editor->openBatch = [&] { QVERIFY(setTagsDirectly(image(2), "By the batch", "Ann", "")); };
    type(ids::Description, "Before batch");
    prompt->answers = {true};
    button(ids::Batch)->click(); // saved first, then shown as the batch left it
    QCOMPARE(captionText(), QString("By the batch"));
    QVERIFY(state() == EditorController::State::Clean && button(ids::Save)->isEnabled() && !editor->preview()->imageRect().isEmpty());
    editor->openReplace = [&] { QVERIFY(setTagsDirectly(image(2), "Replaced", "Ann", "")); };
    editor->openApplyToAll = [&] { QVERIFY(setTagsDirectly(image(2), "By the batch", "Ann", "")); };
    button(ids::Replace)->click(); // so do the windows that save the folder's pictures
    QCOMPARE(captionText(), QString("Replaced"));
    button(ids::ApplyToAll)->click();
    QCOMPARE(captionText(), QString("By the batch"));
    box(ids::AutoSave)->setChecked(true); // taken by Save; a failed automatic save asks: saved again, stay, then dropped at exit
    button(ids::Save)->click();
    QVERIFY(QFile::setPermissions(image(2), QFile::ReadOwner));
    type(ids::Description, "Dropped");
    prompt->choices = {UserPrompt::Answer::Yes, UserPrompt::Answer::Cancel};
    QTest::keyClick(editor.get(), Qt::Key_Escape);
    QVERIFY(editor->isVisible() && prompt->questions.size() == 5);
    prompt->answers = {false};
    QTest::keyClick(editor.get(), Qt::Key_Escape);
    QVERIFY(!editor->isVisible() && prompt->questions.last().startsWith("Error 12 while saving Image " + image(2)));
    QCOMPARE(tagsDirectly(image(2)).value(0), QByteArray("By the batch"));
}

void EditorWindowTest::settingsAreWrittenAndReadBackAndNoLoadCopyRCarriesTexts()
{
    box(ids::AutoSel)->click(); // written at once
    QCOMPARE(settings()->value("AutoSel").toInt(), 0);
    QVERIFY(!box(ids::AllCopies)->isChecked()); // off unless asked
    box(ids::RemoveAllExif)->setChecked(true);
    box(ids::NoLoadCopyR)->setChecked(true);
    box(ids::AllCopies)->setChecked(true);
    startOn(dir->path());
    QCOMPARE(settings()->value("ImgFolder").toString(), dir->path());
    for (const auto &[key, value] : {std::pair("RemoveAllExif", 1), {"NoLoadCopyR", 1}, {"AutoSave", 0}, {"AllCopies", 1}})
        QCOMPARE(settings()->value(key).toInt(), value);
    // Not loaded, the artist and copyright carry what was typed into the next save; an empty one is not written.
    QCOMPARE(edit(ids::Artist)->text(), QString());
    type(ids::Artist, "Carried");
    button(ids::Next)->click(); // No to the question
    QCOMPARE(captionText(), QString("Description 2"));
    QCOMPARE(state(), EditorController::State::Clean);
    button(ids::Save)->click();
    QCOMPARE(tagsDirectly(image(2)), (QList<QByteArray>{"Description 2", "Carried", "Copyright 2"}));

    box(ids::AutoSave)->setChecked(true);
    editor->resize(editor->minimumSize() + QSize(40, 30));
    const QSize placed = editor->size();
    editor->reject(); // closing writes all six, and the window's place
    editor.reset();
    QCOMPARE(settings()->value("AutoSave").toInt(), 1);
    QVERIFY(settings()->value("Artist") == "Carried" && settings()->contains("Copyr")
            && !settings()->value("WindowPlacement").toByteArray().isEmpty());
    makeEditor();
    QCOMPARE(editor->size(), placed);
    QCOMPARE(edit(ids::Folder)->text(), dir->path());
    QCOMPARE(edit(ids::Artist)->text(), QString("Carried"));
    QVERIFY(!box(ids::AutoSel)->isChecked() && box(ids::RemoveAllExif)->isChecked());
    QVERIFY(box(ids::NoLoadCopyR)->isChecked() && box(ids::AutoSave)->isChecked() && box(ids::AllCopies)->isChecked());
    editor->showMaximized();
    editor->reject();
    QVERIFY(EditorDialog(*prompt).windowState() & Qt::WindowMaximized);
}

void EditorWindowTest::aLongStoredTextIsEditedFreely()
{
    const QByteArray longText = QByteArray(300, 'w') + "end";
    QVERIFY(setTagsDirectly(image(1), longText, QByteArray(40000, 'a'), "c"));
    startOn(dir->path());
    QCOMPARE(captionText().toUtf8(), longText);
    QCOMPARE(edit(ids::Artist)->text().size(), 40000);

    // Untouched, it blocks nothing and is never called too long.
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    button(ids::Start)->click();
    QCOMPARE(label(ids::Position)->text(), QString("1 of 3 images"));
    QCOMPARE(prompt->messages, QStringList());

    // A deleted character can be typed back, up to the stored length.
    caption()->moveCursor(QTextCursor::End);
    QTest::keyClick(caption(), Qt::Key_Backspace);
    QTest::keyClicks(caption(), "D!");
    QCOMPARE(captionText().toUtf8(), longText.left(302) + "D!");
    prompt->answers = {true};
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QCOMPARE(prompt->messages, QStringList());
    QCOMPARE(tagsDirectly(image(1)).value(0), longText.left(302) + "D!");
    QCOMPARE(tagsDirectly(image(1)).value(1).size(), 40000);

    // A field takes what the JPEG's Exif holds; a paste past it is refused
    // whole, and said.
    type(ids::Artist, QString(300, 'a'));
    QCOMPARE(edit(ids::Artist)->text().size(), 300);
    QApplication::clipboard()->setText(QString(jpegFieldBytes - 9, QChar(0xE9))); // two bytes each
    caption()->selectAll();
    caption()->paste();
    QCOMPARE(captionText(), QString("Description 2"));
    QCOMPARE(prompt->messages.value(0),
             QString("This text was not inserted: the description of this picture takes at most 60000 bytes, and it would need 59982 more."));
    QApplication::clipboard()->setText(QString(jpegFieldBytes, 'w'));
    caption()->paste();
    QCOMPARE(captionText().size(), jpegFieldBytes);
}

void EditorWindowTest::theFieldsShowWhatOtherProgramsShow_data()
{
    // img1 holds "Description 1" in Exif; ExifTool adds the copies.
    QTest::addColumn<QStringList>("copies");
    QTest::addColumn<QString>("shown");    // in the description field
    QTest::addColumn<QString>("labelTip"); // of its label
    QTest::addColumn<QString>("note");     // the tooltip of the mark beside it; none when empty
    QTest::addColumn<bool>("allCopies");
    QTest::addColumn<QString>("typed");     // into the description before the save; none: into the artist
    QTest::addColumn<QStringList>("after"); // Group:Tag=value as `exiftool -a -G1` reads them (the copies themselves are the metadata tests')
    QTest::addColumn<QString>("message");
    const QString differ = "Other programs may show another text. The other copies hold:\n";
    QTest::newRow("copies that disagree are noted; a save brings them in step")
        << QStringList{"-XMP-dc:Description=Sunset at the pier", "-IPTC:Caption-Abstract=Description 1", "-XPTitle=<b>Old</b>"} << "Description 1"
        << "" << differ + "XMP: Sunset at the pier\nXPTitle: <b>Old</b>" << false << "Agreed" << QStringList{"XMP-dc:Description=Agreed"} << "";
    // Shown so, the description is no edit: a save of the artist leaves it.
    // The check box makes the artist's missing copies.
    QTest::newRow("an empty Exif tag shows the copy other programs show first")
        << QStringList{"-IFD0:ImageDescription=", "-IPTC:Caption-Abstract=Older", "-XMP-dc:Description=From XMP"} << "From XMP"
        << "from XMP (the picture's Exif tag is empty)" << differ + "IPTC: Older" << true << ""
        << QStringList{"IFD0:ImageDescription=", "XMP-dc:Description=From XMP", "IPTC:By-line=Typed"} << "";
    QTest::newRow("a copy that cannot be read is left, and said; without the box none is made")
        << QStringList{"-XMP-dc:Description=Old", "damage XMP"} << "Description 1"
        << ""
        << "" << false << "Fixed" << QStringList{"IFD0:ImageDescription=Fixed", "IPTC:Caption-Abstract="}
        << "but its XMP cannot be read and was left as it was";
    // IPTC holds 2,000 bytes of caption (here Latin-1, é one byte): its copy is cut, and that said.
    const QString press = QString(1999, 'p') + QString::fromUtf8("\u00e9-and-more-words");
    QTest::newRow("a caption longer than IPTC holds is cut in the IPTC copy only")
        << QStringList{"-IPTC:Caption-Abstract=Old"} << "Description 1"
        << "" << differ + "IPTC: Old" << false << press << QStringList{} << "";
}

void EditorWindowTest::theFieldsShowWhatOtherProgramsShow()
{
    QFETCH(QStringList, copies);
    QFETCH(QString, shown);
    QFETCH(QString, labelTip);
    QFETCH(QString, note);
    QFETCH(bool, allCopies);
    QFETCH(QString, typed);
    QFETCH(QStringList, after);
    QFETCH(QString, message);
    if (!haveExifTool())
        QSKIP("ExifTool is not installed");
    const bool damage = copies.removeAll("damage XMP") > 0;
    QVERIFY(copies.isEmpty() || exifToolWrite(image(1), copies));
    if (damage)
        QVERIFY(writeAll(image(1), readAll(image(1)).replace("</dc:description>", "</dX:description>")));
    const auto plain = [](const QWidget *w) {
        QTextDocument tip;
        tip.setHtml(w->toolTip());
        return tip.toPlainText();
    };
    QWidget *mark = editor->control(ids::DescriptionNote);
    box(ids::AllCopies)->setChecked(allCopies);
    startOn(dir->path());
    QCOMPARE(state(), EditorController::State::Clean);
    QCOMPARE(captionText(), shown);
    QCOMPARE(plain(label(ids::DescriptionLabel)), labelTip);
    QCOMPARE(mark->isVisible(), !note.isEmpty());
    QCOMPARE(plain(mark), note);

    type(typed.isEmpty() ? ids::Artist : ids::Description, typed.isEmpty() ? "Typed" : typed);
    QTest::keyClick(editor.get(), Qt::Key_S, Qt::ControlModifier);
    for (const QString &expected : after)
        QCOMPARE(QString::fromUtf8(exifTool({"-a", "-G1", "-s3", "-" + expected.section('=', 0, 0), image(1)}).trimmed()).section(' ', 1),
                 expected.section('=', 1)); // "group value"
    QCOMPARE(prompt->messages.size(), message.isEmpty() ? 0 : 1);
    QVERIFY(prompt->messages.value(0).contains(message));
    QCOMPARE(mark->isVisible(), (typed.isEmpty() && !note.isEmpty()) || typed.size() > 2000); // in step after the save
    QCOMPARE(label(ids::Status)->text().contains("IPTC copy of the description was cut to 2000 bytes"), typed.size() > 2000);
}

void EditorWindowTest::anotherProgramsChangeIsRefreshedOrAskedAbout_data()
{
    QTest::addColumn<QStringList>("external"); // what ExifTool writes while the editor holds the picture
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QList<QByteArray>>("onDisk");
    QTest::addColumn<QString>("shownDescription");
    QTest::newRow("untouched field refreshed") << QStringList{"-Artist=Other program"} << QList<bool>{}
                                               << QList<QByteArray>{"Mine", "Other program", "Copyright 1"} << "Mine";
    QTest::newRow("same field, Yes overwrites") << QStringList{"-ImageDescription=Other program"} << QList<bool>{true}
                                                << QList<QByteArray>{"Mine", "Artist 1", "Copyright 1"} << "Mine";
    // The save stops; the untouched artist shows the file's new text all the same.
    QTest::newRow("same field, No keeps both") << QStringList{"-ImageDescription=Other program", "-Artist=Other artist"} << QList<bool>{false}
                                               << QList<QByteArray>{"Other program", "Other artist", "Copyright 1"} << "Mine";
}

void EditorWindowTest::anotherProgramsChangeIsRefreshedOrAskedAbout()
{
    QFETCH(QStringList, external);
    QFETCH(QList<bool>, answers);
    QFETCH(QList<QByteArray>, onDisk);
    QFETCH(QString, shownDescription);
    if (!haveExifTool())
        QSKIP("ExifTool is not installed");
    startOn(dir->path());
    type(ids::Description, "Mine");
    QVERIFY(exifToolWrite(image(1), external));
    prompt->answers = answers;
    button(ids::Save)->click();
    QCOMPARE(prompt->questions.size(), answers.size());
    QCOMPARE(tagsDirectly(image(1)), onDisk);
    QCOMPARE(captionText(), shownDescription);
    QCOMPARE(edit(ids::Artist)->text(), QString::fromUtf8(onDisk.value(1)));
    QCOMPARE(state(), answers == QList<bool>{false} ? EditorController::State::Edited : EditorController::State::Clean);
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
    QCOMPARE(prompt->messages.value(2),
             QString("Selected folder doesn't contain any TIF or JPG file. Please choose a folder "
                     "with jpg or tif image files."));
    QCOMPARE(prompt->questions, QStringList()); // nothing was released
    QCOMPARE(state(), EditorController::State::Edited);
    QCOMPARE(editor->controller().imageList().count(), 3);
    button(ids::Save)->click();
    QCOMPARE(tagsDirectly(image(1)).value(0), QByteArray("Kept"));
}

void EditorWindowTest::aFailedOpenShowsTheFileThatFailed()
{
    TestFolder other;
    QVERIFY(writeAll(other.file("a.jpg"), "not a picture"));
    QVERIFY(writeJpeg(other.file("b.jpg")));
    startOn(dir->path());
    const QByteArray second = readAll(image(2));
    QVERIFY(QFile::remove(image(2)));
    for (const bool newFolder : {false, true}) { // the next picture, then the first of a new folder
        const QString failing = newFolder ? QDir::toNativeSeparators(other.file("a.jpg")) : image(2);
        if (newFolder)
            startOn(other.path());
        else
            button(ids::Next)->click();
        QCOMPARE(prompt->messages.size(), newFolder ? 2 : 1);
        QCOMPARE(prompt->messages.last().section('\n', 0, 0), QString("Error %1 while loading Image ").arg(newFolder ? 13 : 10) + failing);
        QCOMPARE(state(), EditorController::State::Idle);
        // The screen shows the failed file at its place, with no other picture's texts.
        QCOMPARE(label(ids::FilePath)->text(), failing);
        QCOMPARE(label(ids::Position)->text(), newFolder ? QString("1 of 2 images") : QString("2 of 3 images"));
        QCOMPARE(captionText(), QString());
        QVERIFY(editor->preview()->imageRect().isEmpty());
        QVERIFY(!button(ids::Save)->isEnabled());
        QCOMPARE(button(ids::Previous)->isEnabled(), !newFolder);
        if (!newFolder) { // back, Ctrl+S opens it again
            QVERIFY(writeAll(image(2), second));
            QTest::keyClick(editor.get(), Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(state(), EditorController::State::Clean);
        }
        button(ids::Next)->click();
        QCOMPARE(label(ids::Position)->text(), newFolder ? QString("2 of 2 images") : QString("3 of 3 images"));
    }
}

void EditorWindowTest::aStepThatAsksCanBeHeldBack_data()
{
    // Each step that asks about unsaved changes is held back by Cancel, and
    // by Yes when the save fails: nothing typed is lost, nothing moves.
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("cancel"); // else Yes, onto a read-only picture
    for (const char *step : {"PageDown", "Start", "Batch", "Escape", "close box"}) {
        QTest::addRow("%s, Cancel", step) << step << true;
        QTest::addRow("%s, failed save", step) << step << false;
    }
    QTest::addRow("Enter, failed save") << "Enter" << false;
}

void EditorWindowTest::aStepThatAsksCanBeHeldBack()
{
    QFETCH(QString, step);
    QFETCH(bool, cancel);
    int batches = 0;
    editor->openBatch = [&] { ++batches; };
    startOn(dir->path());
    const QByteArray before = readAll(image(1));
    type(ids::Description, "Typed");
    if (cancel)
        prompt->choices = {UserPrompt::Answer::Cancel};
    else
        prompt->answers = {QFile::setPermissions(image(1), QFile::ReadOwner)};
    if (step == "PageDown")
        QTest::keyClick(editor.get(), Qt::Key_PageDown);
    else if (step == "Start")
        button(ids::Start)->click();
    else if (step == "Batch")
        button(ids::Batch)->click();
    else if (step == "Escape")
        QTest::keyClick(editor.get(), Qt::Key_Escape);
    else if (step == "Enter")
        QTest::keyClick(caption(), Qt::Key_Return); // saves without asking
    else
        editor->close();
    QCOMPARE(prompt->questions.size(), step == "Enter" ? 0 : 1);
    QCOMPARE(prompt->messages.value(0).section('\n', 0, 0), cancel ? QString() : "Error 12 while saving Image " + image(1));
    QCOMPARE(readAll(image(1)), before);
    QCOMPARE(captionText(), QString("Typed"));
    QCOMPARE(label(ids::DescriptionLabel)->text(), QString("Description (*):"));
    QCOMPARE(state(), EditorController::State::Edited);
    QCOMPARE(label(ids::Position)->text(), QString("1 of 3 images"));
    QVERIFY(editor->isVisible());
    QCOMPARE(batches, 0);
    // Made writable again, the same edit saves.
    QFile::setPermissions(image(1), QFile::ReadOwner | QFile::WriteOwner);
    button(ids::Save)->click();
    QCOMPARE(tagsDirectly(image(1)).value(0), QByteArray("Typed"));
}

void EditorWindowTest::enterSavesAndGoesOnWithCompletionsFromEarlierSaves()
{
    startOn(dir->path());
    type(ids::Description, "Harbour");
    QTest::keyClick(caption(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(caption(), "at dawn");
    type(ids::Artist, "Ann Lee");
    QTest::keyClick(edit(ids::Artist), Qt::Key_Return);
    QCOMPARE(tagsDirectly(image(1)), (QList<QByteArray>{"Harbour\nat dawn", "Ann Lee", "Copyright 1"}));
    QCOMPARE(label(ids::Position)->text(), QString("2 of 3 images"));
    QCOMPARE(caption()->textCursor().selectedText(), QString("Description 2"));
    // Unchanged, Ctrl+Enter just moves; Ctrl+Shift+Enter goes back from anywhere.
    QTest::keyClick(caption(), Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(box(ids::AutoSave), Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(label(ids::Position)->text(), QString("2 of 3 images"));
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    type(ids::Description, "Last");
    QTest::keyClick(caption(), Qt::Key_Return);
    QCOMPARE(tagsDirectly(image(3)).value(0), QByteArray("Last"));
    QCOMPARE(label(ids::Position)->text(), QString("3 of 3 images"));
    QCOMPARE(label(ids::Status)->text(), QString("Last picture: there is no next one."));
    QCOMPARE(prompt->questions, QStringList());

    // The artist saved is offered again, and Delete on it forgets it; the
    // description offers the folder's captions.
    type(ids::Artist, "an");
    QCOMPARE(edit(ids::Artist)->completer()->currentCompletion(), QString("Ann Lee"));
    edit(ids::Artist)->completer()->complete();
    QAbstractItemView *offered = edit(ids::Artist)->completer()->popup();
    offered->setCurrentIndex(offered->model()->index(0, 0));
    QTest::keyClick(offered, Qt::Key_Delete);
    QCOMPARE(settings()->value("ArtistHistory").toStringList(), QStringList());
    type(ids::Description, "ha");
    QCOMPARE(caption()->completer()->currentCompletion(), QString("Harbour\nat dawn"));
}

void EditorWindowTest::ctrlShiftZUndoesTheLastSaveOfThePictureShown()
{
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir->file("state")));
    startOn(dir->path());
    const auto undo = [this] { QTest::keyClick(caption(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); };
    undo();
    QCOMPARE(prompt->messages, QStringList{image(1) + ": no save of it to undo"});
    type(ids::Description, "Harbour");
    QTest::keyClick(caption(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(tagsDirectly(image(1)).value(0), QByteArray("Harbour"));
    undo(); // in the description, whose own redo key gives way
    QCOMPARE(tagsDirectly(image(1)), (QList<QByteArray>{"Description 1", "Artist 1", "Copyright 1"}));
    QCOMPARE(captionText(), QString("Description 1"));
    QCOMPARE(label(ids::Status)->text(), QString("img1.jpg: description put back as before the save"));
}

void EditorWindowTest::misspeltWordsAreUnderlined()
{
    QVERIFY(writeAll(dir->file("xx_TEST.aff"), "SET UTF-8\n"));
    QVERIFY(writeAll(dir->file("xx_TEST.dic"), "2\nharbour\ndawn\n"));
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/words.dic");
    SpellCheck::dictionaryFolders().prepend(dir->path());
    SpellCheck *spell = caption()->spellCheck();
    const auto cleanup = qScopeGuard([] { SpellCheck::dictionaryFolders().removeFirst(); });
#ifndef LUMICAP_HUNSPELL
    QSKIP("built without Hunspell");
#endif
    QVERIFY(spell->setLanguage("xx_TEST"));
    caption()->setPlainText(QString::fromUtf8("harbour at dawn"));
    const auto underlined = [&] {
        QStringList words;
        for (const QTextLayout::FormatRange &range : caption()->document()->firstBlock().layout()->formats())
            words << captionText().mid(range.start, range.length);
        return words;
    };
    QCOMPARE(underlined(), QStringList{"at"});
    spell->addWord("at");
    QCOMPARE(underlined(), QStringList());
    QVERIFY(spell->setLanguage("xx_TEST")); // the personal list is read back
    QVERIFY(!spell->isMisspelt("at") && spell->isMisspelt("dwan"));
}

void EditorWindowTest::statusReasons()
{
    // One row per number of the README's status table, and two without a reason of their own.
    const std::pair<int, const char *> rows[] = {{1, "damaged"},          {2, "not a regular file"}, {3, "not enough memory"}, {4, "Another program"},
                                                 {7, "disk may be full"}, {10, "no longer exists"},  {11, "do not fit"},       {12, "read-only"},
                                                 {13, "not a picture"},   {20, "cannot hold"},       {5, "unexpected"},        {99, "unexpected"}};
    for (const auto &[status, reason] : rows) {
        // The first line stays; the reason comes second, before any further line.
        const QStringList lines = statusMessage(IDS_LOAD_ERROR_CONTINUE, status, "x.jpg").split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QString("Error %1 while loading Image x.jpg").arg(status));
        QVERIFY2(lines[1].contains(reason), qPrintable(lines[1]));
        QCOMPARE(statusMessage(IDS_SAVE_ERROR, status, "x.jpg"), QString("Error %1 while saving Image x.jpg\n").arg(status) + lines[1]);
    }
}

void EditorWindowTest::startsOnAFolderOrAPictureFromOutside()
{
    for (const auto &[path, position] : {std::pair(dir->file("img2.jpg"), "2 of 3 images"), std::pair(dir->path(), "1 of 3 images")}) {
        editor->reject();
        editor = std::make_unique<EditorDialog>(*prompt);
        editor->startPath = path;
        editor->show();
        QTRY_COMPARE(label(ids::Position)->text(), QString(position));
        QCOMPARE(edit(ids::Folder)->text(), QDir::toNativeSeparators(dir->path()));
    }
}

void EditorWindowTest::theWindowGrowsAroundItsAnchorsAndFitsASmallScreen()
{
    // Each control and how it follows a growth of 150 x 90: its left, top, right and bottom edges.
    const std::tuple<QWidget *, int, int, int, int> follows[] = {{button(ids::Start), 150, 0, 150, 0},
                                                                 {editor->folderEdit()->button(), 150, 0, 150, 0},
                                                                 {editor->control(ids::CopyrightNote), 150, 18, 150, 18},
                                                                 {caption(), 0, 0, 150, 18},
                                                                 {editor->preview(), 0, 18, 150, 90},
                                                                 {label(ids::Status), 0, 90, 150, 90},
                                                                 {box(ids::AutoSave), 0, 0, 0, 0}};
    QList<QRect> before;
    for (const auto &[control, left, top, right, bottom] : follows)
        before << control->geometry();
    const QSize start = editor->size();
    editor->resize(start + QSize(150, 90));
    for (const auto &[control, left, top, right, bottom] : follows)
        QCOMPARE(control->geometry(), before.takeFirst().adjusted(left, top, right, bottom));
    editor->resize(start - QSize(50, 50));
    QCOMPARE(editor->size(), start);

    const QSize available = editor->screen()->availableGeometry().size();
    // A font that makes the window larger than the screen shrinks the
    // minimum and the window to the screen.
    const QFont normal = QApplication::font("QDialog");
    QFont large = normal;
    large.setPointSizeF(normal.pointSizeF() * 3);
    const QSize built = DialogUnits(large).size(editorTemplate().width, editorTemplate().height);
    QVERIFY(built.width() > available.width() && built.height() > available.height());
    QApplication::setFont(large, "QDialog");
    makeEditor();
    QApplication::setFont(normal, "QDialog");
    QCOMPARE(editor->frameGeometry().size(), available); // the title bar stays on the screen
    QCOMPARE(editor->minimumSize(), editor->size());
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

void EditorWindowTest::orientation_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QByteArray>("tag"); // as stored: either byte order
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<QList<QColor>>("corners"); // top left, top right, bottom left as shown
    const QColor r(Qt::red), g(Qt::green), b(Qt::blue), w(Qt::white);
    // Stored 3 x 2: red top left, green top right, blue bottom left, white bottom right.
    QTest::newRow("1 as stored") << 1 << QByteArray("\x00\x01", 2) << QSize(3, 2) << QList<QColor>{r, g, b};
    QTest::newRow("2 mirrored") << 2 << QByteArray("\x02\x00", 2) << QSize(3, 2) << QList<QColor>{g, r, w};
    QTest::newRow("3 half turn") << 3 << QByteArray("\x00\x03", 2) << QSize(3, 2) << QList<QColor>{w, b, g};
    QTest::newRow("4 upside down") << 4 << QByteArray("\x04\x00", 2) << QSize(3, 2) << QList<QColor>{b, w, r};
    QTest::newRow("5 transposed") << 5 << QByteArray("\x00\x05", 2) << QSize(2, 3) << QList<QColor>{r, b, g};
    QTest::newRow("6 quarter right") << 6 << QByteArray("\x06\x00", 2) << QSize(2, 3) << QList<QColor>{b, r, w};
    QTest::newRow("7 transversed") << 7 << QByteArray("\x00\x07", 2) << QSize(2, 3) << QList<QColor>{w, g, b};
    QTest::newRow("8 quarter left") << 8 << QByteArray("\x08\x00", 2) << QSize(2, 3) << QList<QColor>{g, w, r};
    QTest::newRow("9 is invalid") << 1 << QByteArray("\x00\x09", 2) << QSize(3, 2) << QList<QColor>{r, g, b};
    QTest::newRow("both bytes set") << 1 << QByteArray("\x01\x01", 2) << QSize(3, 2) << QList<QColor>{r, g, b};
}

void EditorWindowTest::orientation()
{
    QFETCH(int, orientation);
    QFETCH(QByteArray, tag);
    QFETCH(QSize, shown);
    QFETCH(QList<QColor>, corners);
    QCOMPARE(orientationFromTag(tag), orientation);
    QImage stored(3, 2, QImage::Format_RGB32);
    stored.fill(Qt::white);
    stored.setPixelColor(0, 0, Qt::red);
    stored.setPixelColor(2, 0, Qt::green);
    stored.setPixelColor(0, 1, Qt::blue);
    const QImage turned = orientedImage(stored, orientation);
    QCOMPARE(turned.size(), shown);
    QCOMPARE(orientedSize(stored.size(), orientation), shown);
    QCOMPARE((QList<QColor>{turned.pixelColor(0, 0), turned.pixelColor(shown.width() - 1, 0), turned.pixelColor(0, shown.height() - 1)}), corners);
}

void EditorWindowTest::previewDrawsTheImageOnGreyAsItIsTurned()
{
    const QColor grey(128, 128, 128);
    PreviewFrame *frame = editor->preview();
    QCOMPARE(frame->grab().toImage().pixelColor(frame->width() / 2, frame->height() / 2), grey);

    QVERIFY(patternImage(50, 100).save(image(1), "JPEG", 100));
    startOn(dir->path());
    const QRect placed = frame->imageRect();
    QCOMPARE(placed, previewPlacement(frame->rect(), QSize(50, 100)));
    const QImage picture = shot();
    QCOMPARE(picture.pixelColor(placed.left() - 2, frame->height() / 2), grey);
    QCOMPARE(picture.pixelColor(placed.right() + 2, frame->height() / 2), grey);
    QVERIFY(picture.pixelColor(placed.center()) != grey);
    // A picture far wider than the frame is still shown (decoded smaller).
    QVERIFY(patternImage(4000, 8).save(image(2), "JPEG", 100));
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QVERIFY(shot().pixelColor(frame->width() / 2, frame->height() / 2) != grey);

    // A portrait photo stored on its side shows upright.
    if (!haveExifTool())
        return;
    QVERIFY(exifToolWrite(image(3), {"-Orientation#=6", "-overwrite_original"}));
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QCOMPARE(frame->imageRect(), previewPlacement(frame->rect(), QSize(80, 120)));
    QVERIFY(middle(shot()) != grey);

    // Until its decode is in, the camera's thumbnail stands in for a picture.
    TestFolder thumbnailed;
    const QString thumb = thumbnailed.file("thumb.jpg");
    QVERIFY(solid(thumb, Qt::red));
    QVERIFY(solid(thumbnailed.file("photo.jpg"), Qt::blue));
    QVERIFY(exifToolWrite(thumbnailed.file("photo.jpg"), {"-ThumbnailImage<=" + thumb, "-overwrite_original"}));
    QVERIFY(QFile::remove(thumb));
    startOn(thumbnailed.path());
    QVERIFY(middle(frame->grab().toImage()).red() > 200); // no event handled: nothing decoded yet
    QVERIFY(middle(shot()).blue() > 200);
}

void EditorWindowTest::preloadingDecodesOnlyWhatChanged_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QStringList>("decoded"); // after the step, by file name
    // Shown: img2, with img1 and img3 preloaded.
    QTest::newRow("next is ready at once") << "next" << QStringList{};
    QTest::newRow("file replaced after its preload") << "replace next" << QStringList{"img3.jpg"};
    QTest::newRow("resize decodes only the shown picture") << "resize" << QStringList{"img2.jpg"};
}

void EditorWindowTest::preloadingDecodesOnlyWhatChanged()
{
    QFETCH(QString, step);
    QFETCH(QStringList, decoded);
    startOn(dir->path());
    shot();
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    shot();
    QCOMPARE(previews().held(), PreviewCache::maxHeld);
    QSignalSpy decodes(&previews(), &PreviewCache::decoded);
    const QColor grey(128, 128, 128);
    if (step == "resize") {
        editor->resize(editor->size() + QSize(60, 40));
    } else {
        if (step == "replace next")
            QVERIFY(solid(image(3), Qt::blue));
        QTest::keyClick(editor.get(), Qt::Key_PageDown);
        // A ready preview is drawn with no wait; a stale one never.
        const QColor now = middle(editor->preview()->grab().toImage());
        QVERIFY(step == "next" ? now != grey : now == grey);
    }
    const QImage after = shot();
    QStringList names;
    for (const QList<QVariant> &signal : decodes)
        names << QFileInfo(QFile::decodeName(signal.at(0).toByteArray())).fileName();
    QCOMPARE(names, decoded);
    QVERIFY(previews().held() <= PreviewCache::maxHeld);
    if (step == "replace next")
        QVERIFY(middle(after).blue() > 200 && middle(after).red() < 60);
    else
        QVERIFY(middle(after) != grey);
}

void EditorWindowTest::aFolderChangeDropsTheDecodeUnderWay()
{
    TestFolder other;
    QVERIFY(solid(other.file("red.jpg"), Qt::red));
    QSignalSpy decodes(&previews(), &PreviewCache::decoded);
    startOn(dir->path());
    startOn(other.path()); // before the first folder's decode is in
    const QColor shown = middle(shot());
    QVERIFY(shown.red() > 200 && shown.green() < 60);
    for (const QList<QVariant> &signal : decodes)
        QVERIFY(signal.at(0).toByteArray().startsWith(QFile::encodeName(other.path())));
    QCOMPARE(previews().held(), std::size_t(1));
}

LUMICAP_WINDOW_TEST_MAIN(EditorWindowTest)
#include "EditorWindowTest.moc"

void EditorWindowTest::theFilmstripMarksEachPictureAndGoesThroughTheSaveQuestion()
{
    FilmstripModel &strip = editor->controller().filmstrip();
    const auto marks = [&](int i) { return strip.marks(i); };
    const auto settled = [&] { return QTest::qWaitFor([&] { return strip.idle() && marks(3).read && !strip.image(2).isNull(); }, 20000); };
    const auto centre = [&](int i) { return QColor(strip.image(i).pixel(strip.image(i).rect().center())); };
    QVERIFY(setTagsDirectly(image(3), "", "Artist 3", ""));
    QVERIFY(writeAll(image(4), "not a picture"));
    // A shared thumbnail of the file as it is is used (picture 2); one of the file before a change is not (picture 3).
    for (const int n : {2, 3}) {
        const QString shared = ThumbnailDiskCache::fileFor(ThumbnailDiskCache::uriOf(dir->bytePath(QString("img%1.jpg").arg(n))));
        QVERIFY(QDir().mkpath(QFileInfo(shared).path()));
        QImage marker(32, 32, QImage::Format_RGB32);
        marker.fill(Qt::green);
        marker.setText("Thumb::URI", QUrl::fromLocalFile(image(n)).toString());
        marker.setText("Thumb::MTime", QString::number(QFileInfo(image(n)).lastModified().toSecsSinceEpoch() - n + 2));
        QVERIFY(marker.save(shared));
    }
    startOn(dir->path());
    QVERIFY(settled());
    QVERIFY(centre(1) == QColor(Qt::green) && centre(2) != QColor(Qt::green));
    QVERIFY(marks(0).described && marks(1).described && !marks(2).described && !strip.image(0).isNull() && strip.image(3).isNull());
    // The one made for picture 1 is where other programs look for it, naming the file as it is.
    const QImage made(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/thumbnails/normal/"
                      + QCryptographicHash::hash(QUrl::fromLocalFile(image(1)).toEncoded(), QCryptographicHash::Md5).toHex() + ".png");
    QCOMPARE(made.text("Thumb::URI"), QUrl::fromLocalFile(image(1)).toString());
    QCOMPARE(made.text("Thumb::MTime").toLongLong(), QFileInfo(image(1)).lastModified().toSecsSinceEpoch());
    QVERIFY(made.width() == 128 && made.height() <= 128);
    // The descriptions read for the marks are offered, though not yet opened.
    type(ids::Description, "desc");
    QCOMPARE(caption()->completer()->completionCount(), 2);

    // A click goes through the save question: Cancel and a failed save stay, Yes with the thumbnail's Enter goes.
    Filmstrip *view = editor->filmstrip();
    type(ids::Description, "Typed");
    QVERIFY(strip.currentEdited());
    prompt->choices = {UserPrompt::Answer::Cancel};
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->thumbnailRect(2).center());
    prompt->answers = {QFile::setPermissions(image(1), QFile::ReadOwner)};
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->thumbnailRect(2).center());
    QVERIFY(prompt->questions.size() == 2 && strip.current() == 0 && strip.currentEdited() && marks(0).saveFailed);
    QFile::setPermissions(image(1), QFile::ReadOwner | QFile::WriteOwner);
    prompt->answers = {true};
    view->setFocus();
    view->setCurrentIndex(view->model()->index(2, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(label(ids::Position)->text(), QString("3 of 4 images"));
    QVERIFY(strip.current() == 2 && !marks(0).saveFailed && marks(0).described && !strip.currentEdited());
    type(ids::Description, "Now described");
    QTest::keyClick(editor.get(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(marks(2).described);
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QVERIFY(marks(3).unreadable && prompt->messages.size() == 2);
    editor->openBatch = [&] { QVERIFY(setTagsDirectly(image(2), "", "", "")); };
    button(ids::Batch)->click(); // what a batch changed is marked
    QTRY_VERIFY(!marks(1).described);

    // Hidden by its key, the preview takes its room, and it stays hidden.
    const int bottom = editor->preview()->geometry().bottom();
    QTest::keyClick(editor.get(), Qt::Key_T, Qt::ControlModifier);
    QVERIFY(!view->isVisible() && editor->preview()->geometry().bottom() > bottom);
    makeEditor();
    QVERIFY(!editor->filmstrip()->isVisible() && settings()->value("Filmstrip").toInt() == 0);
}
