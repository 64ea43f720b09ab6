#include "BatchDialog.h"
#include "BrowseEdit.h"
#include "ControlIds.h"
#include "ProgressWindow.h"
#include "ScriptedPicker.h"
#include "ScriptedPrompt.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include "TestSettings.h"

#include <memory>

using namespace lumicap;
using namespace lumicap::test;

class BatchWindowTest : public QObject
{
    Q_OBJECT

    static std::unique_ptr<QSettings> settings() { return test::programSettings(); }

    template <typename T> static T *child(QWidget *w, int id) { return w->findChild<T *>(QString::number(id)); }

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
    empty.SetProgressPos(-5);
    QCOMPARE(bar->value(), 0);
    empty.SetProgressPos(150);
    QCOMPARE(bar->value(), 100);

    QTest::keyClick(empty.window(), Qt::Key_Escape);
    QCOMPARE(flag, 0);
    QVERIFY(!empty.isShown());
    flag = 5;
    empty.SetProgressText("late");
    empty.SetProgressPos(10);
    empty.CloseProgress();
    empty.CancelProgress();
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
        untouched.CloseProgress();
        QVERIFY(!main.isEnabled()); // not its business
    }
    {
        ProgressWindow disabling(nullptr, QString(), QString(), &main); // main was already disabled
        QVERIFY(!main.isEnabled());
        disabling.CloseProgress();
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
    settings()->setValue("BArtist", QString(300, 'a')); // only a stored value can be this long
    ScriptedPrompt prompt;
    BatchDialog dialog(prompt, nullptr);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.start();
    QCOMPARE(prompt.messages, QStringList{"Please enter no more than 255 characters."});
    QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(&dialog, ids::BatchArtist));
    QCOMPARE(child<QLineEdit>(&dialog, ids::BatchArtist)->selectedText().size(), 300);
    QVERIFY(!settings()->contains("BFile"));

    child<QLineEdit>(&dialog, ids::BatchArtist)->setText("Ann");
    dialog.listEdit()->setText("");
    dialog.start();
    QCOMPARE(prompt.messages.value(1), QString("File name is empty. Insert a file name and try again."));
    QCOMPARE(QApplication::focusWidget(), dialog.listEdit());
    QVERIFY(!settings()->contains("BFile")); // nothing saved
}

void BatchWindowTest::aRunShowsProgressAndCannotBeDisturbed()
{
    TestFolder dir;
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
        buttonsResting = buttonsResting && !child<QPushButton>(&dialog, ids::Start)->isEnabled()
                         && !child<QPushButton>(&dialog, ids::Cancel)->isEnabled();
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
    QCOMPARE(prompt.messages, (QStringList{dir.file("binary.ion") + " is not an image list: it holds binary data", "1 saved, 2 skipped, 0 failed",
                                           "1 saved, 2 skipped, 0 failed\nCopies of the captions that cannot be read were left as they were; "
                                           "other programs may still show the old text:\n" + QDir::toNativeSeparators(dir.file("a.jpg")) + ": XMP"}));
}

QTEST_MAIN(BatchWindowTest)
#include "BatchWindowTest.moc"
