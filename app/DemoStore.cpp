#include "DemoStore.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "CloudFileService.h"
#include "DemoTaskFiles.h"
#include "PSVPushService.h"
#include "samples/SampleFiles.h"
#include "samples/SampleProject.h"
#include "samples/SampleWeather.h"

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

bool DemoStore::prepare(const QString &dataDir, QString *error)
{
    QDir().mkpath(dataDir);
    PSVPushService::setStorePath(dataDir + QStringLiteral("/push.sqlite"));
    CloudFileStore::setRootPath(dataDir + QStringLiteral("/cloud"));

    // Hostile ids name no entry: the feed shows their failure as it would.
    for (const SampleFile &file : SampleFiles::all()) {
        const QString path = file.kind == SampleFile::Avatar
            ? CloudFileStore::userHeaderPath(file.id)
            : CloudFileStore::filePath(file.id);
        if (!path.isEmpty() && !QFileInfo::exists(path))
            writeFile(path, SampleFiles::contents(file));
    }

    const QList<pb_clt_t_user> messages = SampleProject::messages();
    DemoTaskFiles::store(messages); // voice notes and report files
    const QString prjId = SampleProject::projectId();
    int initSeq = 0;
    int seq = 0;
    PSVPushService::groupSeqIds(prjId, &initSeq, &seq);
    if (seq == 0) {
        for (const pb_clt_t_user &message : messages + SampleWeather::storyForecasts()) {
            if (PSVPushService::publish(prjId, message).isEmpty()) {
                *error = QStringLiteral("cannot publish the sample project into %1")
                             .arg(PSVPushService::serverUrl().isEmpty()
                                     ? PSVPushService::storePath()
                                     : PSVPushService::serverUrl().toString());
                return false;
            }
        }
    } else if (!DemoTaskFiles::publishIfMissing(prjId, error)) { // a store of an older sample
        return false;
    }
    publishForecast(dataDir, QDate::currentDate());
    return true;
}

void DemoStore::publishForecast(const QString &dataDir, const QDate &today)
{
    // Once a day, as the weather service would.
    const QString stampPath = dataDir + QStringLiteral("/forecast.stamp");
    const QByteArray stamp = today.toString(Qt::ISODate).toLatin1();
    QFile last(stampPath);
    if (last.open(QIODevice::ReadOnly) && last.readAll() == stamp)
        return;
    if (!PSVPushService::publish(SampleProject::projectId(), SampleWeather::forecast(today, 4))
             .isEmpty())
        writeFile(stampPath, stamp);
}
