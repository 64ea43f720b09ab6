// Opens, reads and saves copies of files, for the hostile-file test, which
// runs it as a child with a memory limit and a time limit:
//   hostile_probe SCRATCH FILE...
// Each FILE is copied into the folder SCRATCH as x.jpg and as x.tif, and each
// copy is opened, read and saved. Before each copy its name goes to standard
// error, so a crash or a hang names the file. Exit status: 0 when every copy
// either saved or stayed byte for byte as it was, 1 when a failed save
// changed one or left its temporary file, 2 on bad arguments.
#include "metadata/MetadataReader.h"
#include "metadata/MetadataWriter.h"
#include "metadata/SafeSave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {
QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// True when the copy either saved or kept its bytes, and left no litter.
bool probe(const QString &path)
{
    const QByteArray before = contents(path);
    lumicap::ImageStatus status;
    auto image = lumicap::openImageFile(QFile::encodeName(path), status);
    if (status != lumicap::ImageStatus::Ok)
        return true;
    (void)lumicap::readMetadata(*image);
    lumicap::writeMetadata(*image, {"hostile", "probe", "file"}, false);
    status = lumicap::saveImageFile(*image, QFile::encodeName(path));
    if (status != lumicap::ImageStatus::Ok && contents(path) != before)
        return false;
    const QFileInfo info(path);
    return !QFile::exists(info.dir().filePath("_~" + info.fileName()));
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    QCoreApplication app(argc, argv);
    const QDir scratch(QFile::decodeName(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const QString source = QFile::decodeName(argv[i]);
        for (const char *as : {"x.jpg", "x.tif"}) {
            std::fprintf(stderr, "%s as %s\n", argv[i], as);
            const QString copy = scratch.filePath(as);
            QFile::remove(copy);
            if (!QFile::copy(source, copy) || !QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner))
                return 2;
            if (!probe(copy))
                return 1;
        }
    }
    return 0;
}
