#include "SaveTestSupport.h"

#include "metadata/MetadataReader.h"
#include "metadata/MetadataWriter.h"
#include "metadata/SafeSave.h"

#include <QDir>
#include <QFile>

namespace lumicap::test {

ImageStatus saveFields(const QString &path, const MetadataFields &fields, bool removeAll)
{
    ImageStatus status;
    const QByteArray bytes = QFile::encodeName(path);
    auto image = openImageFile(bytes, status);
    if (status != ImageStatus::Ok)
        return status;
    writeMetadata(*image, fields, removeAll);
    return saveImageFile(*image, bytes);
}

MetadataFields readFields(const QString &path, ImageStatus *status)
{
    ImageStatus s;
    auto image = openImageFile(QFile::encodeName(path), s);
    if (status)
        *status = s;
    return s == ImageStatus::Ok ? readMetadata(*image) : MetadataFields();
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({"_~*"}, QDir::AllEntries | QDir::Hidden | QDir::System);
}

} // namespace lumicap::test
