#pragma once

#include "metadata/MetadataFields.h"
#include "imaging/ImageStatus.h"

#include <QByteArray>
#include <QString>

namespace lumicap::test {

// Open, write the three fields, save: what the editor and the batch do.
ImageStatus saveFields(const QString &path, const MetadataFields &fields, bool removeAll = false);
MetadataFields readFields(const QString &path, ImageStatus *status = nullptr);
// Files in a folder whose name starts with "_~".
QStringList leftovers(const QString &folder);

} // namespace lumicap::test
