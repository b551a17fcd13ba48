#include "attach/PixmapRatio_p.h"

#include <QIcon>
#include <QPainter>
#include <QPixmapCache>
#include <QSize>
#include <QTransform>

qreal paintRatio(const QPainter &painter)
{
    // QPainter::device() is the widget even while it renders into a picture; the device
    // transform holds the target's ratio in both cases.
    const QTransform transform = painter.deviceTransform();
    const qreal ratio = qMax(qAbs(transform.m11()), qAbs(transform.m12()));
    return ratio > 0 ? ratio : 1;
}

QPixmap resourceForRatio(const QString &path, qreal ratio)
{
    qreal sourceRatio = 1;
    const QString file = ratio > 1 ? qt_findAtNxFile(path, ratio, &sourceRatio) : path;
    const QString key = QStringLiteral("dynfeed-resource|") + file;
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap.load(file);
        if (!pixmap.isNull())
            QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

QPixmap scaledForRatio(const QPixmap &source, const QSize &size, qreal ratio, const QString &key)
{
    const QSize pixels = size * ratio;
    if (source.isNull() || pixels.isEmpty())
        return QPixmap();
    const QString scaledKey
        = QStringLiteral("%1|%2x%3@%4").arg(key).arg(size.width()).arg(size.height()).arg(ratio);
    QPixmap scaled;
    if (!QPixmapCache::find(scaledKey, &scaled)) {
        scaled = source.size() == pixels
            ? source
            : source.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(ratio);
        QPixmapCache::insert(scaledKey, scaled);
    }
    return scaled;
}
