// Writes the application icon as PNG files at the usual sizes and as a
// Windows .ico, from the one drawing in AppIcon.cpp.
//   make_icons OUTPUT_FOLDER
#include "widgets/AppIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QBuffer>
#include <QDataStream>
#include <QFile>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(".");
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        if (!lumicap::appIconImage(size).save(out.filePath(QString("lumicap-%1.png").arg(size))))
            return 1;
    }
    // A 16x16 and a 32x32 image in one icon file, for Windows: the icon
    // header, one directory entry each, and the images as PNG data.
    QList<QByteArray> images;
    for (const int size : {16, 32}) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        lumicap::appIconImage(size).save(&buffer, "PNG");
        images << png;
    }
    QByteArray ico;
    QDataStream stream(&ico, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << quint16(0) << quint16(1) << quint16(images.size());
    quint32 offset = 6 + 16 * images.size();
    int index = 0;
    for (const int size : {16, 32}) {
        const QByteArray &png = images[index++];
        stream << quint8(size) << quint8(size) << quint8(0) << quint8(0) << quint16(1) << quint16(32) << quint32(png.size()) << offset;
        offset += png.size();
    }
    for (const QByteArray &png : images)
        stream.writeRawData(png.constData(), static_cast<int>(png.size()));
    QFile file(out.filePath("lumicap.ico"));
    return file.open(QIODevice::WriteOnly) && file.write(ico) == ico.size() ? 0 : 1;
}
