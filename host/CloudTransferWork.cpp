#include "CloudTransferJob_p.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

#include "CloudFileService.h"
#include "CloudStorePaths_p.h"
#include "CloudTransferMailbox_p.h"
#include "Logging_p.h"
#include "ThumbnailScaler_p.h"

// The local store's transfers, run on the pool's workers.

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CloudFileService", text);
}

struct TransferOutcome
{
    int status = TransferStatus_Finished;
    QString text;
};

TransferOutcome failed(const QString &text)
{
    return { TransferStatus_Failed, text };
}

TransferOutcome cancelled()
{
    return { TransferStatus_Cancelled, tr("The transfer was cancelled.") };
}

void reportProgress(CloudTransferJob &job, qint64 done, qint64 total)
{
    job.setDone(done);
    CloudTransferEvent event;
    event.type = CloudTransferEvent::Progress;
    event.transfer = job.transfer();
    event.done = done;
    event.total = total;
    job.mailbox()->post(std::move(event));
}

/// Copies in chunks into a temporary file beside targetPath and renames it into place, so that
/// targetPath never shows a partial file. Leaves nothing behind when it fails or is cancelled.
TransferOutcome copyInChunks(CloudTransferJob &job, QIODevice &source, const QString &targetPath)
{
    if (targetPath.isEmpty())
        return failed(tr("No local path was given."));
    const QString targetDir = QFileInfo(targetPath).absolutePath();
    if (!QDir().mkpath(targetDir))
        return failed(tr("Cannot create the folder %1.").arg(targetDir));
    QSaveFile target(targetPath);
    if (!target.open(QIODevice::WriteOnly))
        return failed(tr("Cannot write %1: %2").arg(targetPath, target.errorString()));

    const qint64 total = source.size();
    const int chunkSize = std::max(1, job.request().settings.chunkSize);
    QByteArray chunk(chunkSize, Qt::Uninitialized);
    qint64 done = 0;
    if (total == 0)
        reportProgress(job, 0, 0);
    for (;;) {
        if (job.isCancelled())
            return cancelled();
        if (job.request().settings.failAfter >= 0 && done >= job.request().settings.failAfter)
            return failed(tr("The connection to the cloud was lost."));
        const qint64 read = source.read(chunk.data(), chunkSize);
        if (read < 0)
            return failed(tr("Cannot read from the cloud: %1").arg(source.errorString()));
        if (read == 0)
            break;
        if (target.write(chunk.constData(), read) != read)
            return failed(tr("Cannot write %1: %2").arg(targetPath, target.errorString()));
        done += read;
        reportProgress(job, done, total);
        if (!source.atEnd() && !job.pause(job.request().settings.chunkDelay))
            return cancelled();
    }
    if (job.isCancelled())
        return cancelled();
    if (!target.commit())
        return failed(tr("Cannot write %1: %2").arg(targetPath, target.errorString()));
    return {};
}

TransferOutcome copyFile(CloudTransferJob &job, const QString &sourcePath,
    const QString &targetPath, const QString &missingText)
{
    if (sourcePath.isEmpty() || !QFileInfo(sourcePath).isFile())
        return failed(missingText);
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return failed(tr("Cannot read %1: %2").arg(sourcePath, source.errorString()));
    return copyInChunks(job, source, targetPath);
}

TransferOutcome downloadThumbnail(CloudTransferJob &job)
{
    const CloudTransferJob::Request &request = job.request();
    const QString stored = CloudStorePaths::thumbnail(request.settings.root, request.id);
    if (!stored.isEmpty() && QFileInfo(stored).isFile())
        return copyFile(job, stored, request.localPath, QString());

    const QString picture = CloudStorePaths::file(request.settings.root, request.id);
    if (picture.isEmpty() || !QFileInfo(picture).isFile())
        return failed(tr("There is no picture %1 in the cloud.").arg(request.id));
    QByteArray thumbnail;
    QString error;
    if (!ThumbnailScaler::makeThumbnail(picture, &thumbnail, &error))
        return failed(error);
    QBuffer source(&thumbnail);
    source.open(QIODevice::ReadOnly);
    return copyInChunks(job, source, request.localPath);
}

TransferOutcome perform(CloudTransferJob &job)
{
    const CloudTransferJob::Request &request = job.request();
    const QString &root = request.settings.root;
    switch (request.kind) {
    case CloudTransferJob::Kind::Upload: {
        const QString target = CloudStorePaths::file(root, request.id);
        if (target.isEmpty())
            return failed(tr("%1 is not a valid file id.").arg(request.id));
        return copyFile(job, request.localPath, target,
            tr("There is no local file %1.").arg(request.localPath));
    }
    case CloudTransferJob::Kind::File:
        return copyFile(job, CloudStorePaths::file(root, request.id), request.localPath,
            tr("There is no file %1 in the cloud.").arg(request.id));
    case CloudTransferJob::Kind::UserHeader:
        return copyFile(job, CloudStorePaths::userHeader(root, request.id), request.localPath,
            tr("There is no picture of user %1 in the cloud.").arg(request.id));
    case CloudTransferJob::Kind::Picture:
        if (request.variant == 0)
            return downloadThumbnail(job);
        return copyFile(job, CloudStorePaths::file(root, request.id), request.localPath,
            tr("There is no picture %1 in the cloud.").arg(request.id));
    }
    return failed(QString());
}

} // namespace

void runCloudTransfer(CloudTransferJob &job)
{
    CloudTransferEvent event;
    event.type = CloudTransferEvent::Finished;
    event.transfer = job.transfer();
    const TransferOutcome outcome = job.isCancelled() ? cancelled() : perform(job);
    event.status = outcome.status;
    event.text = outcome.text;
    // The caller hears of a failure through its sink; the log line is for whoever looks later.
    if (outcome.status == TransferStatus_Failed)
        qCDebug(lcFiles(), "CloudFileService: transfer of %s (local file %s) failed: %s",
            qUtf8Printable(job.request().id), qUtf8Printable(job.request().localPath),
            qUtf8Printable(outcome.text));
    // The last touch of the service: it may be deleted as soon as this has been delivered.
    job.mailbox()->post(std::move(event));
}
