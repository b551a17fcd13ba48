#include "CloudStorePaths_p.h"

#include <QDir>

#include "SafeFileName.h"

namespace {

QString entryPath(const QString &root, const QString &folder, const QString &name,
    const QString &suffix = QString())
{
    if (!isSafeFileName(name))
        return QString();
    return QDir(root).filePath(folder + QLatin1Char('/') + name + suffix);
}

} // namespace

QString CloudStorePaths::file(const QString &root, const QString &fileId)
{
    return entryPath(root, QStringLiteral("files"), fileId);
}

QString CloudStorePaths::userHeader(const QString &root, const QString &userId)
{
    return entryPath(root, QStringLiteral("headers"), userId, QStringLiteral(".png"));
}

QString CloudStorePaths::thumbnail(const QString &root, const QString &fileId)
{
    return entryPath(root, QStringLiteral("thumbs"), fileId);
}
