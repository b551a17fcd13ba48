#pragma once

#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QString>

/// The process's avatars: the pictures, scaled once per size and screen ratio and shared through
/// QPixmapCache, and the news of the downloads that every header of the process waits for. A
/// header asks it for pictures and listens to its two signals; no header needs to know another.
/// One per process, GUI thread only.
class AvatarProvider : public QObject
{
    Q_OBJECT
public:
    static AvatarProvider *instance();

    /// The picture at path scaled to size at ratio (the default picture's rules for a file that
    /// is not one), made once and shared by every header.
    QPixmap avatar(const QString &path, const QSize &size, qreal ratio) const;
    /// The cache key of that picture. It holds the file's time and size: the host may rewrite an
    /// avatar file at any moment, and a header shown afterwards must read the new picture.
    static QString cacheKey(const QString &path, const QSize &size, qreal ratio);

    /// A header fetched userId's avatar to path.
    void announceDownloaded(const QString &userId, const QString &path);
    /// A header that was fetching userId's avatar went away before the end.
    void announceAbandoned(const QString &userId);

signals:
    void avatarDownloaded(const QString &userId, const QString &path);
    /// Headers of that user waited for the download: one of them fetches it now.
    void downloadAbandoned(const QString &userId);

private:
    using QObject::QObject;
};
