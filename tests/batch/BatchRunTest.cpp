#include "batch/BatchRun.h"
#include "batch/FindReplace.h"
#include "SaveTestSupport.h"
#include "ScriptedPrompt.h"
#include "TestFiles.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include <cstdio>

#ifndef _WIN32
#include <sys/resource.h>
#endif

using namespace lumicap;
using namespace lumicap::test;

// Records what a run shows (outside the unnamed namespace, as the fixture
// that holds one is).
class RecordingProgress : public BatchProgress
{
public:
    QStringList events;
    std::function<void(const QString &, int)> onUpdate;

    void begin() override { events << "open"; }
    void showImage(const QString &name, int position) override
    {
        events << QString("%1 %2").arg(position).arg(name);
        if (onUpdate)
            onUpdate(name, position);
    }
    void end() override { events << "close"; }
    bool cancelled() const override { return false; }
    void afterImage() override {}
};

namespace {

const BatchOptions annsOptions{"Ann", "(c) Ann", false};
const QList<QByteArray> oldTags{"Old", "Old artist", "Old copyright"};

// A file of the given length that holds `head` and then zeros, without
// taking the room on disk.
bool sparseFile(const QString &path, const QByteArray &head, qint64 length)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(head) == head.size() && f.resize(length);
}
} // namespace

// The images live in pics/ beside the list; secret.jpg lies outside it.
// b.jpg holds old tags of its own.
class ABatchRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(dir.path()).mkpath("pics/sub"));
        for (const char *name : {"pics/a.jpg", "pics/b.jpg", "pics/c.jpg", "secret.jpg"})
            ASSERT_TRUE(writeJpeg(dir.file(name)));
        ASSERT_TRUE(writeTiff(dir.file("pics/sub/d.tif")));
        ASSERT_TRUE(setTagsDirectly(pics("b.jpg"), oldTags[0], oldTags[1], oldTags[2]));
    }

    QString pics(const QString &name) const { return dir.file("pics/" + name); }
    QByteArray listPath() const { return dir.bytePath("pics/DESCRIPT.ION"); }
    BatchSummary run(const QByteArray &listText, const BatchOptions &options = annsOptions)
    {
        EXPECT_TRUE(writeAll(QFile::decodeName(listPath()), listText));
        ListFileReader list;
        EXPECT_EQ(list.open(listPath()), ImageStatus::Ok);
        return BatchRun(prompt, progress).runListFile(list, listPath(), options);
    }
    QByteArray description(const QString &name) { return tagsDirectly(pics(name)).value(0); }

    TestFolder dir;
    ScriptedPrompt prompt;
    RecordingProgress progress;
};

TEST_F(ABatchRun, showsEachImageBeforeItIsProcessed)
{
    QStringList savedWhenShown;
    progress.onUpdate = [&](const QString &name, int) { savedWhenShown << description(name); };
    const BatchSummary summary = run("a.jpg First\nb.jpg Second\n\"c.jpg\" Third\n");
    EXPECT_EQ(progress.events, (QStringList{"open", "33 a.jpg", "66 b.jpg", "100 c.jpg", "close"}));
    EXPECT_EQ(savedWhenShown, (QStringList{"", "Old", ""}));
    EXPECT_EQ(summary.saved, 3);
    EXPECT_EQ(prompt.messages + prompt.questions, QStringList());
}

// Pictures are saved a group at a time, across folders; those in hand are
// saved before a question, and none after it before the answer.
TEST_F(ABatchRun, savesInGroupsAndWhatCameBeforeAQuestion)
{
    QStringList names;
    QByteArray list;
    for (int i = 0; i < 20; ++i) {
        names << QString(i % 2 ? "sub/%1.jpg" : "%1.jpg").arg(i);
        ASSERT_TRUE(writeJpeg(pics(names.last())));
        list += names.last().toUtf8() + " Text " + QByteArray::number(i) + "\n";
        if (i == 17)
            list += "missing.jpg M\n";
    }
    QList<QByteArray> whenAsked, expected;
    prompt.onQuestion = [&] {
        for (const QString &name : names)
            whenAsked << description(name);
    };
    prompt.answers = {true};
    const BatchSummary summary = run(list);
    for (int i = 0; i < 20; ++i) {
        expected << (i <= 17 ? "Text " + QByteArray::number(i) : QByteArray());
        EXPECT_EQ(description(names[i]), "Text " + QByteArray::number(i));
    }
    EXPECT_EQ(whenAsked, expected);
    EXPECT_EQ(summary.saved, 20);
    EXPECT_EQ(summary.skipped, 1);
}

TEST_F(ABatchRun, removesOtherExifFieldsWithItsOwnOption)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    ASSERT_TRUE(exifToolWrite(pics("c.jpg"), {"-IFD0:Make=Kestrel"}));
    run("c.jpg Removed make\n", {"", "", true});
    EXPECT_EQ(exifToolValue(pics("c.jpg"), "Make"), std::nullopt);
}

// Lists and what they leave in the pictures. Names in `files` are made
// (UTF-8 on disk, as file names are here) before the run; `byteFiles` under
// names that are not UTF-8. Each question is checked by how it begins.
struct ListRunCase
{
    const char *what;
    QByteArray list;
    BatchOptions options;
    QList<bool> answers;
    int saved, skipped, failed;
    std::map<QString, QList<QByteArray>> tags;
    QStringList questions;
    QStringList files;
    QList<QByteArray> byteFiles;
    QStringList readOnly;
};

void PrintTo(const ListRunCase &c, std::ostream *os)
{
    *os << c.what;
}

class ABatchList : public ABatchRun, public ::testing::WithParamInterface<ListRunCase>
{};

TEST_P(ABatchList, leavesWhatItsListSays)
{
    const ListRunCase &c = GetParam();
#ifdef _WIN32
    if (!c.byteFiles.isEmpty())
        GTEST_SKIP() << "Windows names are UTF-16: no file is named by other bytes";
#endif
    for (const QString &name : c.files)
        ASSERT_TRUE(writeJpeg(pics(name)));
    for (const QByteArray &name : c.byteFiles)
        ASSERT_TRUE(writeJpeg(pics("made.jpg"))
                    && ::rename(dir.bytePath("pics/made.jpg").constData(), (dir.bytePath("pics/") + name).constData()) == 0);
    for (const QString &name : c.readOnly)
        QFile::setPermissions(pics(name), QFile::ReadOwner);
    const QByteArray secret = readAll(dir.file("secret.jpg"));
    prompt.answers = c.answers;
    const BatchSummary summary = run(QByteArray(c.list).replace("$DIR", dir.bytePath("")), c.options);
    EXPECT_EQ(summary.saved, c.saved);
    EXPECT_EQ(summary.skipped, c.skipped);
    EXPECT_EQ(summary.failed, c.failed);
    EXPECT_EQ(summary.saved + summary.skipped + summary.failed + summary.notReached, int(ListFileParser::parse(c.list).size()));
    for (const auto &[name, tags] : c.tags)
        EXPECT_EQ(tagsDirectly(pics(name)), tags) << name.toStdString();
    ASSERT_EQ(prompt.questions.size(), c.questions.size()) << prompt.questions.join('|').toStdString();
    for (int i = 0; i < c.questions.size(); ++i)
        EXPECT_TRUE(prompt.questions[i].startsWith(QDir::toNativeSeparators(QString(c.questions[i]).replace("$DIR", dir.path()))))
            << prompt.questions[i].toStdString();
    EXPECT_EQ(prompt.messages, QStringList());
    EXPECT_EQ(readAll(dir.file("secret.jpg")), secret);
    EXPECT_EQ(leftovers(pics("")), QStringList());
    for (const QByteArray &name : c.byteFiles)
        EXPECT_EQ(std::remove((dir.bytePath("pics/") + name).constData()), 0); // saved in place, under its own name
}

const QList<QByteArray> annsTags(const QByteArray &description)
{
    return {description, "Ann", "(c) Ann"};
}
const QList<QByteArray> none{"", "", ""};

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Lists, ABatchList,
    ::testing::Values(
        ListRunCase{"an image that cannot be opened asks, and Yes goes on", "a.jpg A\nmissing.jpg M\nc.jpg C\n", annsOptions, {true},
                    2, 1, 0, {{"a.jpg", annsTags("A")}, {"b.jpg", oldTags}, {"c.jpg", annsTags("C")}},
                    {"Error 10 while loading Image " /* + path */}},
        ListRunCase{"No stops there, keeping what was done", "a.jpg A\nmissing.jpg M\nc.jpg C\n", annsOptions, {false}, 1, 0, 1,
                    {{"a.jpg", annsTags("A")}, {"c.jpg", none}}, {"Error 10 while loading Image "}},
        ListRunCase{"an empty list", "\n\n", annsOptions, {}, 0, 0, 0, {{"b.jpg", oldTags}}, {}},
        ListRunCase{"a sub-folder is reached; each bad line says what is wrong; blank lines are skipped",
                    "sub\\d.tif In the sub-folder\n \t \n../secret.jpg Escaped\n$DIR/secret.jpg Absolute\nnever.jpg N\n\"open.jpg Q\n Just words\nc.jpg\tTab",
                    annsOptions, {true, true, true, true, true}, 2, 5, 0, {{"sub/d.tif", annsTags("In the sub-folder")}, {"c.jpg", annsTags("Tab")}},
                    {"Error 12 while loading Image ../secret.jpg\nThe list names a file outside its own folder", "Error 12 while loading Image $DIR/secret.jpg\nThe",
                     "Error 10 while loading Image $DIR/pics/never.jpg\nThere is no file of that name.\n",
                     "A line of the list opens a quote it never closes: \"open.jpg Q\n", "A line of the list names no picture:  Just words\n"}},
        ListRunCase{"an image named twice is written twice, the second time over the first; no description writes an empty one",
                    "b.jpg Early\na.jpg\nb.jpg Old\n", annsOptions, {}, 3, 0, 0, {{"a.jpg", annsTags("")}, {"b.jpg", annsTags("Old")}}, {}},
        ListRunCase{"blank artist and copyright leave the image's own", "b.jpg New\n", {std::nullopt, std::nullopt, false}, {}, 1, 0, 0,
                    {{"b.jpg", {"New", "Old artist", "Old copyright"}}}, {}},
        ListRunCase{"an empty artist given on purpose is written", "b.jpg New\n", {QByteArray(""), std::nullopt, false}, {}, 1, 0, 0,
                    {{"b.jpg", {"New", "", "Old copyright"}}}, {}},
        ListRunCase{"a Windows-1252 list finds UTF-8 names and its descriptions become UTF-8",
                    "Caf\xE9.jpg Cr\xE8me br\xFBl\xE9\x65 \x80 5\r\n", annsOptions, {}, 1, 0, 0,
                    {{"Café.jpg", annsTags("Crème brûlée € 5")}}, {}, {"Café.jpg"}},
        ListRunCase{"a code page 850 DESCRIPT.ION finds UTF-8 names", "Caf\x82.jpg Beach\r\n\"Gr\x81n sp\x84t.jpg\" Late\r\n", annsOptions,
                    {}, 2, 0, 0, {{"Café.jpg", annsTags("Beach")}, {"Grün spät.jpg", annsTags("Late")}}, {}, {"Café.jpg", "Grün spät.jpg"}},
        ListRunCase{"a UTF-8 list with a byte-order mark is taken as it is", "\xEF\xBB\xBF\x43\x61\x66\xC3\xA9.jpg Cr\xC3\xA8me\n", annsOptions,
                    {}, 1, 0, 0, {{"Café.jpg", annsTags("Crème")}}, {}, {"Café.jpg"}},
        ListRunCase{"a name on disk as its very bytes is that file", "Ol\xE9.jpg Raw\n", annsOptions, {}, 1, 0, 0, {{"Olé.jpg", none}}, {},
                    {"Olé.jpg"}, {"Ol\xE9.jpg"}},
        ListRunCase{"a name both code pages find is ambiguous, so missing", "R\xE9ve.jpg Which\n", annsOptions, {true}, 0, 1, 0,
                    {{"Réve.jpg", none}, {"RÚve.jpg", none}}, {"Error 10 while loading Image "}, {"Réve.jpg", "RÚve.jpg"}},
        ListRunCase{"a picture that cannot be saved asks, and No leaves the rest as it was", "a.jpg A\nb.jpg B\nc.jpg C\n", annsOptions, {false},
                    1, 0, 1, {{"a.jpg", annsTags("A")}, {"b.jpg", oldTags}, {"c.jpg", none}}, {"Error 12 while saving Image "}, {}, {}, {"b.jpg"}},
        ListRunCase{"Yes goes on past it", "b.jpg B\nc.jpg C\n", annsOptions, {true}, 1, 0, 1, {{"b.jpg", oldTags}, {"c.jpg", annsTags("C")}},
                    {"Error 12 while saving Image "}, {}, {}, {"b.jpg"}}));
// clang-format on

#ifndef _WIN32 // address-space limits are POSIX's
// Memory limits: a batch runs in a child under a limit on its address space
// and either finishes or stops with status 3 and its summary, never aborts.
struct MemoryCase
{
    const char *what;
    std::function<bool(const QString &folder)> make; // makes list.ion
    QString cancelAfter;
    QStringList output;
};

void PrintTo(const MemoryCase &c, std::ostream *os)
{
    *os << c.what;
}

using ABatchUnderAMemoryLimit = ::testing::TestWithParam<MemoryCase>;

TEST_P(ABatchUnderAMemoryLimit, finishesOrStopsWithStatus3)
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer needs more address space than any limit would leave.
    if (GetParam().output.last().endsWith("status 3"))
        GTEST_SKIP() << "no memory limit under the sanitizer";
#endif
    TestFolder dir;
    for (const char *name : {"a.jpg", "b.jpg"})
        ASSERT_TRUE(writeJpeg(dir.file(name)));
    const QByteArray before = readAll(dir.file("b.jpg"));
    ASSERT_TRUE(GetParam().make(dir.path()));
    QProcess p;
    p.setChildProcessModifier([] {
#if !defined(__SANITIZE_ADDRESS__)
        const struct rlimit memory
        {
            256L << 20, 256L << 20
        };
        ::setrlimit(RLIMIT_AS, &memory);
#endif
    });
    p.start(LUMICAP_LIST_PROBE, {dir.file("list.ion"), GetParam().cancelAfter});
    ASSERT_TRUE(p.waitForFinished(240000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(QString(p.readAllStandardOutput()).replace(dir.path() + "/", "").split('\n', Qt::SkipEmptyParts), GetParam().output);
    EXPECT_EQ(readAll(dir.file("b.jpg")), before);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    MemoryLimits, ABatchUnderAMemoryLimit,
    ::testing::Values(
        MemoryCase{"a list of 50 million lines (100 MB) streams",
                   [](const QString &folder) {
                       return writeAll(folder + "/list.ion", "a.jpg First\n" + QByteArray("c\n").repeated(50000000) + "b.jpg Last\n");
                   },
                   "1",
                   {"saved 1 skipped 0 failed 0 cancelled 1 status 0"}},
        MemoryCase{"a line larger than memory", [](const QString &folder) { return sparseFile(folder + "/list.ion", "b.jpg ", 1LL << 30); },
                   "-1", {"message Error 3 while reading list.ion", "saved 0 skipped 0 failed 1 cancelled 0 status 3"}},
        MemoryCase{"an image larger than memory",
                   [](const QString &folder) {
                       return sparseFile(folder + "/big.tif", "II*\0", 1LL << 30) && writeAll(folder + "/list.ion", "big.tif Big\nb.jpg B\n");
                   },
                   "-1", {"message Error 3 while loading Image big.tif", "saved 0 skipped 0 failed 1 cancelled 0 status 3"}}));
// clang-format on
#endif

// Find and replace on one text: the new text (nothing when FIND is not in
// it, "!" when the request is refused) and the spans the window marks.
struct ReplaceCase
{
    const char *find, *replacement;
    bool regex, ignoreCase;
    QByteArray text;
    std::optional<QByteArray> after;
    TextSpans found, replaced;
};

class AFindReplace : public ::testing::TestWithParam<ReplaceCase>
{};

TEST_P(AFindReplace, makesTheReplacementsAndMarksThem)
{
    const ReplaceCase &c = GetParam();
    QString error;
    const auto replace = FindReplace::make({c.find, c.replacement, c.regex, c.ignoreCase, {}}, error);
    ASSERT_EQ(!replace, c.after == QByteArray("!")) << error.toStdString();
    TextSpans found, replaced;
    if (replace) {
        EXPECT_EQ(replace->apply(c.text, &found, &replaced), c.after);
    }
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(replaced, c.replaced);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Texts, AFindReplace,
    ::testing::Values(ReplaceCase{"a.b", "\\1", false, false, "xa.b a.b", "x\\1 \\1", {{1, 3}, {5, 3}}, {{1, 2}, {4, 2}}},
                      ReplaceCase{"(\\w+), (\\w+)", "\\2 \\1 \\3\\\\", true, false, "Exampel, Ann", "Ann Exampel \\3\\\\", {{0, 12}}, {{0, 16}}},
                      ReplaceCase{"\\d\\d", "<\\10>", true, false, "a 12 345", "a <\\10> <\\10>5", {{2, 2}, {5, 2}}, {{2, 5}, {8, 5}}},
                      ReplaceCase{"CAF\xc3\x89", "Bar", false, true, "Caf\xe9 caf\xe9", "Bar Bar", {{0, 4}, {5, 4}}, {{0, 3}, {4, 3}}},
                      ReplaceCase{"Ann", "Bea", false, false, "ann", std::nullopt, {}, {}},
                      ReplaceCase{"", "x", false, false, "text", "!", {}, {}},
                      ReplaceCase{"(open", "x", true, false, "text", "!", {}, {}}));
// clang-format on
