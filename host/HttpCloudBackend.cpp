#include "HttpCloudBackend_p.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QUrlQuery>
#include <QtDebug>

#include <atomic>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "CloudFileService.h"
#include "Logging_p.h"
#include "SafeFileName.h"
#include "ServerConfiguration_p.h"
#include "ThumbnailScaler_p.h"

namespace {

std::atomic<int> s_runningTransfers { 0 };

ServerConfiguration<HttpServer> &configuration()
{
    static ServerConfiguration<HttpServer> config;
    return config;
}

QString cloudText(const char *text)
{
    return QCoreApplication::translate("CloudFileService", text);
}

/// The network stack of the GUI thread, shared by every service object so that connections to
/// the server are kept and reused; it goes with the application object.
QNetworkAccessManager *network()
{
    static QPointer<QNetworkAccessManager> manager;
    if (!manager)
        manager = new QNetworkAccessManager(QCoreApplication::instance());
    return manager;
}

enum class Kind { Upload, File, UserHeader, Picture };

/// One transfer: the caller's handle, and what the service needs to carry it out.
class HttpTransfer final : public ICloudFileTransfer
{
public:
    qint64 transferred() const override { return done; }
    void cancel() override;

    class HttpCloudService *service = nullptr;
    FileTransferSink *sink = nullptr; // null once ended, cancelled or released
    Kind kind = Kind::File;
    QString id;
    QString localPath;
    int variant = 0;
    QUrl url; // what the current request asks for
    QPointer<QNetworkReply> reply;
    std::unique_ptr<QSaveFile> target; // a download's file, renamed into place when complete
    std::unique_ptr<QFile> source; // an upload's file
    std::unique_ptr<QTemporaryFile> picture; // the picture a missing thumbnail is made from
    qint64 done = 0;
    qint64 reportedDone = -1;
    qint64 reportedTotal = -1;
    bool ended = false;
};

/// A service object on the GUI thread. Callbacks into sinks go through deliver(), which counts
/// them, so that a release() from inside one deletes the object only once it has returned.
class HttpCloudService final : public QObject, public ICloudFileService
{
public:
    explicit HttpCloudService(const HttpServer &server)
        : m_server(server)
    { }

    void release() override
    {
        Q_ASSERT(!m_released);
        m_released = true;
        for (const auto &transfer : m_transfers)
            end(transfer.get());
        deleteIfDone();
    }

    ICloudFileTransfer *uploadFile(
        const QString &localPath, const QString &fileId, FileTransferSink *sink) override
    {
        return start(Kind::Upload, fileId, localPath, 0, sink);
    }

    bool fileExists(const QString &fileId) const override;

    ICloudFileTransfer *downloadUserHeader(const QString &userId, const QString &localPath,
        int variant, FileTransferSink *sink) override
    {
        return start(Kind::UserHeader, userId, localPath, variant, sink);
    }

    ICloudFileTransfer *downloadPicture(const QString &fileId, const QString &localPath,
        int variant, FileTransferSink *sink) override
    {
        return start(Kind::Picture, fileId, localPath, variant, sink);
    }

    ICloudFileTransfer *downloadFile(
        const QString &fileId, const QString &localPath, FileTransferSink *sink) override
    {
        return start(Kind::File, fileId, localPath, 0, sink);
    }

    /// Ends a transfer without a callback; its partial file goes.
    void end(HttpTransfer *transfer);

private:
    ~HttpCloudService() override
    {
        for (const auto &transfer : m_transfers)
            end(transfer.get());
    }

    HttpTransfer *start(Kind kind, const QString &id, const QString &localPath, int variant,
        FileTransferSink *sink);
    void begin(HttpTransfer *transfer);
    QUrl entryUrl(const QString &folder, const QString &name) const;
    QNetworkRequest request(const QUrl &url) const;
    void get(HttpTransfer *transfer, const QUrl &url, QIODevice *into);
    void put(HttpTransfer *transfer);
    void onReadyRead(HttpTransfer *transfer, QIODevice *into);
    void onProgress(HttpTransfer *transfer, qint64 done, qint64 total);
    void onFinished(HttpTransfer *transfer, QIODevice *into);
    void finishThumbnail(HttpTransfer *transfer);
    QString failureText(const HttpTransfer *transfer, QNetworkReply *reply) const;
    void succeed(HttpTransfer *transfer);
    void fail(HttpTransfer *transfer, const QString &text);
    /// False when a release() inside the callback has deleted this object.
    bool deliverProgress(HttpTransfer *transfer, qint64 done, qint64 total);
    void deleteIfDone();

    const HttpServer m_server;
    std::vector<std::unique_ptr<HttpTransfer>> m_transfers; // valid until release()
    int m_deliveryDepth = 0; // callbacks running
    bool m_released = false;
};

void HttpTransfer::cancel()
{
    service->end(this);
}

bool HttpCloudService::fileExists(const QString &fileId) const
{
    if (!isSafeFileName(fileId))
        return false;
    const QNetworkRequest head = request(entryUrl(QStringLiteral("files"), fileId));
    bool exists = false;
    // Asked on a thread of its own: a nested event loop here could run other transfers'
    // callbacks, and with them a release() of this very object, inside this call.
    std::thread asker([&head, &exists] {
        QNetworkAccessManager manager;
        QEventLoop loop;
        std::unique_ptr<QNetworkReply> reply(manager.head(head));
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        exists = reply->error() == QNetworkReply::NoError
            && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    });
    asker.join();
    return exists;
}

HttpTransfer *HttpCloudService::start(
    Kind kind, const QString &id, const QString &localPath, int variant, FileTransferSink *sink)
{
    Q_ASSERT_X(!m_released, "ICloudFileService", "used after release()");
    auto transfer = std::make_unique<HttpTransfer>();
    transfer->service = this;
    transfer->sink = sink;
    transfer->kind = kind;
    transfer->id = id;
    transfer->localPath = localPath;
    transfer->variant = variant;
    HttpTransfer *started = transfer.get();
    m_transfers.push_back(std::move(transfer));
    ++s_runningTransfers;
    // Begun from the event loop: even a transfer that fails at once reports after this returns.
    QMetaObject::invokeMethod(
        this, [this, started] { begin(started); }, Qt::QueuedConnection);
    return started;
}

void HttpCloudService::begin(HttpTransfer *transfer)
{
    if (transfer->ended)
        return;
    const QString &id = transfer->id;
    if (transfer->kind == Kind::Upload) {
        if (!isSafeFileName(id))
            return fail(transfer, cloudText("%1 is not a valid file id.").arg(id));
        put(transfer);
        return;
    }
    if (!isSafeFileName(id)) {
        return fail(transfer,
            transfer->kind == Kind::UserHeader
                ? cloudText("There is no picture of user %1 in the cloud.").arg(id)
                : cloudText("There is no file %1 in the cloud.").arg(id));
    }
    if (transfer->localPath.isEmpty())
        return fail(transfer, cloudText("No local path was given."));
    const QString targetDir = QFileInfo(transfer->localPath).absolutePath();
    if (!QDir().mkpath(targetDir))
        return fail(transfer, cloudText("Cannot create the folder %1.").arg(targetDir));
    transfer->target = std::make_unique<QSaveFile>(transfer->localPath);
    if (!transfer->target->open(QIODevice::WriteOnly)) {
        return fail(transfer,
            cloudText("Cannot write %1: %2")
                .arg(transfer->localPath, transfer->target->errorString()));
    }
    switch (transfer->kind) {
    case Kind::UserHeader:
        get(transfer, entryUrl(QStringLiteral("headers"), id + QStringLiteral(".png")),
            transfer->target.get());
        break;
    case Kind::Picture:
        get(transfer,
            entryUrl(
                transfer->variant == 0 ? QStringLiteral("thumbs") : QStringLiteral("files"), id),
            transfer->target.get());
        break;
    default:
        get(transfer, entryUrl(QStringLiteral("files"), id), transfer->target.get());
        break;
    }
}

QUrl HttpCloudService::entryUrl(const QString &folder, const QString &name) const
{
    QUrl url = m_server.base;
    // Decoded mode: every character of the name is taken as it is and encoded as needed.
    url.setPath(url.path(QUrl::FullyDecoded) + folder + QLatin1Char('/') + name, QUrl::DecodedMode);
    return url;
}

QNetworkRequest HttpCloudService::request(const QUrl &url) const
{
    QNetworkRequest request(url);
    request.setTransferTimeout(m_server.timeoutMs);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (!m_server.user.isEmpty()) {
        // Sent with the first request: without it every transfer would take a refused round.
        const QByteArray credentials
            = (m_server.user + QLatin1Char(':') + m_server.password).toUtf8();
        request.setRawHeader("Authorization", "Basic " + credentials.toBase64());
    }
    return request;
}

void HttpCloudService::get(HttpTransfer *transfer, const QUrl &url, QIODevice *into)
{
    transfer->url = url;
    QNetworkReply *reply = network()->get(request(url));
    transfer->reply = reply;
    connect(reply, &QNetworkReply::readyRead, this,
        [this, transfer, into] { onReadyRead(transfer, into); });
    if (into == transfer->target.get()) {
        connect(reply, &QNetworkReply::downloadProgress, this,
            [this, transfer](qint64 done, qint64 total) { onProgress(transfer, done, total); });
    }
    connect(reply, &QNetworkReply::finished, this,
        [this, transfer, into] { onFinished(transfer, into); });
}

void HttpCloudService::put(HttpTransfer *transfer)
{
    transfer->source = std::make_unique<QFile>(transfer->localPath);
    if (transfer->localPath.isEmpty() || !QFileInfo(transfer->localPath).isFile()) {
        return fail(transfer, cloudText("There is no local file %1.").arg(transfer->localPath));
    }
    if (!transfer->source->open(QIODevice::ReadOnly)) {
        return fail(transfer,
            cloudText("Cannot read %1: %2")
                .arg(transfer->localPath, transfer->source->errorString()));
    }
    transfer->url = entryUrl(QStringLiteral("files"), transfer->id);
    QNetworkReply *reply = network()->put(request(transfer->url), transfer->source.get());
    transfer->reply = reply;
    connect(reply, &QNetworkReply::uploadProgress, this,
        [this, transfer](qint64 done, qint64 total) { onProgress(transfer, done, total); });
    connect(
        reply, &QNetworkReply::finished, this, [this, transfer] { onFinished(transfer, nullptr); });
}

void HttpCloudService::onReadyRead(HttpTransfer *transfer, QIODevice *into)
{
    QNetworkReply *reply = transfer->reply;
    if (transfer->ended || !reply)
        return;
    // An error page is not the file.
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200) {
        reply->readAll();
        return;
    }
    const QByteArray bytes = reply->readAll();
    if (into->write(bytes) != bytes.size()) {
        fail(transfer,
            cloudText("Cannot write %1: %2").arg(transfer->localPath, into->errorString()));
    }
}

void HttpCloudService::onProgress(HttpTransfer *transfer, qint64 done, qint64 total)
{
    QNetworkReply *reply = transfer->reply;
    if (transfer->ended || !reply || total < 0)
        return;
    if (transfer->kind != Kind::Upload
        && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return;
    // Qt closes an upload with uploadProgress(0, 0) after the report of the whole file: progress
    // never goes back, and the last report stays the one that says the file is through.
    if (done < transfer->done)
        return;
    transfer->done = done;
    deliverProgress(transfer, done, total);
}

void HttpCloudService::onFinished(HttpTransfer *transfer, QIODevice *into)
{
    QNetworkReply *reply = transfer->reply;
    if (transfer->ended || !reply)
        return;
    reply->deleteLater(); // we are inside its signal
    transfer->reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = reply->error() == QNetworkReply::NoError;
    if (transfer->kind == Kind::Upload) {
        transfer->source.reset();
        return ok ? succeed(transfer) : fail(transfer, failureText(transfer, reply));
    }
    if (ok && status == 200) {
        if (into != transfer->target.get())
            return finishThumbnail(transfer);
        return succeed(transfer);
    }
    // No ready-made thumbnail: made here from the picture, as the local store does.
    const bool missing = status == 404;
    if (missing && transfer->kind == Kind::Picture && transfer->variant == 0
        && !transfer->picture) {
        transfer->picture = std::make_unique<QTemporaryFile>();
        if (!transfer->picture->open())
            return fail(transfer,
                cloudText("Cannot write a temporary file: %1")
                    .arg(transfer->picture->errorString()));
        return get(
            transfer, entryUrl(QStringLiteral("files"), transfer->id), transfer->picture.get());
    }
    fail(transfer, failureText(transfer, reply));
}

void HttpCloudService::finishThumbnail(HttpTransfer *transfer)
{
    QByteArray thumbnail;
    QString error;
    transfer->picture->flush();
    if (!ThumbnailScaler::makeThumbnail(transfer->picture->fileName(), &thumbnail, &error))
        return fail(transfer, error);
    transfer->picture.reset();
    if (transfer->target->write(thumbnail) != thumbnail.size()) {
        return fail(transfer,
            cloudText("Cannot write %1: %2")
                .arg(transfer->localPath, transfer->target->errorString()));
    }
    transfer->done = thumbnail.size();
    succeed(transfer);
}

QString HttpCloudService::failureText(const HttpTransfer *transfer, QNetworkReply *reply) const
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 404) {
        if (transfer->kind == Kind::UserHeader)
            return cloudText("There is no picture of user %1 in the cloud.").arg(transfer->id);
        return transfer->kind == Kind::Picture
            ? cloudText("There is no picture %1 in the cloud.").arg(transfer->id)
            : cloudText("There is no file %1 in the cloud.").arg(transfer->id);
    }
    if (status == 401 || status == 403)
        return cloudText("The cloud server refused the user name or password (HTTP %1).")
            .arg(status);
    if (status >= 400) {
        return cloudText("The cloud server failed: HTTP %1 %2")
            .arg(status)
            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    }
    // Only a transfer timeout aborts a reply that we did not end ourselves.
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return cloudText("The cloud server sent nothing for %1 s.")
            .arg(m_server.timeoutMs / 1000.0);
    return cloudText("Cannot reach the cloud server: %1").arg(reply->errorString());
}

void HttpCloudService::succeed(HttpTransfer *transfer)
{
    if (transfer->target && !transfer->target->commit()) {
        return fail(transfer,
            cloudText("Cannot write %1: %2")
                .arg(transfer->localPath, transfer->target->errorString()));
    }
    transfer->target.reset();
    // The last report of a finished transfer has done == total, also for an empty file.
    const qint64 done = transfer->done;
    if ((transfer->reportedDone != done || transfer->reportedTotal != done)
        && !deliverProgress(transfer, done, done)) {
        return;
    }
    FileTransferSink *sink = std::exchange(transfer->sink, nullptr);
    end(transfer);
    if (sink) {
        ++m_deliveryDepth;
        sink->onFinished(TransferStatus_Finished, QString());
        --m_deliveryDepth;
    }
    deleteIfDone();
}

void HttpCloudService::fail(HttpTransfer *transfer, const QString &text)
{
    if (transfer->ended)
        return;
    const char *const what[]
        = { "uploading", "downloading file", "downloading the avatar of", "downloading picture" };
    qCWarning(lcFiles(), "CloudFileService: %s %s (%s) failed: %s", what[int(transfer->kind)],
        qUtf8Printable(transfer->id),
        qUtf8Printable(transfer->url.isEmpty() ? m_server.base.toDisplayString()
                                               : transfer->url.toDisplayString()),
        qUtf8Printable(text));
    FileTransferSink *sink = std::exchange(transfer->sink, nullptr);
    end(transfer);
    if (sink) {
        ++m_deliveryDepth;
        sink->onFinished(TransferStatus_Failed, text);
        --m_deliveryDepth;
    }
    deleteIfDone();
}

void HttpCloudService::end(HttpTransfer *transfer)
{
    transfer->sink = nullptr;
    if (transfer->ended)
        return;
    transfer->ended = true;
    --s_runningTransfers;
    if (QNetworkReply *reply = transfer->reply) {
        transfer->reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    // A download that did not complete leaves nothing; a finished one was committed already.
    if (transfer->target)
        transfer->target->cancelWriting();
    transfer->target.reset();
    transfer->source.reset();
    transfer->picture.reset();
}

bool HttpCloudService::deliverProgress(HttpTransfer *transfer, qint64 done, qint64 total)
{
    transfer->reportedDone = done;
    transfer->reportedTotal = total;
    if (!transfer->sink)
        return true;
    ++m_deliveryDepth;
    transfer->sink->onResponse(done, total);
    --m_deliveryDepth;
    if (!m_released || m_deliveryDepth > 0)
        return true;
    delete this;
    return false;
}

void HttpCloudService::deleteIfDone()
{
    if (m_released && m_deliveryDepth == 0)
        delete this;
}

} // namespace

bool HttpServer::fromUrl(const QUrl &url, HttpServer *server, QString *error)
{
    const auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!url.isValid()
        || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        || url.host().isEmpty())
        return refuse(QStringLiteral("not an http://[user@]host[:port]/path URL"));
    HttpServer parsed;
    parsed.user = url.userName(QUrl::FullyDecoded);
    parsed.password = url.password(QUrl::FullyDecoded);
    if (parsed.password.isEmpty())
        parsed.password = qEnvironmentVariable("DYNFEED_FILES_PASSWORD");
    const QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("timeout"))) {
        bool ok = false;
        parsed.timeoutMs = query.queryItemValue(QStringLiteral("timeout")).toInt(&ok);
        if (!ok || parsed.timeoutMs < 1)
            return refuse(QStringLiteral("timeout must be a positive number of milliseconds"));
    }
    parsed.base = url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
    if (!parsed.base.path().endsWith(QLatin1Char('/')))
        parsed.base.setPath(parsed.base.path() + QLatin1Char('/'));
    *server = parsed;
    return true;
}

bool HttpCloudBackend::configure(const QUrl &url)
{
    QString error;
    if (configuration().set(url, &error))
        return true;
    qCWarning(lcFiles(), "CloudFileService: cannot use the file server %s: %s",
        qUtf8Printable(url.toDisplayString(QUrl::RemovePassword)), qUtf8Printable(error));
    return false;
}

bool HttpCloudBackend::configured(HttpServer *server)
{
    return configuration().get(server);
}

QUrl HttpCloudBackend::configuredUrl()
{
    return configuration().url();
}

ICloudFileService *HttpCloudBackend::createService(const HttpServer &server)
{
    return new HttpCloudService(server);
}

int HttpCloudBackend::runningTransfers()
{
    return s_runningTransfers.load();
}
