#include "batch/ApplyDialog.h"
#include "batch/BatchDialog.h"
#include "widgets/BrowseEdit.h"
#include "resources/ControlIds.h"
#include "metadata/MetadataFields.h"
#include "batch/ProgressWindow.h"
#include "batch/ReplaceDialog.h"
#include "ScriptedPicker.h"
#include "ScriptedPrompt.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QStandardPaths>
#include <QtTest>

#include "TestSettings.h"
#include "WindowTestMain.h"

#include <memory>

using namespace lumicap;
using namespace lumicap::test;

class BatchWindowTest : public QObject
{
    Q_OBJECT

    static std::unique_ptr<QSettings> settings() { return test::programSettings(); }

    template <typename T>
    static T *child(QWidget *w, int id)
    {
        return w->findChild<T *>(QString::number(id));
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { settings()->remove(""); }

    void progressWindowDefaultsClampAndCancel();
    void progressWindowLeavesOrEnablesTheMainWindow();
    void settingsAreReadAtOpeningAndWrittenByAnAcceptedStart();
    void startChecksItsFields();
    void aRunShowsProgressAndCannotBeDisturbed();
    void cancelStopsTheRun();
    void whatARunCouldNotDoIsExplained();
    void replaceListsMarkedChangesAndSavesTheTickedOnes();
    void applyToAllFillsInPatternsWhereFieldsAreEmpty();
};

void BatchWindowTest::progressWindowDefaultsClampAndCancel()
{
    int flag = 1;
    ProgressWindow defaults(&flag, QString(), QString(), nullptr);
    QCOMPARE(defaults.window()->windowTitle(), QString("Working"));
    QCOMPARE(child<QLabel>(defaults.window(), ids::ProgressText)->text(), QString("Click Cancel to cancel the operation"));

    ProgressWindow empty(&flag, "Working...", QStringLiteral(""), nullptr);
    QCOMPARE(child<QLabel>(empty.window(), ids::ProgressText)->text(), QString());
    QProgressBar *bar = child<QProgressBar>(empty.window(), ids::ProgressBar);
    empty.setProgressPos(-5);
    QCOMPARE(bar->value(), 0);
    empty.setProgressPos(150);
    QCOMPARE(bar->value(), 100);

    QTest::keyClick(empty.window(), Qt::Key_Escape);
    QCOMPARE(flag, 0);
    QVERIFY(!empty.isShown());
    flag = 5;
    empty.setProgressText("late");
    empty.setProgressPos(10);
    empty.closeProgress();
    empty.cancelProgress();
    QCOMPARE(flag, 5); // nothing happens once closed

    ProgressWindow noFlag(nullptr, QString(), QString(), nullptr);
    child<QPushButton>(noFlag.window(), ids::Cancel)->click();
    QVERIFY(!noFlag.isShown());
}

void BatchWindowTest::progressWindowLeavesOrEnablesTheMainWindow()
{
    QWidget main;
    main.show();
    {
        ProgressWindow untouched(nullptr, QString(), QString(), nullptr);
        main.setEnabled(false);
        untouched.closeProgress();
        QVERIFY(!main.isEnabled()); // not its business
    }
    {
        ProgressWindow disabling(nullptr, QString(), QString(), &main); // main was already disabled
        QVERIFY(!main.isEnabled());
        disabling.closeProgress();
        QVERIFY(main.isEnabled()); // closing always enables it
    }
    {
        int flag = 1;
        auto window = std::make_unique<ProgressWindow>(&flag, QString(), QString(), &main);
        QVERIFY(!main.isEnabled());
        window.reset(); // destroying closes
        QVERIFY(main.isEnabled());
    }
}

void BatchWindowTest::settingsAreReadAtOpeningAndWrittenByAnAcceptedStart()
{
    TestFolder dir;
    settings()->setValue("BArtist", "Stored artist");
    settings()->setValue("BCopyr", "Stored copyright");
    settings()->setValue("BRemoveAllExif", 1);
    settings()->setValue("BAllCopies", 1);
    settings()->setValue("BFile", dir.file("missing.txt"));
    ScriptedPrompt prompt;
    {
        BatchDialog dialog(prompt, nullptr);
        const auto labels = dialog.findChildren<QLabel *>(); // the four numbered instructions in the window's font
        const auto numbered = [&](QLabel *l) { return l->text().contains(QRegularExpression("^\\d\\. ")) && l->font() == dialog.font(); };
#ifndef _WIN32 // elsewhere the machine's fonts decide which lines must shrink to fit
        QCOMPARE(std::count_if(labels.begin(), labels.end(), numbered), 4);
#endif
        QCOMPARE(dialog.listEdit()->filter(), QString("Descriptions (*.txt;*.ion)|*.txt;*.ion|All Files (*.*)|*.*||"));
        QVERIFY(dialog.listEdit()->button() && dialog.listEdit()->showHidden()); // list files are often hidden
        QVERIFY(child<QPushButton>(&dialog, ids::Start)->isDefault());
        QCOMPARE(child<QLineEdit>(&dialog, ids::BatchArtist)->text(), QString("Stored artist"));
        QVERIFY(child<QCheckBox>(&dialog, ids::BatchRemoveAllExif)->isChecked() && child<QCheckBox>(&dialog, ids::BatchAllCopies)->isChecked());
        child<QLineEdit>(&dialog, ids::BatchArtist)->setText("Changed, not started");
        static_cast<QDialog &>(dialog).open(); // shows the window, starts nothing
        QVERIFY(dialog.isVisible() && !dialog.progressWindow());
        dialog.reject();
    }
    QCOMPARE(settings()->value("BArtist").toString(), QString("Stored artist")); // closing writes nothing

    BatchDialog dialog(prompt, nullptr);
    child<QLineEdit>(&dialog, ids::BatchArtist)->setText("New artist");
    child<QCheckBox>(&dialog, ids::BatchRemoveAllExif)->setChecked(false);
    child<QCheckBox>(&dialog, ids::BatchAllCopies)->setChecked(false);
    dialog.start(); // the list file is missing, yet the settings are written
    QCOMPARE(prompt.messages, QStringList{"Can't find file " + dir.file("missing.txt")});
    QCOMPARE(settings()->value("BArtist").toString(), QString("New artist"));
    QCOMPARE(settings()->value("BRemoveAllExif").toInt() + settings()->value("BAllCopies").toInt(), 0);
    QCOMPARE(settings()->value("BFile").toString(), dir.file("missing.txt"));
    settings()->setValue("ImgFolder", dir.path());
    ScriptedPicker picker;
    for (const QString &list : {dir.file("missing.txt"), QString()}) { // where the last list was, or among the pictures
        BatchDialog again(prompt, nullptr);
        again.listEdit()->setText(list);
        again.listEdit()->setPicker(&picker);
        again.listEdit()->browse();
        QCOMPARE(picker.startFolder, dir.path());
    }
}

void BatchWindowTest::startChecksItsFields()
{
    settings()->setValue("BArtist", QString(jpegFieldBytes + 1, 'a')); // only a stored value can be this long
    ScriptedPrompt prompt;
    BatchDialog dialog(prompt, nullptr);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.start();
    QCOMPARE(prompt.messages,
             QStringList{"The artist of a batch takes at most 60000 bytes, what every picture can hold, and this text needs 1 more."});
    QLineEdit *artist = child<QLineEdit>(&dialog, ids::BatchArtist);
    QCOMPARE(QApplication::focusWidget(), artist);
    QCOMPARE(artist->selectedText().size(), jpegFieldBytes + 1);
    QVERIFY(!settings()->contains("BFile"));

    // Typed and pasted texts take what the editor's fields take; a paste
    // past it is refused whole, and said.
    QLineEdit *copyright = child<QLineEdit>(&dialog, ids::BatchCopyright);
    QTest::keyClicks(copyright, QString(300, 'c'));
    QCOMPARE(copyright->text().size(), 300);
    QApplication::clipboard()->setText(QString(jpegFieldBytes / 2 - 150, QChar(0xE9)) + "!"); // two bytes each
    copyright->paste();
    QCOMPARE(copyright->text().size(), 300);
    QCOMPARE(prompt.messages.value(1),
             QString("The copyright of a batch takes at most 60000 bytes, what every picture can hold, and this text needs 1 more."));

    artist->setText("Ann");
    dialog.listEdit()->setText("");
    dialog.start();
    QCOMPARE(prompt.messages.value(2), QString("File name is empty. Insert a file name and try again."));
    QCOMPARE(QApplication::focusWidget(), dialog.listEdit());
    QVERIFY(!settings()->contains("BFile")); // nothing saved
}

void BatchWindowTest::aRunShowsProgressAndCannotBeDisturbed()
{
    TestFolder dir;
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.file("state")));
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        QVERIFY(writeJpeg(dir.file(name)));
    QVERIFY(writeAll(dir.file("DESCRIPT.ION"), "a.jpg A\nb.jpg B\nc.jpg C\n"));
    QWidget editor;
    editor.show();
    ScriptedPrompt prompt;
    BatchDialog dialog(prompt, &editor);
    dialog.show();
    dialog.listEdit()->setText(dir.file("DESCRIPT.ION"));
    child<QLineEdit>(&dialog, ids::BatchArtist)->setText("Ann");

    QList<int> positions;
    bool editorDisabled = true, buttonsResting = true, progressShown = true;
    QTimer probe;
    connect(&probe, &QTimer::timeout, [&] {
        if (!dialog.isRunning() || !dialog.progressWindow())
            return;
        QProgressBar *bar = child<QProgressBar>(dialog.progressWindow()->window(), ids::ProgressBar);
        if (positions.isEmpty() || positions.last() != bar->value())
            positions << bar->value();
        editorDisabled = editorDisabled && !editor.isEnabled();
        buttonsResting
            = buttonsResting && !child<QPushButton>(&dialog, ids::Start)->isEnabled() && !child<QPushButton>(&dialog, ids::Cancel)->isEnabled();
        progressShown = progressShown && dialog.progressWindow()->window()->isVisible();
        dialog.reject(); // Escape during a run changes nothing
        dialog.start();
    });
    probe.start(0);
    dialog.start();
    probe.stop();

    QCOMPARE(positions, (QList<int>{33, 66, 100}));
    QVERIFY(editorDisabled && buttonsResting && progressShown);
    QVERIFY(editor.isEnabled());
    QVERIFY(dialog.isVisible());
    QVERIFY(child<QPushButton>(&dialog, ids::Start)->isEnabled());
    QCOMPARE(dialog.lastSummary().saved, 3);
    QCOMPARE(tagsDirectly(dir.file("b.jpg")), (QList<QByteArray>{"B", "Ann", ""}));
    QCOMPARE(prompt.information, QStringList{"3 saved, 0 skipped, 0 failed"}); // the summary box, with the information sign

    // The run can be taken back, once.
    QPushButton *undo = child<QPushButton>(&dialog, ids::UndoBatch);
    QVERIFY(undo->isEnabled());
    undo->click();
    QCOMPARE(tagsDirectly(dir.file("b.jpg")), (QList<QByteArray>{"", "", ""}));
    QCOMPARE(prompt.information.value(1), QString("3 pictures put back as they were before the batch."));
    QVERIFY(!undo->isEnabled());
}

void BatchWindowTest::cancelStopsTheRun()
{
    TestFolder dir;
    QByteArray list;
    for (int i = 0; i < 6; ++i) {
        QVERIFY(writeJpeg(dir.file(QString("%1.jpg").arg(i))));
        list += QByteArray::number(i) + ".jpg Described\n";
    }
    QVERIFY(writeAll(dir.file("list.txt"), list));
    ScriptedPrompt prompt;
    BatchDialog dialog(prompt, nullptr);
    dialog.listEdit()->setText(dir.file("list.txt"));
    QTimer canceller;
    connect(&canceller, &QTimer::timeout, [&] {
        if (dialog.progressWindow() && dialog.progressWindow()->isShown()) {
            child<QPushButton>(dialog.progressWindow()->window(), ids::Cancel)->click();
            canceller.stop();
        }
    });
    canceller.start(0);
    dialog.start();
    QVERIFY(dialog.lastSummary().cancelled);
    QVERIFY(dialog.lastSummary().saved < 6);
    const int saved = dialog.lastSummary().saved;
    QCOMPARE(prompt.information, QStringList{QString("%1 saved, 0 skipped, 0 failed, %2 not reached\nCancelled.").arg(saved).arg(6 - saved)});
    QCOMPARE(tagsDirectly(dir.file("5.jpg")).value(0), QByteArray());
    QVERIFY(!dialog.progressWindow());
}

// The window says in words what a status means, under the numbered line, and
// names the pictures whose copies of the caption it could not read.
void BatchWindowTest::whatARunCouldNotDoIsExplained()
{
    TestFolder dir;
    QVERIFY(writeJpeg(dir.file("a.jpg")));
    QVERIFY(writeAll(dir.file("list.txt"), "gone.jpg A caption\nempty.jpg\na.jpg Second\n") && writeAll(dir.file("empty.jpg"), ""));
    QVERIFY(writeAll(dir.file("binary.ion"), QByteArray("a.jpg x\n\0", 9)));
    ScriptedPrompt prompt;
    BatchDialog dialog(prompt, nullptr);
    dialog.listEdit()->setText(dir.file("binary.ion"));
    dialog.start(); // refused, as by lumicap-tags
    dialog.listEdit()->setText(dir.file("list.txt"));
    child<QCheckBox>(&dialog, ids::BatchAllCopies)->setChecked(true); // a.jpg gets an XMP copy
    prompt.answers = {true, true, true, true};
    dialog.start();
    QVERIFY(writeAll(dir.file("a.jpg"), readAll(dir.file("a.jpg")).replace("</dc:description>", "</dX:description>")));
    dialog.start();
    const QStringList lines = prompt.questions.value(0).split('\n');
    QCOMPARE(lines.value(0), QString("Error 10 while loading Image ") + QDir::toNativeSeparators(dir.file("gone.jpg")));
    QCOMPARE(lines.value(1), QString("There is no file of that name."));
    QCOMPARE(prompt.questions.value(1).split('\n').value(1), QString("The file is empty."));
    QCOMPARE(prompt.messages,
             (QStringList{dir.file("binary.ion") + " is not an image list: it holds binary data", "1 saved, 2 skipped, 0 failed",
                          "1 saved, 2 skipped, 0 failed\nCopies of the captions that cannot be read were left as they were; "
                          "other programs may still show the old text:\n"
                              + QDir::toNativeSeparators(dir.file("a.jpg")) + ": XMP"}));
}

void BatchWindowTest::replaceListsMarkedChangesAndSavesTheTickedOnes()
{
    TestFolder dir;
    std::vector<QByteArray> pictures;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"}) {
        QVERIFY(writeJpeg(dir.file(name)) && setTagsDirectly(dir.file(name), "Ann <Exampel> at sea", "Exampel", ""));
        pictures.push_back(dir.bytePath(name));
    }
    ScriptedPrompt prompt;
    ReplaceDialog dialog(prompt, pictures, false, nullptr);
    child<QLineEdit>(&dialog, ids::ReplaceFind)->setText("exampel");
    child<QLineEdit>(&dialog, ids::ReplaceWith)->setText("Example");
    child<QCheckBox>(&dialog, ids::ReplaceIgnoreCase)->setChecked(true);
    child<QPushButton>(&dialog, ids::ReplaceFindAll)->click();
    QTreeWidget *list = dialog.changeList();
    QCOMPARE(list->topLevelItemCount(), 6);
    QCOMPARE(qobject_cast<QLabel *>(list->itemWidget(list->topLevelItem(0), 3))->text(),
             QString("Ann &lt;<b style=\"background:#c8f0c8\">Example</b>&gt; at sea"));
    list->topLevelItem(3)->setCheckState(0, Qt::Unchecked); // b.jpg's artist
    child<QPushButton>(&dialog, ids::Start)->click();
    QCOMPARE(prompt.information, QStringList{"3 saved, 0 skipped, 0 failed"});
    QCOMPARE(tagsDirectly(dir.file("b.jpg")), (QList<QByteArray>{"Ann <Example> at sea", "Exampel", ""}));
    QCOMPARE(tagsDirectly(dir.file("c.jpg")), (QList<QByteArray>{"Ann <Example> at sea", "Example", ""}));
    child<QPushButton>(&dialog, ids::UndoBatch)->click();
    QCOMPARE(tagsDirectly(dir.file("c.jpg")), (QList<QByteArray>{"Ann <Exampel> at sea", "Exampel", ""}));
    QCOMPARE(prompt.information.value(1), QString("3 pictures put back as they were before the batch."));
}

void BatchWindowTest::applyToAllFillsInPatternsWhereFieldsAreEmpty()
{
    TestFolder dir;
    QVERIFY(writeJpeg(dir.file("a_b.jpg")) && writeJpeg(dir.file("c.jpg")) && setTagsDirectly(dir.file("c.jpg"), "Own", "", ""));
    ScriptedPrompt prompt;
    ApplyDialog dialog(prompt, {dir.bytePath("a_b.jpg"), dir.bytePath("c.jpg")}, false, nullptr);
    child<QLineEdit>(&dialog, ids::ApplyDescriptionText)->setText("{stem:words} {nope}");
    child<QCheckBox>(&dialog, ids::ApplyDescription)->setChecked(true);
    child<QCheckBox>(&dialog, ids::ApplyOnlyEmpty)->setChecked(true);
    child<QPushButton>(&dialog, ids::Start)->click();
    QVERIFY(prompt.messages.value(0).startsWith("Unknown field {nope}."));
    QCOMPARE(tagsDirectly(dir.file("a_b.jpg")).value(0), QByteArray());
    child<QLineEdit>(&dialog, ids::ApplyDescriptionText)->setText("{stem:words} {n}");
    child<QPushButton>(&dialog, ids::Start)->click();
    QCOMPARE(tagsDirectly(dir.file("a_b.jpg")).value(0), QByteArray("a b 1"));
    QCOMPARE(tagsDirectly(dir.file("c.jpg")).value(0), QByteArray("Own"));
    QCOMPARE(prompt.information, QStringList{"1 saved, 0 skipped, 0 failed"}); // c.jpg had its own
    child<QPushButton>(&dialog, ids::UndoBatch)->click();
    QCOMPARE(tagsDirectly(dir.file("a_b.jpg")).value(0), QByteArray());
    QVERIFY(!child<QPushButton>(&dialog, ids::UndoBatch)->isEnabled());
}

LUMICAP_WINDOW_TEST_MAIN(BatchWindowTest)
#include "BatchWindowTest.moc"
