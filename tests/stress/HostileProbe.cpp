// Opens, reads and saves one (copied) file, for the hostile-file test, which
// runs it as a child with a memory limit and a timeout. Exit status: 0 when
// the file either saved or stayed byte for byte as it was, 1 when a failed
// save changed it.
#include "MetadataReader.h"
#include "MetadataWriter.h"
#include "SafeSave.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {
QByteArray contents(const QByteArray &path)
{
    QFile f(QFile::decodeName(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    QCoreApplication app(argc, argv);
    const QByteArray path(argv[1]);
    const QByteArray before = contents(path);
    lumicap::ImageStatus status;
    auto image = lumicap::OpenImageFile(path, status);
    if (status != lumicap::ImageStatus::Ok) {
        std::printf("open %d\n", lumicap::statusNumber(status));
        return 0;
    }
    (void)lumicap::ReadMetadata(*image);
    lumicap::WriteMetadata(*image, {"hostile", "probe", "file"}, false);
    status = lumicap::SaveImageFile(*image, path);
    std::printf("save %d\n", lumicap::statusNumber(status));
    if (status != lumicap::ImageStatus::Ok && contents(path) != before)
        return 1;
    if (QFile::exists(QFile::decodeName(path).section('/', 0, -2) + "/_~" + QFile::decodeName(path).section('/', -1)))
        return 1;
    return 0;
}
