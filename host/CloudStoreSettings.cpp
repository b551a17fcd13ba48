#include "CloudStoreSettings_p.h"

#include <QStandardPaths>

#include <algorithm>
#include <mutex>

#include "CloudFileService.h"
#include "CloudStorePaths_p.h"

namespace {

std::mutex &settingsMutex()
{
    static std::mutex mutex;
    return mutex;
}

CloudStoreSettings &settings() // guarded by settingsMutex()
{
    static CloudStoreSettings values;
    return values;
}

QString defaultRootPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
        + QStringLiteral("/cloud");
}

} // namespace

CloudStoreSettings currentCloudStoreSettings()
{
    std::lock_guard<std::mutex> lock(settingsMutex());
    CloudStoreSettings values = settings();
    if (values.root.isEmpty())
        values.root = defaultRootPath();
    return values;
}

void CloudFileStore::setRootPath(const QString &dir)
{
    std::lock_guard<std::mutex> lock(settingsMutex());
    settings().root = dir;
}

QString CloudFileStore::rootPath()
{
    return currentCloudStoreSettings().root;
}

void CloudFileStore::setChunkSize(int bytes)
{
    std::lock_guard<std::mutex> lock(settingsMutex());
    settings().chunkSize = std::max(1, bytes);
}

void CloudFileStore::setChunkDelay(int ms)
{
    std::lock_guard<std::mutex> lock(settingsMutex());
    settings().chunkDelay = std::max(0, ms);
}

void CloudFileStore::setFailAfter(qint64 bytes)
{
    std::lock_guard<std::mutex> lock(settingsMutex());
    settings().failAfter = bytes;
}

void CloudFileStore::resetTransferSettings()
{
    std::lock_guard<std::mutex> lock(settingsMutex());
    const QString root = settings().root;
    settings() = CloudStoreSettings();
    settings().root = root;
}

QString CloudFileStore::filePath(const QString &fileId)
{
    return CloudStorePaths::file(rootPath(), fileId);
}

QString CloudFileStore::userHeaderPath(const QString &userId)
{
    return CloudStorePaths::userHeader(rootPath(), userId);
}

QString CloudFileStore::thumbnailPath(const QString &fileId)
{
    return CloudStorePaths::thumbnail(rootPath(), fileId);
}
