#include "auxiliary/AboutDialog.h"
#include "auxiliary/CStaticLink.h"
#include "resources/ControlIds.h"
#include "editor/EditorDialog.h"
#include "app/ImagingCheck.h"
#include "app/LumicapApp.h"
#include "auxiliary/MissingImagingDialog.h"
#include "auxiliary/StartupWarning.h"
#include "auxiliary/VersionBlock.h"
#include "auxiliary/WarningDialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include "TestSettings.h"
#include "WindowTestMain.h"

#include <memory>

using namespace lumicap;

class AppStartTest : public QObject
{
    Q_OBJECT

    static std::unique_ptr<QSettings> settings() { return test::programSettings(); }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { settings()->remove(""); }

    void imagingNeedsTheJpegAndTiffReaders();
    void withoutImagingOnlyTheMissingImagingDialogShows();
    void theEditorRunsAndTheWarningFollowsItsCycle();
    void commandLine_data();
    void commandLine();
    void warningCycle_data();
    void warningCycle();
    void aboutBoxShowsTheVersionAndTheLink();
    void versionLine_data();
    void versionLine();
    void linkOpensCopiesAndChangesColour();
};

void AppStartTest::imagingNeedsTheJpegAndTiffReaders()
{
    QVERIFY(imagingAvailable({"png", "jpeg", "tiff"}));
    QVERIFY(!imagingAvailable({"png", "jpeg"}));
    QVERIFY(!imagingAvailable({"tiff"}));
    QVERIFY(imagingAvailable()); // the machine the tests run on has them
}

void AppStartTest::withoutImagingOnlyTheMissingImagingDialogShows()
{
    LumicapApp app;
    QStringList shown;
    app.imagingPresent = [] { return false; };
    app.runModal = [&](QDialog &d) {
        shown << d.metaObject()->className();
        return 0;
    };
    QCOMPARE(app.run(), 1);
    QCOMPARE(shown, QStringList{"lumicap::MissingImagingDialog"});
    QVERIFY(!app.editorShown());
    QCOMPARE(settings()->allKeys(), QStringList()); // nothing written
}

void AppStartTest::theEditorRunsAndTheWarningFollowsItsCycle()
{
    LumicapApp app;
    QStringList shown;
    app.imagingPresent = [] { return true; };
    app.runModal = [&](QDialog &d) -> int {
        shown << d.metaObject()->className();
        if (auto *warning = qobject_cast<WarningDialog *>(&d)) {
            warning->findChild<QCheckBox *>(QString::number(ids::DontShow))->setChecked(true);
            warning->accept();
            return 1;
        }
        d.show();
        (void)QTest::qWaitFor([&] { return shown.size() == 2; }); // the deferred start-up shows the warning
        d.reject();
        return 0;
    };
    QCOMPARE(app.run(), 0);
    QVERIFY(app.editorShown());
    QCOMPARE(shown, (QStringList{"lumicap::EditorDialog", "lumicap::WarningDialog"}));
    QCOMPARE(settings()->value("ShowWarning").toInt(), 0);
    QVERIFY(settings()->contains("ImgFolder")); // written on close
}

void AppStartTest::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode"); // -1: the window starts
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("startPath");
    QTest::newRow("nothing") << QStringList{} << -1 << ""
                             << "";
    QTest::newRow("a folder") << QStringList{"/photos"} << -1 << ""
                              << "/photos";
    QTest::newRow("a picture") << QStringList{"p.jpg"} << -1 << ""
                               << "p.jpg";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "[FOLDER|FILE]"
                            << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << " 1.0.0.1\n"
                               << "";
    QTest::newRow("unknown option") << QStringList{"--bogus", "/photos"} << 2 << "bogus"
                                    << "";
}

void AppStartTest::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, startPath);
    LumicapApp app;
    QString printed;
    QCOMPARE(app.takeArguments(QStringList{"lumicap"} + arguments, printed).value_or(-1), exitCode);
    QVERIFY2(printed.contains(output), qPrintable(printed));
    QCOMPARE(app.startPath, startPath);
}

void AppStartTest::warningCycle_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("ok"); // else Escape; the box is ticked either way
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("written");
    QTest::newRow("absent, OK with the box") << QVariant() << true << true << 0;
    QTest::newRow("absent, Escape takes no box") << QVariant() << false << true << 1;
    QTest::newRow("7 counts as 1") << QVariant(7) << false << true << 1;
    QTest::newRow("0: never again") << QVariant(0) << true << false << 0;
}

void AppStartTest::warningCycle()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, ok);
    QFETCH(bool, shown);
    QFETCH(int, written);
    if (stored.isValid())
        settings()->setValue("ShowWarning", stored);
    bool wasShown = false;
    runStartupWarning([&] {
        wasShown = true;
        WarningDialog warning;
        warning.findChild<QCheckBox *>(QString::number(ids::DontShow))->setChecked(true);
        warning.show();
        if (ok)
            warning.findChild<QPushButton *>(QString::number(ids::Ok))->click();
        else
            QTest::keyClick(&warning, Qt::Key_Escape);
        return warning.dontShow();
    });
    QCOMPARE(wasShown, shown);
    QCOMPARE(settings()->value("ShowWarning").toInt(), written);
}

void AppStartTest::aboutBoxShowsTheVersionAndTheLink()
{
    AboutDialog about;
    QCOMPARE(about.findChild<QLabel *>(QString::number(ids::VersionLine))->text(), QString("Lumicap Version 1.0.0"));
    auto *link = about.findChild<CStaticLink *>(QString::number(ids::Link));
    QVERIFY(link);
    QVERIFY(link->target().startsWith("https://") && link->target().contains(".example"));
    QCOMPARE(link->text(), link->target());
    QCOMPARE(link->colour(), CStaticLink::unvisitedColour);
    about.show();
    QTRY_VERIFY(link->toolTip().contains("right click to copy the link into the clipboard"));
    QVERIFY(link->font().underline());
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
}

void AppStartTest::versionLine_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QList<int>>("parts");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1.0.0.1") << "Lumicap Version %d.%d.%d" << QList<int>{1, 0, 0, 1} << "Lumicap Version 1.0.0";
    QTest::newRow("2.5.3.7") << "Lumicap Version %d.%d.%d" << QList<int>{2, 5, 3, 7} << "Lumicap Version 2.5.3";
    QTest::newRow("no version") << "Lumicap Version %d.%d.%d" << QList<int>{} << "Lumicap Version 0.0.0";
    QTest::newRow("no placeholders") << "Lumicap" << QList<int>{2, 5, 3, 7} << "Lumicap";
    QTest::newRow("not a printf hole") << "%s %d%% %x" << QList<int>{4, 0, 0, 0} << "%s 4% %x";
}

void AppStartTest::versionLine()
{
    QFETCH(QString, format);
    QFETCH(QList<int>, parts);
    QFETCH(QString, expected);
    std::optional<VersionBlock> version;
    if (!parts.isEmpty()) {
        version = VersionBlock{};
        for (int i = 0; i < 4; ++i)
            version->parts[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(parts[i]);
    }
    QCOMPARE(formatVersionLine(format, version), expected);
    AboutDialog about(nullptr, version);
    if (format.startsWith("Lumicap Version"))
        QCOMPARE(about.findChild<QLabel *>(QString::number(ids::VersionLine))->text(), expected);
}

void AppStartTest::linkOpensCopiesAndChangesColour()
{
    MissingImagingDialog missing;
    CStaticLink *link = missing.link();
    QStringList opened;
    bool succeed = false;
    link->setOpener([&](const QString &target) {
        opened << target;
        return succeed;
    });
    missing.show();
    QVERIFY(QTest::qWaitForWindowExposed(&missing));

    QTest::mouseClick(link, Qt::LeftButton); // fails: beeps, stays blue
    QCOMPARE(opened.size(), 1);
    QCOMPARE(link->colour(), CStaticLink::unvisitedColour);
    succeed = true;
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(link->colour(), CStaticLink::visitedColour);
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(128, 0, 128));
    succeed = false;
    QTest::mouseClick(link, Qt::LeftButton); // a later failure keeps it purple
    QCOMPARE(link->colour(), CStaticLink::visitedColour);

    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(link, Qt::RightButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), link->target());
    QCOMPARE(opened.size(), 3);

    CStaticLink bare; // no target: the text becomes the target and stays
    bare.setOpener([&](const QString &target) {
        opened << target;
        return true;
    });
    bare.setText("https://one.example/");
    QTest::mouseClick(&bare, Qt::LeftButton);
    bare.setText("https://two.example/");
    QTest::mouseClick(&bare, Qt::LeftButton);
    QCOMPARE(opened.mid(3), (QStringList{"https://one.example/", "https://one.example/"}));

    CStaticLink empty; // neither target nor text: nothing at all
    empty.setOpener([&](const QString &) {
        opened << "called";
        return true;
    });
    QGuiApplication::clipboard()->setText("before");
    QTest::mouseClick(&empty, Qt::LeftButton);
    QTest::mouseClick(&empty, Qt::RightButton);
    QCOMPARE(opened.size(), 5);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("before"));
}

LUMICAP_WINDOW_TEST_MAIN(AppStartTest)
#include "AppStartTest.moc"
