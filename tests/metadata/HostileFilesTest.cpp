#include "MetadataReader.h"
#include "MetadataWriter.h"
#include "SafeSave.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace lumicap;
using namespace lumicap::test;

// Damaged and crafted files from a metadata library's regression suite, kept
// beside the project when it is checked out in its workplace.
static QString hostileFolder()
{
    for (const char *candidate : {LUMICAP_SOURCE_DIR "/../shared/corpus/hostile", LUMICAP_SOURCE_DIR "/../../shared/corpus/hostile"}) {
        if (QDir(candidate).exists())
            return QDir(candidate).absolutePath();
    }
    return {};
}

TEST(HostileFiles, giveAResultOrAStatusAndAreNeverChangedByAFailedSave)
{
    const QString folder = hostileFolder();
    if (folder.isEmpty())
        GTEST_SKIP() << "no hostile corpus beside this checkout";
    TestFolder dir;
    int opened = 0, saved = 0;
    const QStringList names = QDir(folder).entryList(QDir::Files);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString copy = dir.file("x.jpg");
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(QDir(folder).filePath(name), copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        const QByteArray before = readAll(copy);

        ImageStatus status;
        auto image = OpenImageFile(QFile::encodeName(copy), status);
        if (status != ImageStatus::Ok)
            continue;
        ++opened;
        ReadMetadata(*image);
        WriteMetadata(*image, {"hostile", "test", "file"}, false);
        if (SaveImageFile(*image, QFile::encodeName(copy)) == ImageStatus::Ok)
            ++saved;
        else
            EXPECT_EQ(readAll(copy), before);
        EXPECT_FALSE(QFile::exists(dir.file("_~x.jpg")));
    }
    RecordProperty("opened", opened);
    RecordProperty("saved", saved);
}
