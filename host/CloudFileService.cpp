#include "CloudFileService.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "CloudFileStore_p.h"
#include "HttpCloudBackend_p.h"

// Threads meet here only through std::mutex, std::condition_variable and std::atomic, never
// through Qt's own locks: Qt is not built for ThreadSanitizer, so a hand-over that relied on them
// would be invisible to it.

namespace {

constexpr int DefaultChunkSize = 64 * 1024;
constexpr int MaxWorkers = 4;
// A picture is decoded whole to make its thumbnail; this caps the memory that takes (400 MB).
constexpr qint64 MaxPicturePixels = 100 * 1000 * 1000;

struct StoreSettings
{
    QString root; // empty: the default location
    int chunkSize = DefaultChunkSize;
    int chunkDelay = 0;
    qint64 failAfter = -1;
};

std::mutex &settingsMutex()
{
    static std::mutex mutex;
    return mutex;
}

StoreSettings &settings() // guarded by settingsMutex()
{
    static StoreSettings values;
    return values;
}

std::atomic<int> s_runningTransfers { 0 };

QString defaultRootPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
        + QStringLiteral("/cloud");
}

StoreSettings currentSettings()
{
    std::lock_guard<std::mutex> lock(settingsMutex());
    StoreSettings values = settings();
    if (values.root.isEmpty())
        values.root = defaultRootPath();
    return values;
}

/// False for a name that could leave the directory it is joined to.
bool isSafeName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
        && !name.contains(QChar(u'\0'));
}

QString entryPath(const QString &root, const QString &folder, const QString &name,
    const QString &suffix = QString())
{
    if (!isSafeName(name))
        return QString();
    return QDir(root).filePath(folder + QLatin1Char('/') + name + suffix);
}

QString storedFilePath(const QString &root, const QString &fileId)
{
    return entryPath(root, QStringLiteral("files"), fileId);
}

QString storedHeaderPath(const QString &root, const QString &userId)
{
    return entryPath(root, QStringLiteral("headers"), userId, QStringLiteral(".png"));
}

QString storedThumbnailPath(const QString &root, const QString &fileId)
{
    return entryPath(root, QStringLiteral("thumbs"), fileId);
}

QString tr(const char *text)
{
    return QCoreApplication::translate("CloudFileService", text);
}

enum class JobKind { Upload, File, UserHeader, Picture };

class CloudFileServiceImpl;
class CloudFileTransfer;

/// What a transfer is to do, fixed when it starts.
struct TransferRequest
{
    JobKind kind = JobKind::File;
    QString id; // file id, or user id for an avatar
    QString localPath;
    int variant = 0;
    StoreSettings settings;
};

/// One transfer as its worker sees it. The GUI thread creates it; afterwards both threads share
/// only the cancel flag and the byte count.
class TransferJob
{
public:
    TransferJob(
        const TransferRequest &request, CloudFileServiceImpl *service, CloudFileTransfer *transfer)
        : m_request(request)
        , m_service(service)
        , m_transfer(transfer)
    { }

    const TransferRequest &request() const { return m_request; }
    /// Alive until this job's end has been delivered on the GUI thread.
    CloudFileServiceImpl *service() const { return m_service; }
    /// A GUI-thread object: the worker only hands it back with its reports.
    CloudFileTransfer *transfer() const { return m_transfer; }

    qint64 done() const { return m_done.load(); }
    void setDone(qint64 done) { m_done.store(done); }

    /// Any thread; wakes a worker that is pausing between chunks.
    void cancel()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_cancelled = true;
        }
        m_wake.notify_all();
    }

    bool isCancelled()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_cancelled;
    }

    /// Waits ms milliseconds; false when the job was cancelled before or meanwhile.
    bool pause(int ms)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (ms > 0)
            m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_cancelled; });
        return !m_cancelled;
    }

private:
    const TransferRequest m_request;
    CloudFileServiceImpl *const m_service;
    CloudFileTransfer *const m_transfer;
    std::atomic<qint64> m_done { 0 };
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_cancelled = false; // guarded by m_mutex
};

/// A worker's report, queued for the GUI thread.
struct TransferEvent
{
    enum Type { Progress, Finished };

    Type type = Progress;
    CloudFileTransfer *transfer = nullptr;
    qint64 done = 0;
    qint64 total = 0;
    int status = 0;
    QString text;
};

/// Worker threads shared by every service object of the process.
class TransferPool
{
public:
    TransferPool() = default;
    /// Cancels queued and running jobs and joins the workers.
    ~TransferPool()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
            for (const auto &job : m_queue)
                job->cancel();
            for (const auto &job : m_active)
                job->cancel();
        }
        m_wake.notify_all();
        for (std::thread &worker : m_workers)
            worker.join();
    }

    TransferPool(const TransferPool &) = delete;
    TransferPool &operator=(const TransferPool &) = delete;

    void submit(std::shared_ptr<TransferJob> job)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(std::move(job));
            // Idle workers may not have woken for the jobs queued before this one.
            if (m_queue.size() > m_idle && m_workers.size() < MaxWorkers)
                m_workers.emplace_back([this] { work(); });
        }
        m_wake.notify_one();
    }

private:
    void work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<TransferJob>> m_queue; // guarded by m_mutex
    std::vector<std::shared_ptr<TransferJob>> m_active; // guarded by m_mutex
    std::vector<std::thread> m_workers; // guarded by m_mutex until joined
    size_t m_idle = 0; // guarded by m_mutex
    bool m_stopping = false; // guarded by m_mutex
};

/// The GUI-thread face of a transfer: the handle given to the caller.
class CloudFileTransfer final : public ICloudFileTransfer
{
public:
    explicit CloudFileTransfer(FileTransferSink *sink)
        : m_sink(sink)
    { }

    void setJob(std::shared_ptr<TransferJob> job) { m_job = std::move(job); }

    qint64 transferred() const override { return m_job->done(); }

    void cancel() override
    {
        m_sink = nullptr;
        m_job->cancel();
    }

    FileTransferSink *sink() const { return m_sink; }
    /// The sink for the one onFinished; no callback reaches it afterwards.
    FileTransferSink *takeSink() { return std::exchange(m_sink, nullptr); }

private:
    std::shared_ptr<TransferJob> m_job;
    FileTransferSink *m_sink = nullptr; // null once ended, cancelled or released
};

/// A service object. Lives on the GUI thread; workers report through post().
class CloudFileServiceImpl final : public QObject, public ICloudFileService
{
    Q_OBJECT
public:
    CloudFileServiceImpl() = default;

    void release() override;

    ICloudFileTransfer *uploadFile(
        const QString &localPath, const QString &fileId, FileTransferSink *sink) override
    {
        return start(JobKind::Upload, fileId, localPath, 0, sink);
    }

    bool fileExists(const QString &fileId) const override
    {
        const QString path = storedFilePath(currentSettings().root, fileId);
        return !path.isEmpty() && QFileInfo(path).isFile();
    }

    ICloudFileTransfer *downloadUserHeader(const QString &userId, const QString &localPath,
        int variant, FileTransferSink *sink) override
    {
        return start(JobKind::UserHeader, userId, localPath, variant, sink);
    }

    ICloudFileTransfer *downloadPicture(const QString &fileId, const QString &localPath,
        int variant, FileTransferSink *sink) override
    {
        return start(JobKind::Picture, fileId, localPath, variant, sink);
    }

    ICloudFileTransfer *downloadFile(
        const QString &fileId, const QString &localPath, FileTransferSink *sink) override
    {
        return start(JobKind::File, fileId, localPath, 0, sink);
    }

    /// Queues a worker's report for the GUI thread. Any thread.
    void post(TransferEvent event);

private:
    ~CloudFileServiceImpl() override = default;

    ICloudFileTransfer *start(JobKind kind, const QString &id, const QString &localPath,
        int variant, FileTransferSink *sink);
    Q_INVOKABLE void deliverPending();
    void deliver(const TransferEvent &event);

    std::mutex m_mailboxMutex;
    std::deque<TransferEvent> m_mailbox; // guarded by m_mailboxMutex
    bool m_wakePending = false; // guarded by m_mailboxMutex: a deliverPending call is queued

    // GUI thread only.
    std::vector<std::unique_ptr<CloudFileTransfer>> m_transfers; // kept until release
    int m_running = 0; // transfers whose end has not been delivered yet
    int m_deliveryDepth = 0; // deliverPending calls on the stack (callbacks may nest loops)
    bool m_released = false;
};

std::unique_ptr<TransferPool> &poolSlot() // GUI thread only
{
    static std::unique_ptr<TransferPool> pool;
    return pool;
}

void stopTransferPool()
{
    poolSlot().reset();
}

TransferPool &transferPool()
{
    std::unique_ptr<TransferPool> &pool = poolSlot();
    if (!pool) {
        pool = std::make_unique<TransferPool>();
        // Workers must be gone before QCoreApplication and Qt's statics that they use.
        qAddPostRoutine(stopTransferPool);
    }
    return *pool;
}

// --- the worker side ---

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

void reportProgress(TransferJob &job, qint64 done, qint64 total)
{
    job.setDone(done);
    TransferEvent event;
    event.type = TransferEvent::Progress;
    event.transfer = job.transfer();
    event.done = done;
    event.total = total;
    job.service()->post(std::move(event));
}

/// Copies in chunks into a temporary file beside targetPath and renames it into place, so that
/// targetPath never shows a partial file. Leaves nothing behind when it fails or is cancelled.
TransferOutcome copyInChunks(TransferJob &job, QIODevice &source, const QString &targetPath)
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

TransferOutcome copyFile(TransferJob &job, const QString &sourcePath, const QString &targetPath,
    const QString &missingText)
{
    if (sourcePath.isEmpty() || !QFileInfo(sourcePath).isFile())
        return failed(missingText);
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return failed(tr("Cannot read %1: %2").arg(sourcePath, source.errorString()));
    return copyInChunks(job, source, targetPath);
}

/// source shrunk to size (no larger than source) by averaging, for each target pixel, the
/// source pixels it covers, weighted by their alpha. Done here and not with QImage::scaled or
/// convertToFormat, which in Qt 5.15 hand large images to Qt's global thread pool: that pool's
/// hand-over is invisible to ThreadSanitizer and would bury real reports in false ones.
QImage shrink(const QImage &source, const QSize &size)
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

/// The picture at picturePath shrunk to fit the thumbnail edge, encoded in its own format; a
/// picture that already fits is returned as stored.
bool makeThumbnail(const QString &picturePath, QByteArray *thumbnail, QString *error)
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
    if (!writer.write(shrink(image, scaled))) {
        *error = tr("No thumbnail can be made: %1").arg(writer.errorString());
        return false;
    }
    return true;
}

TransferOutcome downloadThumbnail(TransferJob &job)
{
    const TransferRequest &request = job.request();
    const QString stored = storedThumbnailPath(request.settings.root, request.id);
    if (!stored.isEmpty() && QFileInfo(stored).isFile())
        return copyFile(job, stored, request.localPath, QString());

    const QString picture = storedFilePath(request.settings.root, request.id);
    if (picture.isEmpty() || !QFileInfo(picture).isFile())
        return failed(tr("There is no picture %1 in the cloud.").arg(request.id));
    QByteArray thumbnail;
    QString error;
    if (!makeThumbnail(picture, &thumbnail, &error))
        return failed(error);
    QBuffer source(&thumbnail);
    source.open(QIODevice::ReadOnly);
    return copyInChunks(job, source, request.localPath);
}

TransferOutcome perform(TransferJob &job)
{
    const TransferRequest &request = job.request();
    const QString &root = request.settings.root;
    switch (request.kind) {
    case JobKind::Upload: {
        const QString target = storedFilePath(root, request.id);
        if (target.isEmpty())
            return failed(tr("%1 is not a valid file id.").arg(request.id));
        return copyFile(job, request.localPath, target,
            tr("There is no local file %1.").arg(request.localPath));
    }
    case JobKind::File:
        return copyFile(job, storedFilePath(root, request.id), request.localPath,
            tr("There is no file %1 in the cloud.").arg(request.id));
    case JobKind::UserHeader:
        return copyFile(job, storedHeaderPath(root, request.id), request.localPath,
            tr("There is no picture of user %1 in the cloud.").arg(request.id));
    case JobKind::Picture:
        if (request.variant == 0)
            return downloadThumbnail(job);
        return copyFile(job, storedFilePath(root, request.id), request.localPath,
            tr("There is no picture %1 in the cloud.").arg(request.id));
    }
    return failed(QString());
}

void runJob(TransferJob &job)
{
    TransferEvent event;
    event.type = TransferEvent::Finished;
    event.transfer = job.transfer();
    const TransferOutcome outcome = job.isCancelled() ? cancelled() : perform(job);
    event.status = outcome.status;
    event.text = outcome.text;
    // The last touch of the service: it may be deleted as soon as this has been delivered.
    job.service()->post(std::move(event));
}

void TransferPool::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        --m_idle;
        if (m_queue.empty())
            return; // stopping, and nothing is left to finish
        std::shared_ptr<TransferJob> job = std::move(m_queue.front());
        m_queue.pop_front();
        if (m_stopping)
            job->cancel();
        m_active.push_back(job);
        lock.unlock();
        runJob(*job);
        lock.lock();
        m_active.erase(std::find(m_active.begin(), m_active.end(), job));
    }
}

// --- the GUI side ---

void CloudFileServiceImpl::release()
{
    Q_ASSERT(!m_released);
    if (m_released)
        return;
    m_released = true;
    for (const auto &transfer : m_transfers)
        transfer->cancel();
    if (m_running == 0 && m_deliveryDepth == 0)
        delete this;
}

ICloudFileTransfer *CloudFileServiceImpl::start(
    JobKind kind, const QString &id, const QString &localPath, int variant, FileTransferSink *sink)
{
    Q_ASSERT_X(!m_released, "ICloudFileService", "used after release()");
    auto transfer = std::make_unique<CloudFileTransfer>(sink);
    TransferRequest request;
    request.kind = kind;
    request.id = id;
    request.localPath = localPath;
    request.variant = variant;
    request.settings = currentSettings();
    auto job = std::make_shared<TransferJob>(request, this, transfer.get());
    transfer->setJob(job);
    ++m_running;
    ++s_runningTransfers;
    m_transfers.push_back(std::move(transfer));
    transferPool().submit(std::move(job));
    return m_transfers.back().get();
}

void CloudFileServiceImpl::post(TransferEvent event)
{
    std::lock_guard<std::mutex> lock(m_mailboxMutex);
    if (event.type == TransferEvent::Progress && !m_mailbox.empty()) {
        // A GUI thread that falls behind gets the newest figure, not every step.
        TransferEvent &last = m_mailbox.back();
        if (last.type == TransferEvent::Progress && last.transfer == event.transfer) {
            last.done = event.done;
            last.total = event.total;
            return;
        }
    }
    m_mailbox.push_back(std::move(event));
    if (!m_wakePending) {
        m_wakePending = true;
        // Posted while holding the lock: the GUI thread cannot take a transfer's last event, and
        // so cannot delete this object, before the call has returned.
        QMetaObject::invokeMethod(this, "deliverPending", Qt::QueuedConnection);
    }
}

void CloudFileServiceImpl::deliverPending()
{
    ++m_deliveryDepth;
    for (;;) {
        TransferEvent event;
        {
            std::lock_guard<std::mutex> lock(m_mailboxMutex);
            if (m_mailbox.empty()) {
                m_wakePending = false;
                break;
            }
            event = std::move(m_mailbox.front());
            m_mailbox.pop_front();
        }
        // One event at a time, so that a callback that spins a nested event loop cannot
        // overtake the events after its own.
        deliver(event);
    }
    --m_deliveryDepth;
    // Qt allows the receiver of a queued call to delete itself in it; deleteLater() instead could
    // leave the object behind when the event loop is not entered again.
    if (m_released && m_running == 0 && m_deliveryDepth == 0)
        delete this;
}

void CloudFileServiceImpl::deliver(const TransferEvent &event)
{
    CloudFileTransfer *transfer = event.transfer;
    if (event.type == TransferEvent::Progress) {
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
    return new CloudFileServiceImpl;
}

bool CloudFileStorePrivate::isSafeName(const QString &name)
{
    return ::isSafeName(name);
}

bool CloudFileStorePrivate::makeThumbnail(
    const QString &picturePath, QByteArray *thumbnail, QString *error)
{
    return ::makeThumbnail(picturePath, thumbnail, error);
}

bool CloudFileStore::setServerUrl(const QUrl &url)
{
    return HttpCloudBackend::configure(url);
}

QUrl CloudFileStore::serverUrl()
{
    return HttpCloudBackend::configuredUrl();
}

void CloudFileStore::setRootPath(const QString &dir)
{
    std::lock_guard<std::mutex> lock(settingsMutex());
    settings().root = dir;
}

QString CloudFileStore::rootPath()
{
    return currentSettings().root;
}

QString CloudFileStore::filePath(const QString &fileId)
{
    return storedFilePath(rootPath(), fileId);
}

QString CloudFileStore::userHeaderPath(const QString &userId)
{
    return storedHeaderPath(rootPath(), userId);
}

QString CloudFileStore::thumbnailPath(const QString &fileId)
{
    return storedThumbnailPath(rootPath(), fileId);
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
    settings() = StoreSettings();
    settings().root = root;
}

int CloudFileStore::runningTransfers()
{
    return s_runningTransfers.load() + HttpCloudBackend::runningTransfers();
}

#include "CloudFileService.moc"
