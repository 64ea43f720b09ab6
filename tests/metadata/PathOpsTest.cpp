#include "metadata/PathOps.h"

#include <gtest/gtest.h>

using namespace lumicap;

struct PathCase
{
    const char *path;
    const char *directory;
    const char *file;
};

class PathParts : public ::testing::TestWithParam<PathCase>
{};

TEST_P(PathParts, splitAtTheLastSeparatorOfEitherKind)
{
    EXPECT_EQ(directoryPart(GetParam().path), QByteArray(GetParam().directory));
    EXPECT_EQ(fileNamePart(GetParam().path), QByteArray(GetParam().file));
}

INSTANTIATE_TEST_SUITE_P(Paths, PathParts,
                         ::testing::Values(PathCase{"C:\\Pics\\a.jpg", "C:\\Pics\\", "a.jpg"}, PathCase{"/home/ann/a.jpg", "/home/ann/", "a.jpg"},
                                           PathCase{"pics/sub\\b.tif", "pics/sub\\", "b.tif"}, PathCase{"a.jpg", "", "a.jpg"},
                                           PathCase{"folder/", "folder/", ""}));

TEST(JoinPath, addsTheNativeSeparatorOnlyWhenNeeded)
{
    EXPECT_EQ(joinPath("", "a.jpg"), QByteArray("a.jpg"));
    EXPECT_EQ(joinPath("C:\\Pics\\", "a.jpg"), QByteArray("C:\\Pics\\a.jpg"));
    EXPECT_EQ(joinPath("/pics/", "a.jpg"), QByteArray("/pics/a.jpg"));
    EXPECT_EQ(joinPath("/pics", "a.jpg"), QByteArray("/pics") + nativeSeparator + "a.jpg");
}
