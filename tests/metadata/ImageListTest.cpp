#include "metadata/ImageList.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace lumicap;
using namespace lumicap::test;

struct OrderCase
{
    const char *first;
    const char *second;
};

class ImageOrder : public ::testing::TestWithParam<OrderCase>
{};

TEST_P(ImageOrder, putsTheFirstBeforeTheSecond)
{
    EXPECT_LT(compareImagePaths(GetParam().first, GetParam().second), 0);
    EXPECT_GT(compareImagePaths(GetParam().second, GetParam().first), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ImageOrder,
                         ::testing::Values(OrderCase{"d/IMG_10.jpg", "d/IMG_9.jpg"},                                     // digits are characters
                                           OrderCase{"d/IMG_10.JPG", "d/img_2.jpg"}, OrderCase{"d/a_b.jpg", "d/ab.jpg"}, // '_' before letters
                                           OrderCase{"d/a.jpg", "d/a1.jpg"},                                             // '.' before digits
                                           OrderCase{"d/a.jpg", "d/A.tif"},                                              // extension decides
                                           OrderCase{"d/A.tif", "d/b.JPG"}, OrderCase{"d/z.jpg", "d/\xC3\xA9.jpg"},      // high bytes unfolded
                                           OrderCase{"d/\xC3\x89.jpg", "d/\xC3\xA9.jpg"}, OrderCase{"d/ab", "d/abc"}));  // prefix first

TEST(ImageOrder, treatsNamesThatDifferOnlyInCaseAsEqual)
{
    EXPECT_EQ(compareImagePaths("d/Photo.JPG", "d/photo.jpg"), 0);
}

class AFolderScan : public ::testing::Test
{
protected:
    void make(const QString &name) { ASSERT_TRUE(writeAll(dir.file(name), "x")); }
    QStringList namesIn(const std::vector<QByteArray> &list, const QString &prefix)
    {
        QStringList names;
        for (const QByteArray &entry : list) {
            EXPECT_TRUE(entry.startsWith(QFile::encodeName(prefix))) << entry.toStdString();
            names.append(QFile::decodeName(entry.mid(QFile::encodeName(prefix).size())));
        }
        return names;
    }
    TestFolder dir;
};

TEST_F(AFolderScan, listsPicturesInDisplayOrder)
{
    for (const char *name : {"b.JPG", "A.tif", "a.jpg", "c.jpeg", "d.TIFF", "IMG_9.jpg", "IMG_10.jpg", "notes.txt", "e.jpgx", "f.png", "g.webp",
                             "h.NEF", "h.xmp", "h.NEF.xmp", "i.heic", "j.cr3", "k.dng", "l.avif"})
        make(name);
    make(".hidden.jpg");
    make("readonly.jpg");
    QFile::setPermissions(dir.file("readonly.jpg"), QFile::ReadOwner);
    ASSERT_TRUE(QDir(dir.path()).mkpath("sub.jpg/inner"));
    make("sub.jpg/inside.jpg");
    QStringList listed{"a.jpg",  "A.tif",      "b.JPG",     "c.jpeg", "d.TIFF", "f.png",  "g.webp",      "h.NEF",
                       "i.heic", "IMG_10.jpg", "IMG_9.jpg", "j.cr3",  "k.dng",  "l.avif", "readonly.jpg"};
#ifndef _WIN32 // links and FIFOs as POSIX has them
    ASSERT_TRUE(QFile::link(dir.file("a.jpg"), dir.file("link.jpg")));
    ASSERT_TRUE(QFile::link(dir.file("gone.jpg"), dir.file("dangling.jpg")));
    ASSERT_TRUE(QFile::link(dir.file("sub.jpg"), dir.file("folderlink.jpg")));
    ASSERT_EQ(::mkfifo(dir.bytePath("pipe.jpg").constData(), 0644), 0);
    listed.insert(14, "link.jpg");
#endif

#ifdef _WIN32
    listed.prepend(".hidden.jpg"); // a dot does not hide a name there
#endif
    EXPECT_EQ(namesIn(ImageList::listImages(QFile::encodeName(dir.path())), dir.path() + QDir::separator()), listed);
}

TEST_F(AFolderScan, keepsTheFolderTextAsTypedAndAddsASeparatorOnlyWhenMissing)
{
    make("x.jpg");
    const auto list = [](const QString &folder) { return ImageList::listImages(QFile::encodeName(folder)); };
    EXPECT_EQ(list(dir.path()), std::vector<QByteArray>{QFile::encodeName(dir.path() + QDir::separator() + "x.jpg")});
    EXPECT_EQ(list(dir.path() + "/"), std::vector<QByteArray>{QFile::encodeName(dir.path() + "/x.jpg")});
    EXPECT_EQ(list(dir.path() + "//"), std::vector<QByteArray>{QFile::encodeName(dir.path() + "//x.jpg")});

    const QString current = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    ASSERT_TRUE(QDir().mkdir("rel"));
    make("rel/y.tif");
    EXPECT_EQ(list("rel"), std::vector<QByteArray>{QFile::encodeName(QString("rel") + QDir::separator() + "y.tif")});
    QDir::setCurrent(current);
    // Nothing from a folder without images, a missing one or a plain file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("empty"));
    make("empty/readme.txt");
    for (const char *none : {"empty", "missing", "x.jpg"})
        EXPECT_TRUE(list(dir.file(none)).empty()) << none;
}

TEST_F(AFolderScan, checksTheFolderTextForEmptinessThenExistence)
{
    make("plain.jpg");
    EXPECT_EQ(checkFolder(""), FolderCheck::Empty);
    EXPECT_EQ(checkFolder(QFile::encodeName(dir.file("missing"))), FolderCheck::Missing);
    EXPECT_EQ(checkFolder(QFile::encodeName(dir.path())), FolderCheck::Ok);
    EXPECT_EQ(checkFolder(QFile::encodeName(dir.file("plain.jpg"))), FolderCheck::Ok); // a plain file passes
}
