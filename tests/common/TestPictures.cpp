#include "common/TestPictures.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>

namespace TestPictures {

QImage halves(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = size.width() / 2; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(0, 0, 255));
    }
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray picture(const QSize &size, const char *format)
{
    return encoded(halves(size), format);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeSolid(const QString &path, const QColor &color, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return writeFile(path, encoded(image, "png"));
}

QString sha1(const QString &name)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex());
}

QImage shown(const QLabel &label)
{
    return label.pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_RGB32);
}

QImage resourceImage(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

QString colorDifference(const QColor &actual, const QColor &expected, int tolerance)
{
    if (actual.isValid() != expected.isValid())
        return QStringLiteral("one colour is invalid: %1 against %2")
            .arg(actual.name(), expected.name());
    const QRgb a = actual.rgba();
    const QRgb e = expected.rgba();
    const int off = qMax(qMax(qAbs(qRed(a) - qRed(e)), qAbs(qGreen(a) - qGreen(e))),
        qMax(qAbs(qBlue(a) - qBlue(e)), qAbs(qAlpha(a) - qAlpha(e))));
    if (off <= tolerance)
        return QString();
    return QStringLiteral("%1 against %2")
        .arg(actual.name(QColor::HexArgb), expected.name(QColor::HexArgb));
}

QString imageDifference(const QImage &actual, const QImage &expected, int tolerance)
{
    if (actual.isNull() || expected.isNull()) {
        return actual.isNull() == expected.isNull()
            ? QString()
            : QStringLiteral("null picture: actual %1, expected %2")
                  .arg(actual.isNull() ? "null" : "not null",
                      expected.isNull() ? "null" : "not null");
    }
    if (actual.size() != expected.size()) {
        return QStringLiteral("size %1x%2 against %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    }
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QString off = colorDifference(a.pixelColor(x, y), e.pixelColor(x, y), tolerance);
            if (!off.isEmpty())
                return QStringLiteral("pixel (%1, %2): %3").arg(x).arg(y).arg(off);
        }
    }
    return QString();
}

} // namespace TestPictures
