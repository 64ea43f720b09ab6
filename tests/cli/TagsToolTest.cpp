// lumicap-tags as a user runs it: each row is arguments -> exit code ->
// standard output -> the state of the files, read back with ExifTool.
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumicap::test;

namespace {
using Bytes = QByteArray;
using Tag = std::optional<Bytes>;
constexpr std::nullopt_t absent = std::nullopt;

struct Tags
{
    Tag description, artist, copyright;
    bool operator==(const Tags &o) const { return description == o.description && artist == o.artist && copyright == o.copyright; }
};

std::ostream &operator<<(std::ostream &os, const Tags &t)
{
    const auto show = [](const Tag &v) { return v ? '"' + v->toStdString() + '"' : std::string("absent"); };
    return os << '{' << show(t.description) << ", " << show(t.artist) << ", " << show(t.copyright) << '}';
}

struct ToolRun
{
    int exitCode = -1;
    Bytes out;
    Bytes err;
};

// Runs the tool in folder with arguments as bytes (a QProcess would encode
// them, and some rows pass bytes that are not UTF-8).
ToolRun runTool(const QString &folder, const std::vector<Bytes> &args, const Bytes &input)
{
    const QString io = folder + "/../io-";
    writeAll(io + "in", input);
    std::vector<char *> argv{const_cast<char *>(LUMICAP_TAGS_BINARY)};
    for (const Bytes &arg : args)
        argv.push_back(const_cast<char *>(arg.constData()));
    argv.push_back(nullptr);
    const Bytes dir = QFile::encodeName(folder), in = QFile::encodeName(io + "in"), out = QFile::encodeName(io + "out"),
                err = QFile::encodeName(io + "err");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const auto redirect = [](const Bytes &path, int flags, int fd) { ::dup2(::open(path.constData(), flags, 0600), fd); };
        redirect(in, O_RDONLY, 0);
        redirect(out, O_WRONLY | O_CREAT | O_TRUNC, 1);
        redirect(err, O_WRONLY | O_CREAT | O_TRUNC, 2);
        if (::chdir(dir.constData()) == 0)
            ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readAll(io + "out"), readAll(io + "err")};
}

void setTimes(const QString &path, time_t atime, time_t mtime)
{
    const struct timespec times[2] = {{atime, 0}, {mtime, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

struct stat statOf(const QString &path)
{
    struct stat st
    {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// The pictures every row starts with, made once and copied for each row:
//   a.jpg               Harbour / Ann / -
//   b.tif               - / - / -
//   sub/c d.jpg         "Quay, at 5" / - / (c) Ann
//   sub/deeper/e.jpeg   - / - / -
//   sub/.hidden/h.jpg, sub/_~t.jpg, sub/notes.txt: never listed
class Scene
{
public:
    explicit Scene(const QString &from)
        : root(dir.file("pictures"))
    {
        // A journal and settings of its own (the tool reads them from there).
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.file("state")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.file("config")));
        QDir().mkpath(root);
        for (const char *name : {"a.jpg", "b.tif", "sub/c d.jpg", "sub/deeper/e.jpeg", "sub/.hidden/h.jpg", "sub/_~t.jpg", "sub/notes.txt"}) {
            QDir().mkpath(QFileInfo(file(name)).path());
            QFile::copy(from + '/' + name, file(name));
        }
    }
    QString file(const QString &name) const { return root + '/' + name; }

    ToolRun run(const std::vector<Bytes> &args, const Bytes &input = {}) const { return runTool(root, args, input); }

    // The three tags of IFD0 as ExifTool reads them; absent is not empty.
    Tags tags(const QString &name) const
    {
        const QJsonObject o = QJsonDocument::fromJson(exifTool({"-j", "-IFD0:ImageDescription", "-IFD0:Artist", "-IFD0:Copyright", file(name)}))
                                  .array()
                                  .at(0)
                                  .toObject();
        const auto value = [&o](const char *key) -> Tag { return o.contains(key) ? Tag(o[key].toVariant().toString().toUtf8()) : absent; };
        return {value("ImageDescription"), value("Artist"), value("Copyright")};
    }

    // The XMP and IPTC copies of the description and the artist as ExifTool
    // reads them, a line each, "-" for an absent one.
    Bytes copies(const QString &name) const
    {
        return exifTool({"-s3", "-f", "-XMP-dc:Description", "-IPTC:Caption-Abstract", "-XMP-dc:Creator", "-IPTC:By-line", file(name)});
    }

    TestFolder dir;
    QString root;
};

struct Row
{
    const char *name;
    std::function<void(Scene &)> prepare;
    std::vector<Bytes> args;
    Bytes input;
    int exitCode;
    std::optional<Bytes> out; // exact standard output
    std::function<void(Scene &, const ToolRun &)> check;
};

void PrintTo(const Row &row, std::ostream *os)
{
    *os << row.name;
}

const Tags aTags{"Harbour", "Ann", absent};
const Tags cTags{"Quay, at 5", absent, "(c) Ann"};
const Tags none{absent, absent, absent};
const Bytes csvHeader = "SourceFile,ImageDescription,Artist,Copyright\n";
const Bytes list = "a.jpg First picture\r\nmissing.jpg Gone\r\nb.tif Second picture\r\n";

void expectTags(Scene &s, const QString &name, const Tags &expected)
{
    EXPECT_EQ(s.tags(name), expected) << name.toStdString();
}

const auto writeList = [](Scene &s) { ASSERT_TRUE(writeAll(s.file("DESCRIPT.ION"), list)); };
const auto damagedXmp = [](Scene &s) {
    ASSERT_TRUE(exifToolWrite(s.file("a.jpg"), {"-XMP-dc:Description=Old", "-IPTC:Caption-Abstract=Old"}));
    // An end tag that matches nothing.
    ASSERT_TRUE(writeAll(s.file("a.jpg"), readAll(s.file("a.jpg")).replace("</dc:description>", "</dX:description>")));
    ASSERT_TRUE(writeAll(s.file("DESCRIPT.ION"), "a.jpg New\n"));
};
const Bytes damagedXmpNamed = "a.jpg: its XMP cannot be read and was left as it was; other programs may still show the old text\n";
const auto oldTimes = [](Scene &s) { setTimes(s.file("a.jpg"), 1000000000, 1000000100); };
const auto timesKept = [](Scene &s, const ToolRun &) {
    const struct stat st = statOf(s.file("a.jpg"));
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000100);
    EXPECT_EQ(st.st_atim.tv_sec, 1000000000);
    EXPECT_FALSE(s.tags("a.jpg") == aTags);
};

// A save to undo: a.jpg's description (with its XMP and IPTC copies, a
// Latin-1 byte among them) and artist changed, the copyright set where
// there was none.
const auto savedOnce = [](Scene &s) {
    ASSERT_TRUE(exifToolWrite(s.file("a.jpg"), {"-XMP-dc:Description=Harbour", "-IPTC:Caption-Abstract=Harbour"}));
    ASSERT_EQ(s.run({"set", "--description", "Bay", "--artist", "Bea", "--copyright", "(c) Bea", "a.jpg"}).exitCode, 0);
};
const auto changedSince = [](Scene &s) {
    savedOnce(s);
    exifTool({"-q", "-overwrite_original_in_place", "-IFD0:Artist=Cy", s.file("a.jpg")}); // the same file, changed
};
const auto undoFirstRun = [](Scene &s) { return s.run({"undo", "--run", s.run({"undo", "--list-runs"}).out.split(' ').value(0)}); };

// clang-format off
const Row rows[] = {
    {"undoPutsBackTheFieldsAndCopiesOfTheLastSaveAndCanBeUndone", savedOnce, {"undo", "a.jpg"}, {}, 0,
     "a.jpg: description, artist, copyright put back as before the save\n",
     [](Scene &s, const ToolRun &) {
         expectTags(s, "a.jpg", aTags);
         EXPECT_EQ(s.copies("a.jpg"), Bytes("Harbour\nHarbour\n-\n-\n"));
         EXPECT_TRUE(s.run({"history", "a.jpg"}).out.contains("  description: Harbour -> Bay\n  artist: Ann -> Bea\n  copyright: (none) -> (c) Bea\n"));
         ASSERT_EQ(s.run({"undo", "a.jpg"}).exitCode, 0);
         expectTags(s, "a.jpg", {"Bay", "Bea", "(c) Bea"});
     }},
    {"undoOfARunTakesBackEveryPictureOfTheBatch",
     [](Scene &s) {
         ASSERT_TRUE(setTagsDirectly(s.file("b.tif"), "caf\xe9", "", "") && writeAll(s.file("DESCRIPT.ION"), "a.jpg A\nb.tif B\n"));
         ASSERT_EQ(s.run({"batch", "--artist", "Bea", "DESCRIPT.ION"}).exitCode, 0);
         ASSERT_EQ(s.run({"set", "--copyright", "Later", "sub/c d.jpg"}).exitCode, 0);
     },
     {"undo", "--list-runs"}, {}, 0, std::nullopt,
     [](Scene &s, const ToolRun &r) {
         EXPECT_TRUE(r.out.contains("  2 pictures\n") && r.out.endsWith("  1 pictures\n")) << r.out.toStdString();
         EXPECT_EQ(undoFirstRun(s).exitCode, 0);
         expectTags(s, "a.jpg", aTags);
         EXPECT_EQ(tagsDirectly(s.file("b.tif")), (QList<Bytes>{"caf\xe9", "", ""}));
         expectTags(s, "sub/c d.jpg", {"Quay, at 5", absent, "Later"}); // another run
     }},
    {"undoTakesOutTheCopiesTheSaveMadeAndLeavesTheRest",
     [](Scene &s) {
         ASSERT_TRUE(exifToolWrite(s.file("a.jpg"), {"-XMP-dc:Rights=Kept", "-IPTC:Keywords=Kept"}) && QFile::copy(s.file("a.jpg"), s.file("a0.jpg")));
         ASSERT_EQ(s.run({"set", "--all-copies", "--description", "Bay", "--artist", "Bea", "a.jpg"}).exitCode, 0);
     },
     {"undo", "a.jpg"}, {}, 0, std::nullopt,
     [](Scene &s, const ToolRun &) {
         expectTags(s, "a.jpg", aTags);
         EXPECT_EQ(s.copies("a.jpg"), Bytes("-\n-\n-\n-\n"));
         EXPECT_EQ(exifTool({"-s3", "-XMP-dc:Rights", "-IPTC:Keywords", s.file("a.jpg")}), Bytes("Kept\nKept\n"));
         EXPECT_EQ(jpegScanData(readAll(s.file("a.jpg"))), jpegScanData(readAll(s.file("a0.jpg"))));
     }},
    {"aFieldChangedSinceTheSaveIsLeftAloneAndNamed", changedSince, {"undo", "a.jpg"}, {}, 1,
     "a.jpg: description, copyright put back as before the save\n",
     [](Scene &s, const ToolRun &r) {
         EXPECT_EQ(r.err, Bytes("a.jpg: its artist changed again since that save and was left as it is\n"));
         expectTags(s, "a.jpg", {"Harbour", "Cy", absent});
     }},
    {"forcePutsBackAFieldChangedSince", changedSince, {"undo", "--force", "a.jpg"}, {}, 0, std::nullopt,
     [](Scene &s, const ToolRun &) { expectTags(s, "a.jpg", aTags); }},
    {"aPictureReplacedByAnotherFileIsRefused",
     [](Scene &s) {
         savedOnce(s);
         ASSERT_TRUE(QFile::remove(s.file("a.jpg")) && QFile::copy(s.file("sub/c d.jpg"), s.file("a.jpg")));
     },
     {"undo", "a.jpg", "b.tif"}, {}, 1, "",
     [](Scene &s, const ToolRun &r) {
         EXPECT_EQ(r.err, Bytes("a.jpg: refused: another file has taken its place since that save\nb.tif: no save of it to undo\n"));
         expectTags(s, "a.jpg", cTags);
     }},
    {"aPhotoCopiedOverThePictureInPlaceIsRefusedEvenWithForce",
     [](Scene &s) {
         ASSERT_TRUE(writeTiff(s.file("big.tif"), 400, 300, 1) && writeTiff(s.file("other.tif"), 400, 300, 2));
         ASSERT_EQ(s.run({"set", "--description", "Bay", "big.tif"}).exitCode, 0);
         QFile big(s.file("big.tif")); // the same file, another photo's bytes
         ASSERT_TRUE(big.open(QIODevice::WriteOnly | QIODevice::Truncate) && big.write(readAll(s.file("other.tif"))) > 0);
     },
     {"undo", "--force", "big.tif"}, {}, 1, "",
     [](Scene &s, const ToolRun &r) {
         EXPECT_EQ(r.err, Bytes("big.tif: refused: another file has taken its place since that save\n"));
         EXPECT_EQ(s.run({"undo", "big.tif"}).err, r.err);
         EXPECT_EQ(readAll(s.file("big.tif")), readAll(s.file("other.tif")));
     }},
    {"theJournalCanBeTurnedOff",
     [](Scene &s) {
         ASSERT_TRUE(QDir().mkpath(s.dir.file("config/Kestrovia")) && writeAll(s.dir.file("config/Kestrovia/lumicap-tags.conf"), "[Settings]\nJournal=0\n"));
         savedOnce(s);
     },
     {"history", "a.jpg"}, {}, 1, "", [](Scene &s, const ToolRun &) { EXPECT_FALSE(QFile::exists(s.dir.file("state/lumicap/journal.jsonl"))); }},

    {"showsTheThreeTagsOfEachPicture", nullptr, {"show", "a.jpg", "sub/c d.jpg"}, {}, 0,
     "a.jpg\nDescription: Harbour\nArtist: Ann\nCopyright: \nsub/c d.jpg\nDescription: Quay, at 5\nArtist: \nCopyright: (c) Ann\n", nullptr},
    {"setWritesOnlyTheFieldsItIsGiven", nullptr, {"set", "--description", "Bay at dusk", "a.jpg", "b.tif"}, {}, 0, "",
     [](Scene &s, const ToolRun &) {
         expectTags(s, "a.jpg", {"Bay at dusk", "Ann", absent});
         expectTags(s, "b.tif", {"Bay at dusk", absent, absent});
         EXPECT_EQ(s.copies("a.jpg"), Bytes("-\n-\n-\n-\n")); // no copy is made unasked
     }},
    {"allCopiesCreatesTheXmpAndIptcCopies", nullptr, {"set", "--all-copies", "--description", "Bucht caf\xc3\xa9", "--artist", "Bea", "b.tif"}, {},
     0, "", [](Scene &s, const ToolRun &) { EXPECT_EQ(s.copies("b.tif"), Bytes("Bucht caf\xc3\xa9\nBucht caf\xc3\xa9\nBea\nBea\n")); }},
    {"aCopyThatCannotBeReadIsLeftAndNamed", damagedXmp, {"set", "--description", "New", "a.jpg"}, {}, 0, "",
     [](Scene &, const ToolRun &r) { EXPECT_EQ(r.err, damagedXmpNamed); }},
    {"anEmptyValueIsWrittenOnPurpose", nullptr, {"set", "--artist", "", "--copyright=", "a.jpg"}, {}, 0, "",
     [](Scene &s, const ToolRun &) { expectTags(s, "a.jpg", {"Harbour", "", ""}); }},
    // Other programs read the emptied copies as no text (ExifTool's MWG
    // reading among them); an absent tag is no error, and no copy is made.
    {"deleteRemovesTheTagAndEmptiesItsCopies",
     [](Scene &s) { ASSERT_TRUE(exifToolWrite(s.file("a.jpg"), {"-IPTC:By-line=Old", "-XMP-dc:Creator=Old", "-XPAuthor=Old", "-XMP-dc:Description=Harbour"})); },
     {"set", "--all-copies", "--description", "Bay", "--delete-artist", "--delete-copyright", "a.jpg", "b.tif"}, {}, 0, "",
     [](Scene &s, const ToolRun &) {
         expectTags(s, "a.jpg", {"Bay", absent, absent});
         EXPECT_EQ(exifTool({"-use", "MWG", "-f", "-s3", "-MWG:Description", "-MWG:Creator", "-MWG:Copyright", "-XPAuthor", "-IPTC:By-line",
                             "-XMP-dc:Rights", s.file("a.jpg")}),
                   Bytes("Bay\n\n-\n\n\n-\n"));
         EXPECT_EQ(s.copies("b.tif"), Bytes("Bay\nBay\n-\n-\n"));
     }},
    {"jsonShowsAnAbsentTagAsNullAndAnEmptyOneAsEmpty", [](Scene &s) { s.run({"set", "--copyright", "", "a.jpg"}); },
     {"show", "--json", "a.jpg", "missing.jpg"}, {}, 1,
     "[\n    {\n        \"artist\": \"Ann\",\n        \"copyright\": \"\",\n        \"description\": \"Harbour\",\n        \"file\": \"a.jpg\",\n"
     "        \"status\": 0\n    },\n    {\n        \"artist\": null,\n        \"copyright\": null,\n        \"description\": null,\n"
     "        \"file\": \"missing.jpg\",\n        \"status\": 10\n    }\n]\n",
     nullptr},
    {"recursionFindsThePicturesTheEditorWouldList", nullptr, {"show", "--csv", "-r", "."}, {}, 0,
     csvHeader + "./a.jpg,Harbour,Ann,\n./b.tif,,,\n./sub/c d.jpg,\"Quay, at 5\",,(c) Ann\n./sub/deeper/e.jpeg,,,\n", nullptr},
    {"aFolderWithoutRecursionIsThatFolderOnly", nullptr, {"show", "--csv", "sub"}, {}, 0, csvHeader + "sub/c d.jpg,\"Quay, at 5\",,(c) Ann\n",
     nullptr},
    {"namesComeFromStandardInputOnePerLine", nullptr, {"show", "--csv", "-@", "-"}, "a.jpg\r\n\nsub/deeper\n", 0,
     csvHeader + "a.jpg,Harbour,Ann,\nsub/deeper/e.jpeg,,,\n", nullptr},
    {"preserveTimeKeepsModificationAndAccessTime", oldTimes, {"set", "-P", "--description", "Kept", "a.jpg"}, {}, 0, "", timesKept},
    {"controlCharactersAreEscapedInTextAndValidInJson",
     [](Scene &s) { ASSERT_TRUE(setTagsDirectly(s.file("b.tif"), "one\ntwo\x1b[2J", "tab\there", "")); }, {"show", "b.tif"}, {}, 0,
     "b.tif\nDescription: one\\ntwo\\x1b[2J\nArtist: tab\\there\nCopyright: \n",
     [](Scene &s, const ToolRun &) {
         const QJsonObject o = QJsonDocument::fromJson(s.run({"show", "--json", "b.tif"}).out).array().at(0).toObject();
         EXPECT_EQ(o["description"].toString(), QString("one\ntwo\x1b[2J"));
     }},
    {"aValueThatIsNotUtf8IsWrittenAsItsBytes", nullptr, {"set", "--description", "caf\xe9", "a.jpg"}, {}, 0, "",
     [](Scene &s, const ToolRun &) { EXPECT_EQ(tagsDirectly(s.file("a.jpg")).value(0), Bytes("caf\xe9")); }},
    {"aFileNameThatIsNotUtf8IsOpenedAsItsBytes",
     [](Scene &s) { ASSERT_EQ(::link(QFile::encodeName(s.file("a.jpg")), QFile::encodeName(s.root) + "/caf\xe9.jpg"), 0); },
     {"show", "caf\xe9.jpg"}, {}, 0, "caf\xc3\xa9.jpg\nDescription: Harbour\nArtist: Ann\nCopyright: \n",
     [](Scene &s, const ToolRun &) { ::unlink(QFile::encodeName(s.root) + "/caf\xe9.jpg"); }}, // a name QTemporaryDir cannot remove
    {"showAllListsCopiesThatDisagree",
     [](Scene &s) { ASSERT_TRUE(exifToolWrite(s.file("a.jpg"), {"-IPTC:Caption-Abstract=Old\ncaption", "-XMP-dc:Description=New caption"})); },
     {"show", "--all", "a.jpg"}, {}, 0,
     "a.jpg\nDescription: Harbour\n  description (XMP): New caption\n  description (IPTC): Old\\ncaption\nArtist: Ann\nCopyright: \n",
     [](Scene &s, const ToolRun &) {
         EXPECT_EQ(s.run({"show", "a.jpg"}).out, Bytes("a.jpg\nDescription: Harbour\nArtist: Ann\nCopyright: \n"));
         const QJsonObject copies = QJsonDocument::fromJson(s.run({"show", "--all", "--json", "a.jpg", "gone.jpg"}).out).array().at(0)["copies"].toObject();
         EXPECT_EQ(copies["description"].toArray(),
                   (QJsonArray{QJsonObject{{"where", "XMP"}, {"text", "New caption"}}, QJsonObject{{"where", "IPTC"}, {"text", "Old\ncaption"}}}));
         EXPECT_EQ(copies["artist"].toArray(), QJsonArray());
     }},

    // Usage errors: exit 2, one line on stderr, nothing done.
    {"noArguments", nullptr, {}, {}, 2, "", nullptr},
    {"noFiles", nullptr, {"show"}, {}, 2, "", nullptr},
    {"anUnknownCommand", nullptr, {"paint", "a.jpg"}, {}, 2, "", nullptr},
    {"anUnknownOption", nullptr, {"show", "--no-such-option", "a.jpg"}, {}, 2, "",
     [](Scene &, const ToolRun &r) { EXPECT_EQ(r.err, Bytes("lumicap-tags: unknown option --no-such-option (see lumicap-tags --help)\n")); }},
    {"setWithNothingToSet", nullptr, {"set", "a.jpg"}, {}, 2, "", nullptr},
    {"anOptionOfAnotherCommand", nullptr, {"show", "--keep-going", "a.jpg"}, {}, 2, "", nullptr},
    {"recursionForABatch", nullptr, {"batch", "-r", "DESCRIPT.ION"}, {}, 2, "", nullptr},
    {"allCopiesForShow", nullptr, {"show", "--all-copies", "a.jpg"}, {}, 2, "", nullptr},
    {"everyCopyInACsvTable", nullptr, {"show", "--csv", "--all", "a.jpg"}, {}, 2, "", nullptr},
    {"aValueAndItsDeletion", nullptr, {"set", "--artist", "x", "--delete-artist", "a.jpg"}, {}, 2, "",
     [](Scene &s, const ToolRun &) { expectTags(s, "a.jpg", aTags); }},
    {"twoListsForABatch", nullptr, {"batch", "DESCRIPT.ION", "DESCRIPT.ION"}, {}, 2, "", nullptr},
    {"aValueMissing", nullptr, {"set", "a.jpg", "--artist"}, {}, 2, "", nullptr},
    {"undoWithoutPictures", nullptr, {"undo"}, {}, 2, "", nullptr},
    {"undoOfPicturesAndARun", nullptr, {"undo", "--run", "x", "a.jpg"}, {}, 2, "", nullptr},
    {"version", nullptr, {"-V"}, {}, 0, "lumicap-tags 1.0.0.1\n",
     [](Scene &s, const ToolRun &r) { EXPECT_EQ(s.run({"--version"}).out, r.out); }},
    {"help", nullptr, {"--help"}, {}, 0, std::nullopt,
     [](Scene &, const ToolRun &r) { EXPECT_TRUE(r.out.contains("--preserve-time") && r.out.contains("--all-copies")); }},

    {"aBatchStopsAtAPictureThatCannotBeOpened", writeList, {"batch", "DESCRIPT.ION", "--artist", "Bea", "--copyright", ""}, {}, 1,
     "1 saved, 0 skipped, 1 failed, 1 not reached\n",
     [](Scene &s, const ToolRun &r) {
         EXPECT_EQ(r.err, Bytes("Error 10 while loading Image missing.jpg\nThere is no file of that name.\n"));
         expectTags(s, "a.jpg", {"First picture", "Bea", ""}); // an empty value on purpose
         expectTags(s, "b.tif", none);
     }},
    {"aBatchThatSkippedAPictureExitsWithOne", writeList, {"batch", "--keep-going", "DESCRIPT.ION"}, {}, 1, "2 saved, 1 skipped, 0 failed\n",
     [](Scene &s, const ToolRun &r) {
         EXPECT_FALSE(r.err.contains("[100%]")); // no line per picture without --verbose
         expectTags(s, "a.jpg", {"First picture", "Ann", absent});
         expectTags(s, "b.tif", {"Second picture", absent, absent});
     }},
    {"aBatchKeepsGoingPastAFailedSaveAndALineOutsideItsFolder",
     [](Scene &s) { ASSERT_TRUE(writeAll(s.file("DESCRIPT.ION"), "b.tif B\n../a.jpg Out\na.jpg A\n") && ::chmod(QFile::encodeName(s.file("b.tif")), 0444) == 0); },
     {"batch", "--keep-going", "DESCRIPT.ION"}, {}, 1, "1 saved, 1 skipped, 1 failed\n",
     [](Scene &s, const ToolRun &r) {
         EXPECT_EQ(r.err, Bytes("Error 12 while saving Image b.tif\nError 12 while loading Image ../a.jpg\nThe list names a file outside its own folder; "
                                "it may name only pictures in that folder and its sub-folders.\n"));
         expectTags(s, "a.jpg", {"A", "Ann", absent});
     }},
    {"aVerboseBatchPrintsALinePerPicture", writeList, {"batch", "-v", "--keep-going", "DESCRIPT.ION"}, {}, 1, std::nullopt,
     [](Scene &, const ToolRun &r) { EXPECT_TRUE(r.err.contains("[100%] b.tif")) << r.err.toStdString(); }},
    {"aQuietBatchPrintsNoSummary", writeList, {"batch", "-q", "--keep-going", "DESCRIPT.ION"}, {}, 1, "", nullptr},
    // A batch's times and copies, and the copy it cannot read, go as set's do.
    {"aBatchKeepsTimesCreatesEveryCopyAndNamesACopyItCannotRead",
     [](Scene &s) {
         damagedXmp(s);
         oldTimes(s);
     },
     {"batch", "-P", "--all-copies", "--artist", "Bea", "DESCRIPT.ION"}, {}, 0, "1 saved, 0 skipped, 0 failed\n",
     [](Scene &s, const ToolRun &r) {
         timesKept(s, r);
         EXPECT_EQ(r.err, damagedXmpNamed);
         EXPECT_EQ(exifTool({"-s3", "-IPTC:Caption-Abstract", "-IPTC:By-line", s.file("a.jpg")}), Bytes("New\nBea\n"));
     }},
    {"aBatchRefusesAPictureGivenAsItsList", nullptr, {"batch", "a.jpg"}, {}, 1, "",
     [](Scene &s, const ToolRun &r) {
         EXPECT_EQ(r.err, Bytes("a.jpg is not an image list: it holds binary data\n"));
         expectTags(s, "a.jpg", aTags);
     }},
    {"aMissingListIsReported", nullptr, {"batch", "none.txt"}, {}, 1, "",
     [](Scene &, const ToolRun &r) { EXPECT_EQ(r.err, Bytes("Can't find file none.txt\n")); }},

    {"setReportsEachFailureAndGoesOn", [](Scene &s) { QFile::setPermissions(s.file("b.tif"), QFile::ReadOwner); },
     {"set", "--description", "x", "gone.jpg", "b.tif", "a.jpg"}, {}, 1, "",
     [](Scene &s, const ToolRun &r) {
         EXPECT_EQ(r.err, Bytes("Error 10 while loading Image gone.jpg\nError 12 while saving Image b.tif\n"));
         expectTags(s, "b.tif", none);
         expectTags(s, "a.jpg", {"x", "Ann", absent});
     }},
    {"verboseSetSaysWhatItWrote", [](Scene &s) { s.run({"set", "--artist", "Ann", "b.tif"}); },
     {"set", "-v", "--artist", "Ann", "b.tif", "sub/deeper/e.jpeg"}, {}, 0, "unchanged b.tif\nsaved sub/deeper/e.jpeg\n", nullptr},
    {"removeAllExifKeepsTheThreeTags", [](Scene &s) { ASSERT_TRUE(exifToolWrite(s.file("a.jpg"), {"-IFD0:Make=Kestrel"})); },
     {"set", "--remove-all-exif", "a.jpg"}, {}, 0, "",
     [](Scene &s, const ToolRun &) {
         EXPECT_EQ(exifToolValue(s.file("a.jpg"), "Make"), absent);
         expectTags(s, "a.jpg", aTags);
     }},
    {"namesAfterTwoDashesAreFiles", [](Scene &s) { QFile::copy(s.file("a.jpg"), s.file("-dashed.jpg")); },
     {"set", "--description", "Dashed", "--", "-dashed.jpg"}, {}, 0, "",
     [](Scene &s, const ToolRun &) { expectTags(s, "-dashed.jpg", {"Dashed", "Ann", absent}); }},

    {"aSpreadsheetCsvSetsWhatItHolds",
     [](Scene &s) {
         ASSERT_TRUE(writeAll(s.file("in.csv"), "\xEF\xBB\xBFSourceFile,ImageDescription,Artist\r\n"
                                                "a.jpg,\"Two\nlines, \"\"quoted\"\"\",\r\n"
                                                "\"sub/c d.jpg\",,Bea\r\n"));
     },
     {"set", "--csv", "in.csv"}, {}, 0, "",
     [](Scene &s, const ToolRun &) {
         expectTags(s, "a.jpg", {"Two\nlines, \"quoted\"", "Ann", absent}); // an empty cell leaves the tag alone
         expectTags(s, "sub/c d.jpg", {"Quay, at 5", "Bea", "(c) Ann"});
     }},
    {"csvRoundTripsThroughExifTool", [](Scene &s) { ASSERT_TRUE(exifToolWrite(s.file("b.tif"), {"-IFD0:ImageDescription=Line\nnext, \"q\""})); },
     {"show", "--csv", "b.tif", "sub/c d.jpg"}, {}, 0, csvHeader + "b.tif,\"Line\nnext, \"\"q\"\"\",,\nsub/c d.jpg,\"Quay, at 5\",,(c) Ann\n",
     [](Scene &s, const ToolRun &r) {
         const Tags b = s.tags("b.tif");
         const Bytes fromExifTool = exifTool({"-csv", "-IFD0:ImageDescription", "-IFD0:Artist", "-IFD0:Copyright", s.file("b.tif"), s.file("sub/c d.jpg")});
         const auto wipe = [&s] {
             ASSERT_EQ(s.run({"set", "--delete-description", "--delete-artist", "--delete-copyright", "b.tif", "sub/c d.jpg"}).exitCode, 0);
             expectTags(s, "b.tif", none);
         };
         // ExifTool's table, read by set --csv.
         wipe();
         ASSERT_TRUE(writeAll(s.file("exiftool.csv"), fromExifTool));
         ASSERT_EQ(s.run({"set", "--csv", "exiftool.csv"}).exitCode, 0);
         expectTags(s, "b.tif", b);
         expectTags(s, "sub/c d.jpg", cTags);
         // Our table, read by ExifTool.
         wipe();
         ASSERT_TRUE(writeAll(s.file("ours.csv"), r.out));
         const QString here = QDir::currentPath();
         QDir::setCurrent(s.root); // ExifTool matches SourceFile against the names it is given
         exifTool({"-q", "-overwrite_original", "-csv=ours.csv", "b.tif", "sub/c d.jpg"});
         QDir::setCurrent(here);
         expectTags(s, "b.tif", b);
         expectTags(s, "sub/c d.jpg", cTags);
     }},
    {"descriptIonRoundTripsThroughBatch", [](Scene &s) { s.run({"set", "--description", "Tief \xc3\xbc\x62\x65r\nunten", "sub/deeper/e.jpeg"}); },
     {"show", "--descript-ion", "-r", "."}, {}, 0, "a.jpg Harbour\r\n\"sub/c d.jpg\" Quay, at 5\r\nsub/deeper/e.jpeg Tief \xc3\xbc\x62\x65r unten\r\n",
     [](Scene &s, const ToolRun &r) {
         ASSERT_TRUE(writeAll(s.file("DESCRIPT.ION"), r.out));
         ASSERT_EQ(s.run({"set", "--description", "", "-r", "."}).exitCode, 0);
         ASSERT_EQ(s.run({"batch", "DESCRIPT.ION"}).exitCode, 0);
         EXPECT_EQ(s.run({"show", "--descript-ion", "-r", "."}).out, r.out);
         expectTags(s, "b.tif", {"", absent, absent});
     }},
    // Every field of a pattern; {date} from DateTimeOriginal, else the file's time.
    {"patternsFillInEachPicturesFields",
     [](Scene &s) {
         ASSERT_TRUE(QFile::copy(s.file("a.jpg"), s.file("my_trip-day.2.jpg")));
         ASSERT_TRUE(exifToolWrite(s.file("my_trip-day.2.jpg"), {"-Make=Kestrel", "-Model=K1", "-DateTimeOriginal=2021:06:05 10:00:00"}));
         setTimes(s.file("b.tif"), 1551700000, 1551700000); // 2019-03-04, midday
     },
     {"set", "--description", "{stem:words}|{name}|{stem}|{folder}|{n:03}|{n}|{make} {model}|{date}|{date:yy}|{{x}}", "--artist",
      "[{artist}|{description}]", "--copyright", "{copyright}!", "my_trip-day.2.jpg", "b.tif", "sub/c d.jpg"},
     {}, 0, "",
     [](Scene &s, const ToolRun &) {
         expectTags(s, "my_trip-day.2.jpg", {"my trip day 2|my_trip-day.2.jpg|my_trip-day.2|pictures|001|1|Kestrel K1|2021-06-05|21|{x}", "[Ann|Harbour]", "!"});
         expectTags(s, "b.tif", {"b|b.tif|b|pictures|002|2| |2019-03-04|19|{x}", "[|]", "!"});
         expectTags(s, "sub/c d.jpg", {"c d|c d.jpg|c d|sub|003|3| |" + QFileInfo(s.file("sub/c d.jpg")).lastModified().toString("yyyy-MM-dd").toUtf8() + "|"
                                           + QFileInfo(s.file("sub/c d.jpg")).lastModified().toString("yy").toUtf8() + "|{x}",
                                       "[|Quay, at 5]", "(c) Ann!"});
     }},
    {"anUnknownFieldRefusesTheRunBeforeAnyWrite", [](Scene &s) { ASSERT_TRUE(writeAll(s.file("DESCRIPT.ION"), "a.jpg Fine\nb.tif {Stem}\n")); },
     {"set", "--description", "{date} {nme}", "a.jpg"}, {}, 2, "",
     [](Scene &s, const ToolRun &r) {
         EXPECT_TRUE(r.err.contains("{nme}")) << r.err.toStdString();
         const ToolRun batch = s.run({"batch", "--artist", "{stem}", "DESCRIPT.ION"});
         EXPECT_EQ(batch.exitCode, 1);
         EXPECT_EQ(batch.out, "0 saved, 0 skipped, 1 failed, 1 not reached\n"); // b.tif's line failed
         EXPECT_EQ(s.run({"set", "--artist", "x}", "a.jpg"}).exitCode, 2);
         EXPECT_TRUE(s.run({"set", "--artist", "{date:yyyy 'Year' ZZZ}", "a.jpg"}).err.contains("{date:yyyy 'Year' ZZZ}"));
         EXPECT_EQ(s.run({"set", "--artist", "{date:'Year' yy}", "sub/c d.jpg"}).exitCode, 0);
         EXPECT_EQ(s.run({"replace", "--regex", "(Harbour", "x", "a.jpg"}).exitCode, 2);
         expectTags(s, "a.jpg", aTags);
         expectTags(s, "b.tif", none);
     }},
    {"replaceMakesRegexGroupsInFiftyPicturesAndTheCopiesFollow",
     [](Scene &s) {
         QDir().mkpath(s.file("many"));
         for (int k = 1; k <= 50; ++k)
             ASSERT_TRUE(QFile::copy(s.file("b.tif"), s.file(QString("many/p%1.tif").arg(k, 2, 10, QChar('0')))));
         ASSERT_EQ(s.run({"set", "--all-copies", "--description", "Shot {n} of Exampel, Ann", "--artist", "Exampel, Ann", "many"}).exitCode, 0);
     },
     {"replace", "--regex", "--field", "description", "(\\w+), (\\w+)$", "\\2 \\1", "many"}, {}, 0, "50 saved, 0 skipped, 0 failed\n",
     [](Scene &s, const ToolRun &) {
         // A line a picture: the description, its XMP and IPTC copies, the artist.
         const QList<Bytes> lines = exifTool({"-T", "-f", "-IFD0:ImageDescription", "-XMP-dc:Description", "-IPTC:Caption-Abstract", "-IFD0:Artist", "-r", s.file("many")}).trimmed().split('\n');
         ASSERT_EQ(lines.size(), 50);
         QSet<Bytes> texts;
         for (const Bytes &line : lines) {
             const QList<Bytes> tags = line.split('\t');
             EXPECT_EQ(tags, (QList<Bytes>{tags[0], tags[0], tags[0], "Exampel, Ann"})); // the artist was not asked for
             texts.insert(tags[0]);
         }
         EXPECT_TRUE(texts.contains("Shot 1 of Ann Exampel") && texts.contains("Shot 50 of Ann Exampel") && texts.size() == 50);
     }},
    {"aDryRunPrintsWhatWouldChangeAndWritesNothing",
     [](Scene &s) {
         writeList(s);
         oldTimes(s);
         ASSERT_TRUE(QFile::copy(s.file("a.jpg"), s.file("a.before")));
     },
     {"set", "-n", "--description", "{stem}", "--delete-artist", "a.jpg", "b.tif"}, {}, 0,
     "a.jpg: description: \"Harbour\" -> \"a\"\na.jpg: artist: \"Ann\" -> \"\"\nb.tif: description: \"\" -> \"b\"\ndry run: nothing was written\n",
     [](Scene &s, const ToolRun &) {
         const ToolRun batch = s.run({"batch", "--dry-run", "--artist", "Bea", "DESCRIPT.ION"});
         EXPECT_EQ(batch.exitCode, 1); // stops at the missing picture, as the run would
         EXPECT_EQ(batch.out, "a.jpg: description: \"Harbour\" -> \"First picture\"\na.jpg: artist: \"Ann\" -> \"Bea\"\n"
                              "1 saved, 0 skipped, 1 failed, 1 not reached\ndry run: nothing was written\n");
         const ToolRun replace = s.run({"replace", "-n", "--ignore-case", "HARB", "B", "a.jpg"});
         EXPECT_EQ(replace.out, "a.jpg: description: \"[-Harb-]our\" -> \"{+B+}our\"\n1 saved, 0 skipped, 0 failed\ndry run: nothing was written\n");
         QFile::setPermissions(s.file("b.tif"), QFile::ReadOwner);
         EXPECT_EQ(s.run({"replace", "-n", "x", "y", "a.jpg", "b.tif"}).out, "0 saved, 0 skipped, 0 failed\ndry run: nothing was written\n");
         EXPECT_EQ(s.run({"set", "-n", "--description", "y", "a.jpg", "b.tif"}).exitCode, 1); // b.tif could not be saved
         EXPECT_EQ(readAll(s.file("a.jpg")), readAll(s.file("a.before")));
         EXPECT_EQ(statOf(s.file("a.jpg")).st_mtim.tv_sec, 1000000100);
         expectTags(s, "b.tif", none);
     }},
};
// clang-format on

class TheTagsTool : public ::testing::TestWithParam<Row>
{
protected:
    static void SetUpTestSuite()
    {
        templateFolder = new TestFolder;
        const auto file = [](const QString &name) { return templateFolder->file(name); };
        QDir(templateFolder->path()).mkpath("sub/deeper");
        QDir(templateFolder->path()).mkpath("sub/.hidden");
        ASSERT_TRUE(writeJpeg(file("a.jpg")) && writeTiff(file("b.tif")) && writeJpeg(file("sub/c d.jpg"), 32, 24, 2)
                    && writeJpeg(file("sub/deeper/e.jpeg"), 24, 16, 3) && writeJpeg(file("sub/.hidden/h.jpg")) && writeJpeg(file("sub/_~t.jpg"))
                    && writeAll(file("sub/notes.txt"), "notes"));
        ASSERT_TRUE(exifToolWrite(file("a.jpg"), {"-IFD0:ImageDescription=Harbour", "-IFD0:Artist=Ann"}));
        ASSERT_TRUE(exifToolWrite(file("sub/c d.jpg"), {"-IFD0:ImageDescription=Quay, at 5", "-IFD0:Copyright=(c) Ann"}));
    }
    static void TearDownTestSuite()
    {
        delete templateFolder;
        templateFolder = nullptr;
    }
    static TestFolder *templateFolder;
};
TestFolder *TheTagsTool::templateFolder = nullptr;

TEST_P(TheTagsTool, answersAsExpected)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    const Row &row = GetParam();
    Scene scene(templateFolder->path());
    if (row.prepare)
        row.prepare(scene);
    const ToolRun r = scene.run(row.args, row.input);
    EXPECT_EQ(r.exitCode, row.exitCode) << r.err.toStdString();
    if (row.out) {
        EXPECT_EQ(r.out, *row.out);
    }
    if (row.exitCode == 2) { // one line, pointing to the help
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.endsWith("(see lumicap-tags --help)\n")) << r.err.toStdString();
    }
    if (row.check)
        row.check(scene, r);
}

INSTANTIATE_TEST_SUITE_P(Rows, TheTagsTool, ::testing::ValuesIn(rows), [](const auto &info) { return std::string(info.param.name); });

} // namespace
