#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

#include "CloudFileService.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"
#include "common/TestServers.h"

// The HTTP cases need an nginx of their own.
#define SKIP_WITHOUT_NGINX()                                                                       \
    if (!TestHttpServer::isInstalled())                                                            \
    QSKIP("nginx is not installed (scripts/deps.sh installs it)")

namespace {

constexpr int kWait = 30000; // generous: the ThreadSanitizer build is slow

/// What one transfer reported; outlives the sink.
struct Log
{
    QList<QPair<qint64, qint64>> progress;
    int finished = 0;
    int status = 0;
    QString text;
    bool offGuiThread = false;
    bool afterEnd = false; // a callback after onFinished, or after the sink died
    bool fileAtFinish = false;
    bool destroyed = false;
};

/// A receiver as the widgets are: it records, and may act (even delete itself) in a callback.
class Sink : public FileTransferSink
{
public:
    explicit Sink(Log *log, const QString &path = QString())
        : m_log(log)
        , m_path(path)
    { }
    ~Sink() override { m_log->destroyed = true; }

    void onResponse(qint64 done, qint64 total) override
    {
        note();
        m_log->progress.append({ done, total });
        if (const auto callback = onProgress) // a copy: the sink may be gone after the call
            callback();
    }
    void onFinished(int status, const QString &text) override
    {
        note();
        ++m_log->finished;
        m_log->status = status;
        m_log->text = text;
        m_log->fileAtFinish = QFileInfo(m_path).isFile();
        if (const auto callback = onFinish)
            callback();
    }

    std::function<void()> onProgress, onFinish;

private:
    void note()
    {
        m_log->offGuiThread |= QThread::currentThread() != qApp->thread();
        m_log->afterEnd |= m_log->finished > 0 || m_log->destroyed;
    }

    Log *m_log;
    QString m_path;
};

struct Release
{
    void operator()(ICloudFileService *service) const { service->release(); }
};
using Service = std::unique_ptr<ICloudFileService, Release>;

Service createService()
{
    return Service(createCloudFileService(QString(), QString()));
}

enum Call { File, Picture, Thumbnail, UserHeader, Upload };

ICloudFileTransfer *startTransfer(
    ICloudFileService *service, int call, const QString &id, const QString &path, Sink *sink)
{
    switch (call) {
    case File:
        return service->downloadFile(id, path, sink);
    case UserHeader:
        return service->downloadUserHeader(id, path, 0, sink);
    case Upload:
        return service->uploadFile(path, id, sink);
    default:
        return service->downloadPicture(id, path, call == Picture ? 2 : 0, sink);
    }
}

QByteArray payload(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random { quint32(size) }; // any bytes will do, the same on every run
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return !path.isEmpty() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Every file under dir, relative to it: a partial or temporary file would show here.
QStringList filesUnder(const QString &dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}

/// A thumbnail made from a picture: "made <format> <width>x<height>", and "garbled" unless it is
/// shrunk, not cropped: red on the left, blue on the right.
QByteArray madeThumbnail(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    const QImage image = reader.read();
    const bool halves = image.pixelColor(0, 0).red() > 200
        && image.pixelColor(image.width() - 1, image.height() - 1).blue() > 200;
    return "made " + format + ' ' + QByteArray::number(image.width()) + 'x'
        + QByteArray::number(image.height()) + (halves ? "" : " garbled");
}

/// The transfer ended once with status, on the GUI thread, its progress in order up to total.
void verifyEnded(const Log &log, int status, qint64 total)
{
    QCOMPARE(log.finished, 1);
    QCOMPARE(log.status, status);
    QVERIFY(status != TransferStatus_Failed || !log.text.isEmpty()); // a failure says why
    QVERIFY(!log.offGuiThread);
    QVERIFY(!log.afterEnd);
    qint64 last = 0;
    for (const auto &step : log.progress) {
        QVERIFY(step.second == total && step.first >= last && step.first <= total);
        last = step.first;
    }
}

} // namespace

Q_DECLARE_METATYPE(Call)

/// The cloud-file service over a local store and on an HTTP server: results, files on disk,
/// threads and lifetimes, the failures a server can give, and a cancel that leaves nothing behind.

class tst_CloudFileService : public QObject
{
    Q_OBJECT

    QString store(const QString &entry) const { return m_dir.filePath("store/" + entry); }
    QString target(const QString &name) const { return m_dir.filePath("target/" + name); }
    QString served(const QString &entry) const { return m_http.rootPath() + "/" + entry; }

    QTemporaryDir m_dir;
    TestHttpServer m_http;
    const QByteArray m_bytes = payload(40000);
    const QByteArray m_photo = TestPictures::picture({ 300, 200 }, "jpg");
    const QByteArray m_edge = TestPictures::picture({ 200, 100 }, "jpg");
private slots:

    void initTestCase()
    {
        if (!TestHttpServer::isInstalled())
            return;
        QVERIFY2(m_http.start(), qPrintable(m_http.why()));
        for (const char *entry : { "files/a.pdf", "files/施工日志.docx", "thumbs/t.png" })
            QVERIFY(TestPictures::writeFile(served(QString::fromUtf8(entry)), m_bytes));
        QVERIFY(TestPictures::writeFile(served("files/e"), QByteArray()));
        QVERIFY(TestPictures::writeFile(served("files/p.jpg"), m_photo));
        QVERIFY(TestPictures::writeFile(served("headers/u1.png"), m_photo));
    }

    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.path()));
        CloudFileStore::setRootPath(m_dir.filePath("store"));
        CloudFileStore::resetTransferSettings();
        CloudFileStore::setChunkSize(4096); // several steps per file, so that progress has an order
        // files/a\b exists, but names with a backslash name no entry.
        for (const char *entry :
            { "files/a.pdf", "files/施工日志.docx", "files/a..b", "thumbs/t.png", "files/a\\b" })
            QVERIFY(TestPictures::writeFile(store(QString::fromUtf8(entry)), m_bytes));
        QVERIFY(TestPictures::writeFile(store("files/e"), QByteArray()));
        QVERIFY(TestPictures::writeFile(store("files/p.jpg"), m_photo));
        QVERIFY(TestPictures::writeFile(store("headers/u1.png"), m_photo));
        // Named as PNGs whatever they are: a thumbnail keeps the picture's own format.
        QVERIFY(TestPictures::writeFile(
            store("files/tall.png"), TestPictures::picture({ 800, 2000 }, "jpg")));
        QVERIFY(TestPictures::writeFile(
            store("files/long.png"), TestPictures::picture({ 4000, 16 }, "png")));
        QVERIFY(TestPictures::writeFile(store("files/edge.png"), m_edge));
    }

    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, kWait);
        CloudFileStore::resetTransferSettings();
        QVERIFY(CloudFileStore::setServerUrl(QUrl()));
    }

    void transfer_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("failAfter");
        QTest::addColumn<QByteArray>("content"); // null: the transfer fails
        QTest::addColumn<QString>("password"); // null: the local store, else the HTTP server's
        QTest::addColumn<QString>("failure"); // the HTTP server's, logged

        const auto row = [](const char *name, Call call, const QString &id, const QString &target,
                             const QByteArray &content, qint64 failAfter = -1) {
            QTest::newRow(name) << call << id << target << failAfter << content << QString()
                                << QString();
        };
        const auto http = [](const char *name, Call call, const QString &id,
                              const QByteArray &content, const QString &failure = QString(),
                              const char *password = "secret") {
            QTest::addRow("%s, on HTTP", name) << call << id << (call == Upload ? "source" : id)
                                               << qint64(-1) << content << password << failure;
        };
        // "secret.png" lies beside the store, where an id climbing out of its folder would find it.
        row("file into new folders", File, "a.pdf", "one/two/a.pdf", m_bytes);
        row("empty file", File, "e", "e", QByteArray(""));
        row("older file replaced", File, "a.pdf", "old.pdf", m_bytes);
        row("name with two dots", File, "a..b", "a..b", m_bytes);
        row("large picture as stored", Picture, "p.jpg", "p.jpg", m_photo);
        row("stored thumbnail as stored", Thumbnail, "t.png", "t.png", m_bytes);
        row("thumbnail of a tall JPEG", Thumbnail, "tall.png", "tall.png", "made jpeg 80x200");
        row("thumbnail of one long edge", Thumbnail, "long.png", "long.png", "made png 200x1");
        row("thumbnail of exactly the edge, as stored", Thumbnail, "edge.png", "edge.png", m_edge);
        row("avatar by user id", UserHeader, "u1", "u1.png", m_photo);
        row("missing file", File, "b.pdf", "b.pdf", QByteArray());
        row("thumbnail of no picture", Thumbnail, "a.pdf", "a.png", QByteArray());
        row("link lost at once", File, "a.pdf", "a.pdf", QByteArray(), 0);
        row("link lost mid-way", File, "a.pdf", "a.pdf", QByteArray(), 10000);
        row("target folder is a file", File, "a.pdf", "blocker/a.pdf", QByteArray());
        row("no target", File, "a.pdf", "", QByteArray());
        row("empty id", File, "", "x", QByteArray());
        row("dot-dot id", Picture, "..", "x", QByteArray());
        row("id climbing out", File, "../../secret.png", "x", QByteArray());
        row("id with a backslash", File, "a\\b", "x", QByteArray());
        row("id with NUL", File, QStringLiteral("a.pdf\0x"), "x", QByteArray());
        row("user id into files", UserHeader, "../files/a.pdf", "x", QByteArray());
        row("upload", Upload, "up.pdf", "source", m_bytes);
        row("upload climbing out", Upload, "../up.pdf", "source", QByteArray());

        http("file", File, "a.pdf", m_bytes);
        http("Chinese id", File, "施工日志.docx", m_bytes);
        http("empty file", File, "e", QByteArray(""));
        http("avatar", UserHeader, "u1", m_photo);
        http("ready-made thumbnail", Thumbnail, "t.png", m_bytes);
        http("large picture", Picture, "p.jpg", m_photo);
        http("thumbnail made here", Thumbnail, "p.jpg", "made jpeg 200x133");
        http("upload", Upload, "up.bin", m_bytes);
        http("missing file", File, "b.pdf", {}, "There is no file b.pdf in the cloud.");
        http(
            "missing avatar", UserHeader, "u9", {}, "There is no picture of user u9 in the cloud.");
        http("thumbnail of no picture", Thumbnail, "a.pdf", {}, "The file is not a picture.");
        http("id climbing out", File, "../secret", {}, "There is no file ../secret in the cloud.");
        http("server error", File, "server-error", {},
            "The cloud server failed: HTTP 500 Internal Server Error");
        http("wrong password", File, "a.pdf", {},
            "The cloud server refused the user name or password (HTTP 401).", "wrong");
        http("upload, wrong password", Upload, "up2.bin", {},
            "The cloud server refused the user name or password (HTTP 401).", "wrong");
    }

    void transfer()
    {
        QFETCH(Call, call);
        QFETCH(QString, id);
        QFETCH(QString, name);
        QFETCH(qint64, failAfter);
        QFETCH(QByteArray, content);
        QFETCH(QString, password);
        QFETCH(QString, failure);
        const bool onHttp = !password.isNull();
        if (onHttp)
            SKIP_WITHOUT_NGINX();
        const bool finishes = !content.isNull();
        QVERIFY(TestPictures::writeFile(target("source"), m_bytes));
        QVERIFY(TestPictures::writeFile(target("blocker"), "a file where a folder should be"));
        QVERIFY(TestPictures::writeFile(target("old.pdf"), "an older version"));
        QVERIFY(TestPictures::writeFile(m_dir.filePath("secret.png"), m_photo));
        const QString root = onHttp ? m_http.rootPath() : store(QString());
        QStringList stored = filesUnder(root); // the store is left alone, but for an upload
        if (finishes && call == Upload) {
            stored << "files/" + id;
            stored.sort();
        }
        QStringList files = filesUnder(target(QString()));
        if (finishes && !files.contains(name))
            files << name;
        files.sort();
        CloudFileStore::setFailAfter(failAfter);
        const QString path = name.isEmpty() ? QString() : target(name);
        if (!failure.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg,
                QRegularExpression(
                    "^CloudFileService: .* failed: " + QRegularExpression::escape(failure)));
        }

        Log log;
        Sink sink(&log, call == Upload ? QString() : path);
        Service service(createCloudFileService(
            QString(), onHttp ? m_http.url(password).toString() : QString()));
        ICloudFileTransfer *transfer = startTransfer(service.get(), call, id, path, &sink);
        QCOMPARE(log.finished, 0); // never from inside the starting call
        QTRY_COMPARE_WITH_TIMEOUT(log.finished, 1, kWait);
        const QString uploaded = onHttp ? root + "/files/" + id : CloudFileStore::filePath(id);
        const QByteArray got = readFile(call == Upload ? uploaded : path);
        verifyEnded(log, finishes ? TransferStatus_Finished : TransferStatus_Failed,
            finishes ? got.size() : m_bytes.size());
        QVERIFY(!onHttp || log.text == failure);
        QCOMPARE(log.fileAtFinish, finishes && call != Upload);
        // Locally a failure before the first byte reports none; an HTTP upload has sent its bytes.
        QVERIFY(onHttp || log.progress.isEmpty() == (!finishes && failAfter <= 0));
        if (finishes) {
            QCOMPARE(log.progress.last().first, qint64(got.size()));
            QCOMPARE(transfer->transferred(), qint64(got.size()));
        }
        QCOMPARE(content.startsWith("made ") ? madeThumbnail(path) : got, content);
        QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, kWait);
        QCOMPARE(filesUnder(target(QString())), files); // no partial file left
        QCOMPARE(filesUnder(root), stored);
        QVERIFY(call != Upload || service->fileExists(id) == finishes);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList { "secret.png" });
    }

    void stop_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("when");

        const auto row = [](const char *name, const char *how, const char *when) {
            QTest::newRow(name) << QString(how) << QString(when);
        };
        row("cancel at once", "cancel", "at once");
        row("cancel in flight", "cancel", "in flight");
        row("cancel after the end", "cancel", "at the end");
        row("owner gone between callbacks", "owner gone", "in flight");
        row("owner gone inside a progress callback", "owner gone", "progress");
        row("owner gone inside another transfer's end", "owner gone", "small ends");
        row("cancel in flight, on HTTP", "cancel", "in flight");
        row("owner gone inside a progress callback, on HTTP", "owner gone", "progress");
    }

    void stop()
    {
        QFETCH(QString, how);
        QFETCH(QString, when);
        const bool onHttp = QByteArray(QTest::currentDataTag()).endsWith("on HTTP");
        if (onHttp)
            SKIP_WITHOUT_NGINX();
        const QByteArray big = onHttp ? QByteArray(8 * 1024 * 1024, 'x') : payload(64 * 1024);
        QVERIFY(TestPictures::writeFile(onHttp ? served("files/big") : store("files/big"), big));
        CloudFileStore::setChunkSize(1024);
        CloudFileStore::setChunkDelay(when == "at the end" ? 0 : 50); // still running when stopped

        // An owner goes the way a widget does: cancel() or release() first, then its sink dies.
        // On HTTP through the configured server, as the widgets reach it.
        QVERIFY(!onHttp || CloudFileStore::setServerUrl(m_http.url()));
        ICloudFileService *service = createCloudFileService(QString(), QString());
        QSignalSpy serviceDeleted(dynamic_cast<QObject *>(service), &QObject::destroyed);
        Log bigLog, smallLog;
        auto *bigSink = new Sink(&bigLog, target("big"));
        auto *smallSink = new Sink(&smallLog, target("small"));
        ICloudFileTransfer *transfer = service->downloadFile("big", target("big"), bigSink);
        service->downloadFile("e", target("small"), smallSink);
        int progressBefore = 0;
        const auto stop = [&] {
            progressBefore = bigLog.progress.size();
            if (how == QLatin1String("cancel")) {
                transfer->cancel();
                transfer->cancel(); // twice is harmless
            } else {
                service->release();
            }
            delete bigSink;
        };
        const bool atEnd = when == QLatin1String("at the end");
        if (when == QLatin1String("progress")) {
            bigSink->onProgress = stop;
        } else if (when == QLatin1String("small ends")) {
            smallSink->onFinish = stop;
        } else {
            if (when == QLatin1String("in flight"))
                QTRY_VERIFY_WITH_TIMEOUT(!bigLog.progress.isEmpty(), kWait);
            if (atEnd)
                QTRY_COMPARE_WITH_TIMEOUT(bigLog.finished, 1, kWait);
            stop();
        }

        QTRY_VERIFY_WITH_TIMEOUT(bigLog.destroyed, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, kWait);
        // Nothing more reaches the stopped sink, not even 1001; a complete file stays, no partial.
        QCOMPARE(bigLog.progress.size(), progressBefore);
        QVERIFY(!bigLog.afterEnd && !smallLog.afterEnd);
        QCOMPARE(bigLog.finished, atEnd ? 1 : 0);
        QCOMPARE(readFile(target("big")), atEnd ? big : QByteArray());
        QCOMPARE(filesUnder(target(QString())).filter("big"),
            atEnd ? QStringList { "big" } : QStringList());
        QCOMPARE(serviceDeleted.count(), how == QLatin1String("owner gone") ? 1 : 0);
        // A cancel leaves the service's other transfers alone.
        if (how == QLatin1String("cancel") || when == QLatin1String("small ends"))
            QCOMPARE(smallLog.finished, 1);
        delete smallSink;
        if (how == QLatin1String("cancel"))
            service->release();
    }

    void concurrentServices()
    {
        // Many owners, each with its own service; the second repeats the first's download to the
        // same path (a second click); every other one releases its service inside onFinished.
        constexpr int kOwners = 12;
        CloudFileStore::setChunkSize(512);
        std::vector<Log> logs(kOwners);
        std::vector<std::unique_ptr<Sink>> sinks;
        std::vector<Service> services;
        QList<QByteArray> contents;
        for (int i = 0; i < kOwners; ++i) {
            const QString id = QStringLiteral("f%1").arg(i == 1 ? 0 : i);
            const Call call = i % 3 == 1 ? UserHeader : File;
            contents << (i == 1 ? contents.at(0) : payload(20000 + i * 777));
            const QString entry = call == UserHeader ? "headers/" + id + ".png" : "files/" + id;
            QVERIFY(TestPictures::writeFile(store(entry), contents.last()));
            sinks.push_back(std::make_unique<Sink>(&logs[size_t(i)]));
            services.push_back(createService());
            QVERIFY(startTransfer(services.back().get(), call, id, target(id), sinks.back().get()));
            if (i % 2 == 0)
                sinks.back()->onFinish = [&services, i] { services[size_t(i)].reset(); };
        }

        QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, kWait);
        for (int i = 0; i < kOwners; ++i) {
            verifyEnded(logs[size_t(i)], TransferStatus_Finished, contents.at(i).size());
            QCOMPARE(readFile(target(QStringLiteral("f%1").arg(i == 1 ? 0 : i))), contents.at(i));
        }
        QCOMPARE(filesUnder(target(QString())).size(), kOwners - 1); // no stray file from the twin
    }

    void httpTimeout()
    {
        // A server that takes the connection and never answers.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const QString url
            = QStringLiteral("http://127.0.0.1:%1/dav/?timeout=300").arg(silent.serverPort());
        QTest::ignoreMessage(QtWarningMsg,
            QRegularExpression(
                "^CloudFileService: downloading file a.pdf .* failed: The cloud server "
                "sent nothing for 0.3 s.$"));
        Log log;
        Sink sink(&log, target("slow.pdf"));
        const Service service(createCloudFileService(QString(), url));
        service->downloadFile(QStringLiteral("a.pdf"), target("slow.pdf"), &sink);
        QTRY_COMPARE_WITH_TIMEOUT(log.finished, 1, kWait);
        QCOMPARE(log.status, int(TransferStatus_Failed));
        QVERIFY(!log.fileAtFinish && !QFileInfo::exists(target("slow.pdf")));
    }
};

DYNFEED_TEST_MAIN(tst_CloudFileService)
#include "tst_CloudFileService.moc"
