#include "BatchRun.h"
#include "ListFile.h"
#include "TestFiles.h"

#include <QDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace lumicap;
using namespace lumicap::test;

struct LineCase
{
    const char *what;
    QByteArray line;
    bool entry;
    QByteArray name;
    QByteArray description;
};

class AListLine : public ::testing::TestWithParam<LineCase>
{
};

TEST_P(AListLine, givesItsEntry)
{
    const BatchList list = ListFileParser::parse(GetParam().line);
    if (!GetParam().entry) {
        EXPECT_TRUE(list.empty());
        return;
    }
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, GetParam().name);
    EXPECT_EQ(list[0].description, GetParam().description);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AListLine,
    ::testing::Values(LineCase{"plain", "PICT001.JPG My first Picture\n", true, "PICT001.JPG", "My first Picture"},
                      LineCase{"quoted", "\"PICT 2.JPG\" My second Picture\n", true, "PICT 2.JPG", "My second Picture"},
                      LineCase{"name only", "lonely.jpg", true, "lonely.jpg", ""},
                      LineCase{"spaces and tabs trimmed", "a.jpg    text with ends \t \n", true, "a.jpg", "text with ends"},
                      LineCase{"quote then text", "\"a b.jpg\"text", true, "a b.jpg", "text"},
                      LineCase{"quoted spaces kept", "\" a.jpg \" x", true, " a.jpg ", "x"},
                      LineCase{"leading space", " Just words ", true, "", "Just words"},
                      LineCase{"spaces only", "     \n", true, "", ""},
                      LineCase{"a tab does not separate", "a.jpg\tTwo words", true, "a.jpg\tTwo", "words"},
                      LineCase{"unclosed quote", "\"a b.jpg text\n", false, "", ""},
                      LineCase{"quotes in the description", "a.jpg say \"cheese\"", true, "a.jpg", "say \"cheese\""},
                      LineCase{"empty line", "\n", false, "", ""},
                      LineCase{"byte-order mark skipped", "\xEF\xBB\xBF\"a b.jpg\" d", true, "a b.jpg", "d"},
                      LineCase{"data after 0x04 is not description", "a.jpg Beach \x04\x1F\x02junk", true, "a.jpg", "Beach"},
                      LineCase{"0x1A ends the file", "a.jpg one\x1A\nb.jpg two\n", true, "a.jpg", "one"},
                      LineCase{"other bytes as they are", "caf\xE9.jpg Fran\xE7ois", true, "caf\xE9.jpg", "Fran\xE7ois"}));

TEST(AListFile, readsLinesInOrderWithCrLfAsLfAndKeepsDuplicates)
{
    const QByteArray lf = "a.jpg first\n\nb.jpg second\n\"unclosed\na.jpg third";
    QByteArray crlf = lf;
    crlf.replace("\n", "\r\n");
    const BatchList expected{{"a.jpg", "first"}, {"b.jpg", "second"}, {"a.jpg", "third"}};
    EXPECT_EQ(ListFileParser::parse(lf), expected);
    EXPECT_EQ(ListFileParser::parse(crlf), expected);
    EXPECT_TRUE(ListFileParser::parse("").empty());
    EXPECT_TRUE(ListFileParser::parse("\n\r\n\n").empty());
}

TEST(AListFile, cutsLinesIntoPiecesOf4094Bytes)
{
    const QByteArray longName(5000, 'n');
    const BatchList cut = ListFileParser::parse(longName + " description\n");
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[0].name, longName.left(4094));
    EXPECT_EQ(cut[0].description, QByteArray());
    EXPECT_EQ(cut[1].name, longName.mid(4094));
    EXPECT_EQ(cut[1].description, QByteArray("description"));

    const QByteArray exact = "a.jpg " + QByteArray(4088, 'd');
    ASSERT_EQ(exact.size(), 4094);
    const BatchList one = ListFileParser::parse(exact + "\nb.jpg next\n");
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one[0].description.size(), 4088);
    EXPECT_EQ(one[1].name, QByteArray("b.jpg"));
}

TEST(AListFile, parsesLargeListsInLinearTime)
{
    QByteArray many;
    for (int i = 0; i < 100000; ++i)
        many += "IMG_" + QByteArray::number(i) + ".jpg A description of picture " + QByteArray::number(i) + "\n";
    EXPECT_EQ(ListFileParser::parse(many).size(), 100000u);
    const BatchList wide = ListFileParser::parse(QByteArray(1 << 20, 'x'));
    EXPECT_EQ(wide.size(), (1u << 20) / 4094 + 1);
}

TEST(ParseListFile, refusesWhatCannotBeOpenedAndNeverBlocks)
{
    TestFolder dir;
    BatchList list{{"stale", "entry"}};
    EXPECT_FALSE(ParseListFile(dir.bytePath("missing.txt"), list));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(ParseListFile(QFile::encodeName(dir.path()), list));
    ASSERT_EQ(::mkfifo(dir.bytePath("fifo.ion").constData(), 0644), 0);
    EXPECT_FALSE(ParseListFile(dir.bytePath("fifo.ion"), list));
    ASSERT_TRUE(writeAll(dir.file("DESCRIPT.ION"), "a.jpg A\r\nb.jpg B\r\n"));
    EXPECT_TRUE(ParseListFile(dir.bytePath("DESCRIPT.ION"), list));
    EXPECT_EQ(list.size(), 2u);
}

TEST(SplitPath, separatesTheFolderWithItsDriveFromTheFile)
{
    EXPECT_EQ(SplitPath("C:\\Pics\\list.txt").folder, QByteArray("C:\\Pics\\"));
    EXPECT_EQ(SplitPath("C:\\Pics\\list.txt").file, QByteArray("list.txt"));
    EXPECT_EQ(SplitPath("C:list.txt").folder, QByteArray("C:"));
    EXPECT_EQ(SplitPath("/home/ann/DESCRIPT.ION").folder, QByteArray("/home/ann/"));
    EXPECT_EQ(SplitPath("list.txt").folder, QByteArray());
    const QByteArray deep = "/" + QByteArray(300, 'd') + "/" + QByteArray(280, 'f');
    EXPECT_EQ(SplitPath(deep).file.size(), 280); // nothing is cut at 259
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
