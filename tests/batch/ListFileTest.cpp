#include "batch/BatchRun.h"
#include "batch/ListFile.h"
#include "TestFiles.h"

#include <QDir>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace lumicap;
using namespace lumicap::test;

struct ListCase
{
    const char *what;
    QByteArray text;
    BatchList entries;
};

void PrintTo(const ListCase &c, std::ostream *os)
{
    *os << c.what;
}

using AListFile = ::testing::TestWithParam<ListCase>;

// Each list is also read in small pieces, as from a file, so that lines,
// CR LF pairs and the byte-order mark fall across their edges.
TEST_P(AListFile, givesItsEntriesWhateverPiecesItIsReadIn)
{
    EXPECT_EQ(ListFileParser::parse(GetParam().text), GetParam().entries);
    for (const qsizetype piece : {1, 2, 5}) {
        ListFileReader reader(GetParam().text, piece);
        EXPECT_EQ(reader.countEntries(), static_cast<std::int64_t>(GetParam().entries.size())) << piece;
        BatchList read;
        ListEntry entry;
        while (reader.next(entry))
            read.push_back(entry);
        EXPECT_EQ(read, GetParam().entries) << piece;
    }
}

const QByteArray longText(10240, 'd');
const QByteArray longName(5000, 'n');

INSTANTIATE_TEST_SUITE_P(
    Lists, AListFile,
    ::testing::Values(ListCase{"plain", "PICT001.JPG My first Picture\n", {{"PICT001.JPG", "My first Picture"}}},
                      ListCase{"quoted", "\"PICT 2.JPG\" My second Picture\n", {{"PICT 2.JPG", "My second Picture"}}},
                      ListCase{"name only", "lonely.jpg", {{"lonely.jpg", ""}}},
                      ListCase{"spaces and tabs trimmed", "a.jpg    text with ends \t \n", {{"a.jpg", "text with ends"}}},
                      ListCase{"quote then text", "\"a b.jpg\"text", {{"a b.jpg", "text"}}},
                      ListCase{"quoted spaces kept", "\" a.jpg \" x", {{" a.jpg ", "x"}}},
                      ListCase{"no name, kept to be reported", " Just words ", {{" Just words ", "", LineFault::NoName}}},
                      ListCase{"a tab separates", "a.jpg\tTwo words", {{"a.jpg", "Two words"}}},
                      ListCase{"quotes in the description", "a.jpg say \"cheese\"", {{"a.jpg", "say \"cheese\""}}},
                      ListCase{"byte-order mark skipped", "\xEF\xBB\xBF\"a b.jpg\" d", {{"a b.jpg", "d"}}},
                      ListCase{"byte-order mark only at the start", "a.jpg x\n\xEF\xBB\xBF", {{"a.jpg", "x"}, {"\xEF\xBB\xBF", ""}}},
                      ListCase{"data after 0x04 is not description", "a.jpg Beach \x04\x1F\x02junk", {{"a.jpg", "Beach"}}},
                      ListCase{"0x1A ends the file", "a.jpg one\x1A\nb.jpg two\n", {{"a.jpg", "one"}}},
                      ListCase{"other bytes as they are", "caf\xE9.jpg Fran\xE7ois", {{"caf\xE9.jpg", "Fran\xE7ois"}}},
                      ListCase{"lines in order, CR LF as LF, duplicates kept, unclosed quote kept to be reported",
                               "a.jpg first\r\n\r\nb.jpg second\r\n\"unclosed\r\na.jpg third",
                               {{"a.jpg", "first"}, {"b.jpg", "second"}, {"\"unclosed", "", LineFault::UnclosedQuote}, {"a.jpg", "third"}}},
                      ListCase{"only a CR before LF goes", "a.jpg\r\r\n\"b\r\"", {{"a.jpg\r", ""}, {"b\r", ""}}}, ListCase{"nothing", "", {}},
                      ListCase{"blank lines skipped", "\n\r\n  \t \n\n", {}},
                      ListCase{"a 10 KB line is one entry", "a.jpg " + longText + "\nb.jpg next", {{"a.jpg", longText}, {"b.jpg", "next"}}},
                      ListCase{"a 5000-byte name is one name", longName + " description\n", {{longName, "description"}}}));

TEST(AListFile, readsLargeListsInLinearTime)
{
    QByteArray many;
    for (int i = 0; i < 100000; ++i)
        many += "IMG_" + QByteArray::number(i) + ".jpg A description of picture " + QByteArray::number(i) + "\n";
    EXPECT_EQ(ListFileParser::parse(many).size(), 100000u);
    const BatchList wide = ListFileParser::parse(QByteArray(1 << 20, 'x'));
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0].name.size(), 1 << 20);
}

TEST(AListFileReader, refusesWhatCannotBeOpenedAndNeverBlocks)
{
    TestFolder dir;
    EXPECT_NE(ListFileReader().open(dir.bytePath("missing.txt")), ImageStatus::Ok);
    EXPECT_NE(ListFileReader().open(QFile::encodeName(dir.path())), ImageStatus::Ok);
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(dir.bytePath("fifo.ion").constData(), 0644), 0);
    EXPECT_NE(ListFileReader().open(dir.bytePath("fifo.ion")), ImageStatus::Ok);
#endif
}

// A file is read in pieces of 64 KB: lines, and CR LF pairs, that cross
// them read as in memory.
TEST(AListFileReader, readsAFileAsItsBytes)
{
    TestFolder dir;
    QByteArray text;
    for (int i = 0; text.size() < 300000; ++i)
        text += "IMG_" + QByteArray::number(i) + ".jpg " + QByteArray(i % 5000, 'd') + "\r\n";
    ASSERT_TRUE(writeAll(dir.file("DESCRIPT.ION"), text));
    ListFileReader reader;
    ASSERT_EQ(reader.open(dir.bytePath("DESCRIPT.ION")), ImageStatus::Ok);
    BatchList list;
    for (ListEntry entry; reader.next(entry);)
        list.push_back(entry);
    EXPECT_EQ(reader.status(), ImageStatus::Ok);
    EXPECT_EQ(list, ListFileParser::parse(text));
    EXPECT_GT(list.size(), 100u);
}

TEST(SplitPath, separatesTheFolderWithItsDriveFromTheFile)
{
    EXPECT_EQ(splitPath("C:\\Pics\\list.txt").folder, QByteArray("C:\\Pics\\"));
    EXPECT_EQ(splitPath("C:\\Pics\\list.txt").file, QByteArray("list.txt"));
    EXPECT_EQ(splitPath("C:list.txt").folder, QByteArray("C:"));
    EXPECT_EQ(splitPath("/home/ann/DESCRIPT.ION").folder, QByteArray("/home/ann/"));
    EXPECT_EQ(splitPath("list.txt").folder, QByteArray());
    const QByteArray deep = "/" + QByteArray(300, 'd') + "/" + QByteArray(280, 'f');
    EXPECT_EQ(splitPath(deep).file.size(), 280); // nothing is cut at 259
}

TEST(ImagePathFor, staysInsideTheListFilesFolder)
{
    EXPECT_EQ(imagePathFor("/pics/", "a.jpg"), QByteArray("/pics/a.jpg"));
    EXPECT_EQ(imagePathFor("/pics/", "sub\\b.jpg"), QByteArray("/pics/sub/b.jpg"));
    EXPECT_EQ(imagePathFor("/pics/", "sub/../c.jpg"), QByteArray("/pics/sub/../c.jpg"));
    EXPECT_EQ(imagePathFor("", "a.jpg"), QByteArray("a.jpg"));
    EXPECT_EQ(imagePathFor("/pics/", "../secret.jpg"), std::nullopt);
    EXPECT_EQ(imagePathFor("/pics/", "sub/../../secret.jpg"), std::nullopt);
    EXPECT_EQ(imagePathFor("/pics/", "..\\secret.jpg"), std::nullopt);
    EXPECT_EQ(imagePathFor("/pics/", "/etc/passwd"), std::nullopt);
    EXPECT_EQ(imagePathFor("/pics/", "C:\\Windows\\x.jpg"), std::nullopt);
}
