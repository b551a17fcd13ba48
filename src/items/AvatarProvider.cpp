#include "items/AvatarProvider_p.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmapCache>
#include <QPointer>

#include <filesystem>
#include <system_error>

#include "attach/PictureLabel.h"
#include "attach/PixmapRatio_p.h"

AvatarProvider *AvatarProvider::instance()
{
    // A child of the application: gone with it, after the last header; made anew for the next.
    static QPointer<AvatarProvider> provider;
    if (!provider)
        provider = new AvatarProvider(QCoreApplication::instance());
    return provider;
}

void AvatarProvider::announceDownloaded(const QString &userId, const QString &path)
{
    emit avatarDownloaded(userId, path);
}

void AvatarProvider::announceAbandoned(const QString &userId)
{
    emit downloadAbandoned(userId);
}

namespace {

/// The file's modification time (in the file system's own ticks) and size, or an empty string
/// for a resource or a missing file. std::filesystem rather than QFileInfo::lastModified, which
/// builds a local-time QDateTime (microseconds where TZ is unset) on every header shown.
QString fileStamp(const QString &path)
{
    if (path.startsWith(QLatin1Char(':')))
        return QString();
#ifdef Q_OS_WIN
    const std::filesystem::path file(path.toStdWString());
#else
    const std::filesystem::path file(QFile::encodeName(path).toStdString());
#endif
    std::error_code error;
    const auto time = std::filesystem::last_write_time(file, error);
    if (error)
        return QString();
    const auto size = std::filesystem::file_size(file, error);
    return QString::number(qint64(time.time_since_epoch().count())) + QLatin1Char('-')
        + QString::number(error ? 0 : quint64(size));
}

} // namespace

QString AvatarProvider::cacheKey(const QString &path, const QSize &size, qreal ratio)
{
    return QStringLiteral("dynfeed-avatar|%1x%2@%3|%4|")
               .arg(size.width())
               .arg(size.height())
               .arg(ratio)
               .arg(fileStamp(path))
        + path;
}

QPixmap AvatarProvider::avatar(const QString &path, const QSize &size, qreal ratio) const
{
    const QString key = cacheKey(path, size, ratio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    // Read through QImage: QPixmap::load would answer from its own cache, keyed by whole
    // seconds of the file's time, and miss a picture replaced within the same second.
    // The content decides the format, as for PictureLabel (a JPEG may be named .png).
    QImage image;
    if (path.startsWith(QLatin1Char(':'))) {
        image = resourceForRatio(path, ratio).toImage(); // its "@2x" where the ratio needs it
    } else if (PictureLabel::fileType(path) == PictureLabel::Picture) {
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        image = reader.read();
    }
    if (image.isNull()) // not a picture, or unreadable: as PictureLabel shows it
        image = PictureLabel::loadFile(path).toImage();
    const QSize pixels = size * ratio;
    if (!image.isNull() && image.size() != pixels)
        image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(ratio);
    if (!pixmap.isNull())
        QPixmapCache::insert(key, pixmap);
    return pixmap;
}
