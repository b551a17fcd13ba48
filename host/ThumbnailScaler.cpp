#include "ThumbnailScaler_p.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <vector>

#include "CloudFileService.h"

namespace {

// A picture is decoded whole to make its thumbnail; this caps the memory that takes (400 MB).
constexpr qint64 MaxPicturePixels = 100 * 1000 * 1000;

QString tr(const char *text)
{
    return QCoreApplication::translate("CloudFileService", text);
}

} // namespace

// Done here and not with QImage::scaled or convertToFormat, which in Qt 5.15 hand large images
// to Qt's global thread pool: that pool's hand-over is invisible to ThreadSanitizer and would
// bury real reports in false ones.
QImage ThumbnailScaler::shrink(const QImage &source, const QSize &size)
{
    const int sourceWidth = source.width();
    const int sourceHeight = source.height();
    const int width = size.width();
    const int height = size.height();
    const bool alpha = source.hasAlphaChannel();
    const QImage::Format format = source.format();
    const bool direct = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
    const bool premultiplied = format == QImage::Format_ARGB32_Premultiplied;

    QImage result(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    // Per target column: alpha-weighted red, green and blue, then alpha, then pixel count.
    std::vector<quint64> sums(size_t(width) * 5);
    std::vector<QRgb> converted(direct ? 0 : size_t(sourceWidth));
    int sourceY = 0;
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        const int sourceYEnd = int(qint64(y + 1) * sourceHeight / height);
        for (; sourceY < sourceYEnd; ++sourceY) {
            const QRgb *line = nullptr;
            if (direct) {
                line = reinterpret_cast<const QRgb *>(source.constScanLine(sourceY));
            } else {
                for (int x = 0; x < sourceWidth; ++x)
                    converted[size_t(x)] = source.pixel(x, sourceY);
                line = converted.data();
            }
            int sourceX = 0;
            for (int x = 0; x < width; ++x) {
                quint64 *sum = &sums[size_t(x) * 5];
                const int sourceXEnd = int(qint64(x + 1) * sourceWidth / width);
                for (; sourceX < sourceXEnd; ++sourceX) {
                    const QRgb pixel = line[sourceX];
                    const quint64 a = alpha ? quint64(qAlpha(pixel)) : 255;
                    // Premultiplied channels already carry alpha / 255.
                    const quint64 weight = premultiplied ? 255 : a;
                    sum[0] += quint64(qRed(pixel)) * weight;
                    sum[1] += quint64(qGreen(pixel)) * weight;
                    sum[2] += quint64(qBlue(pixel)) * weight;
                    sum[3] += a;
                    sum[4] += 1;
                }
            }
        }
        auto *target = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint64 *sum = &sums[size_t(x) * 5];
            if (sum[3] == 0) {
                target[x] = qRgba(0, 0, 0, 0);
                continue;
            }
            target[x] = qRgba(int(sum[0] / sum[3]), int(sum[1] / sum[3]), int(sum[2] / sum[3]),
                int(sum[3] / sum[4]));
        }
    }
    return result;
}

bool ThumbnailScaler::makeThumbnail(
    const QString &picturePath, QByteArray *thumbnail, QString *error)
{
    QImageReader reader(picturePath);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    if (format.isEmpty() || !size.isValid()) {
        *error = tr("The file is not a picture.");
        return false;
    }
    if (qint64(size.width()) * size.height() > MaxPicturePixels) {
        *error = tr("The picture is too large for a thumbnail.");
        return false;
    }
    const int edge = CloudFileStore::ThumbnailEdge;
    if (size.width() <= edge && size.height() <= edge) {
        QFile file(picturePath);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = file.errorString();
            return false;
        }
        *thumbnail = file.readAll();
        return true;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        *error = tr("The picture cannot be read: %1").arg(reader.errorString());
        return false;
    }
    const QSize scaled = image.size().scaled(edge, edge, Qt::KeepAspectRatio).expandedTo({ 1, 1 });
    QBuffer buffer(thumbnail);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(ThumbnailScaler::shrink(image, scaled))) {
        *error = tr("No thumbnail can be made: %1").arg(writer.errorString());
        return false;
    }
    return true;
}
