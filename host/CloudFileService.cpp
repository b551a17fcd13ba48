#include "CloudFileService.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QObject>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

#include "CloudFileTransfer_p.h"
#include "CloudStorePaths_p.h"
#include "CloudStoreSettings_p.h"
#include "CloudTransferJob_p.h"
#include "CloudTransferMailbox_p.h"
#include "CloudTransferPool_p.h"
#include "HttpCloudBackend_p.h"

// Threads meet here only through std::mutex, std::condition_variable and std::atomic, never
// through Qt's own locks: Qt is not built for ThreadSanitizer, so a hand-over that relied on them
// would be invisible to it.

namespace {

std::atomic<int> s_runningTransfers { 0 };

/// A service object of the local store. Lives on the GUI thread; workers report through its
/// mailbox. A QObject, so that its end can be watched (destroyed()).
class LocalCloudService final : public QObject,
                                public ICloudFileService,
                                private CloudTransferMailbox::Receiver
{
public:
    LocalCloudService()
        : m_mailbox(this)
    { }

    void release() override;

    ICloudFileTransfer *uploadFile(
        const QString &localPath, const QString &fileId, FileTransferSink *sink) override
    {
        return start(CloudTransferJob::Kind::Upload, fileId, localPath, 0, sink);
    }

    bool fileExists(const QString &fileId) const override
    {
        const QString path = CloudStorePaths::file(currentCloudStoreSettings().root, fileId);
        return !path.isEmpty() && QFileInfo(path).isFile();
    }

    ICloudFileTransfer *downloadUserHeader(const QString &userId, const QString &localPath,
        int variant, FileTransferSink *sink) override
    {
        return start(CloudTransferJob::Kind::UserHeader, userId, localPath, variant, sink);
    }

    ICloudFileTransfer *downloadPicture(const QString &fileId, const QString &localPath,
        int variant, FileTransferSink *sink) override
    {
        return start(CloudTransferJob::Kind::Picture, fileId, localPath, variant, sink);
    }

    ICloudFileTransfer *downloadFile(
        const QString &fileId, const QString &localPath, FileTransferSink *sink) override
    {
        return start(CloudTransferJob::Kind::File, fileId, localPath, 0, sink);
    }

private:
    ~LocalCloudService() override = default;

    ICloudFileTransfer *start(CloudTransferJob::Kind kind, const QString &id,
        const QString &localPath, int variant, FileTransferSink *sink);
    void deliver(const CloudTransferEvent &event) override;
    void drained() override { deleteIfDone(); }
    void deleteIfDone();

    CloudTransferMailbox m_mailbox;
    // GUI thread only.
    std::vector<std::unique_ptr<CloudFileTransfer>> m_transfers; // kept until release
    int m_running = 0; // transfers whose end has not been delivered yet
    bool m_released = false;
};

void LocalCloudService::release()
{
    Q_ASSERT(!m_released);
    if (m_released)
        return;
    m_released = true;
    for (const auto &transfer : m_transfers)
        transfer->cancel();
    deleteIfDone();
}

void LocalCloudService::deleteIfDone()
{
    if (m_released && m_running == 0 && !m_mailbox.isDelivering())
        delete this;
}

ICloudFileTransfer *LocalCloudService::start(CloudTransferJob::Kind kind, const QString &id,
    const QString &localPath, int variant, FileTransferSink *sink)
{
    Q_ASSERT_X(!m_released, "ICloudFileService", "used after release()");
    auto transfer = std::make_unique<CloudFileTransfer>(sink);
    CloudTransferJob::Request request;
    request.kind = kind;
    request.id = id;
    request.localPath = localPath;
    request.variant = variant;
    request.settings = currentCloudStoreSettings();
    auto job = std::make_shared<CloudTransferJob>(request, &m_mailbox, transfer.get());
    transfer->setJob(job);
    ++m_running;
    ++s_runningTransfers;
    m_transfers.push_back(std::move(transfer));
    CloudTransferPool::instance().submit(std::move(job));
    return m_transfers.back().get();
}

void LocalCloudService::deliver(const CloudTransferEvent &event)
{
    CloudFileTransfer *transfer = event.transfer;
    if (event.type == CloudTransferEvent::Progress) {
        if (FileTransferSink *sink = transfer->sink())
            sink->onResponse(event.done, event.total);
        return;
    }
    if (FileTransferSink *sink = transfer->takeSink())
        sink->onFinished(event.status, event.text);
    --m_running;
    --s_runningTransfers;
}

} // namespace

ICloudFileService *createCloudFileService(const QString &account, const QString &server)
{
    Q_UNUSED(account)
    Q_ASSERT_X(QCoreApplication::instance()
            && QThread::currentThread() == QCoreApplication::instance()->thread(),
        "createCloudFileService", "call on the GUI thread of a running application");
    HttpServer http;
    if (server.isEmpty() ? HttpCloudBackend::configured(&http)
                         : HttpServer::fromUrl(QUrl(server), &http, nullptr))
        return HttpCloudBackend::createService(http);
    return new LocalCloudService;
}

bool CloudFileStore::setServerUrl(const QUrl &url)
{
    return HttpCloudBackend::configure(url);
}

QUrl CloudFileStore::serverUrl()
{
    return HttpCloudBackend::configuredUrl();
}

int CloudFileStore::runningTransfers()
{
    return s_runningTransfers.load() + HttpCloudBackend::runningTransfers();
}
