#include "attach/PictureLabel.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include "attach/FileIconTable.h"

namespace {

/// Pictures are often stored under the wrong suffix (a JPEG named .png); the first bytes decide
/// where they name a format, the suffix elsewhere.
QByteArray pictureFormat(const QString &path)
{
    QByteArray format = QFileInfo(path).suffix().toLocal8Bit();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCritical("PictureLabel open pic fial!");
        return format;
    }
    static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
    if (file.read(8) == pngSignature)
        return QByteArrayLiteral("png");
    file.seek(0);
    if (file.read(2) == QByteArrayLiteral("\xff\xd8"))
        return QByteArrayLiteral("jpg");
    return format;
}

} // namespace

PictureLabel::PictureLabel(QWidget *parent)
    : PictureLabel(QStringLiteral("PictureLabel"), parent)
{ }

PictureLabel::PictureLabel(const QString &objectName, QWidget *parent)
    : KMLabel(objectName, parent)
{
    setScaledContents(true);
}

PictureLabel::FileType PictureLabel::fileType(const QString &path)
{
    // Compared as bytes so that only ASCII letters fold (no Unicode case mapping).
    const QByteArray suffix = QFileInfo(path).suffix().toLocal8Bit().toLower();
    static const QByteArray pictureSuffixes[] = { "jpg", "png", "bmp", "jpeg" };
    for (const QByteArray &picture : pictureSuffixes) {
        if (suffix == picture)
            return Picture;
    }
    return OtherFile;
}

QPixmap PictureLabel::loadFile(const QString &path)
{
    QPixmap pixmap;
    if (fileType(path) == Picture) {
        pixmap.load(path, pictureFormat(path).constData());
    } else {
        pixmap.load(FileIconTable::iconPath(QStringLiteral("%1_Shape").arg(path)), "png");
    }
    return pixmap;
}

QSize PictureLabel::showFile(const QString &path)
{
    const QPixmap pixmap = loadFile(path);
    setPixmap(pixmap);
    return pixmap.size();
}
