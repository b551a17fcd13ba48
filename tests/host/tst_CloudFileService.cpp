#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

#include "CloudFileService.h"
#include "common/TestPictures.h"

namespace {

constexpr int kWait = 30000; // generous: the ThreadSanitizer build is slow

/// What one transfer reported, kept apart from the sink so that it outlives it.
struct Log
{
    QList<QPair<qint64, qint64>> progress;
    int finished = 0;
    int status = 0;
    QString text;
    bool offGuiThread = false;
    bool afterEnd = false; // a callback after onFinished, or after the sink was destroyed
    bool fileAtFinish = false;
    bool destroyed = false;
};

/// A receiver as the widgets are: it records, and may act inside a callback.
class Sink : public FileTransferSink
{
public:
    explicit Sink(Log *log, const QString &localPath = QString())
        : m_log(log)
        , m_localPath(localPath)
    { }
    ~Sink() override { m_log->destroyed = true; }

    void onResponse(qint64 done, qint64 total) override
    {
        note();
        m_log->progress.append(qMakePair(done, total));
        if (const std::function<void()> callback = onProgress) // may delete this sink
            callback();
    }
    void onFinished(int status, const QString &text) override
    {
        note();
        ++m_log->finished;
        m_log->status = status;
        m_log->text = text;
        m_log->fileAtFinish = QFileInfo(m_localPath).isFile();
        if (const std::function<void()> callback = onFinish)
            callback();
    }

    std::function<void()> onProgress;
    std::function<void()> onFinish;

private:
    void note()
    {
        m_log->offGuiThread = m_log->offGuiThread || QThread::currentThread() != qApp->thread();
        m_log->afterEnd = m_log->afterEnd || m_log->finished > 0 || m_log->destroyed;
    }

    Log *m_log;
    QString m_localPath;
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

enum Call { File, Picture, Thumbnail, UserHeader };

ICloudFileTransfer *startDownload(
    ICloudFileService *service, int call, const QString &id, const QString &path, Sink *sink)
{
    if (call == File)
        return service->downloadFile(id, path, sink);
    if (call == UserHeader)
        return service->downloadUserHeader(id, path, 0, sink);
    return service->downloadPicture(id, path, call == Picture ? 2 : 0, sink);
}

QByteArray payload(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(QRandomGenerator::global()->bounded(256));
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

/// The cloud-file service over a local store: results, files on disk, threads and lifetimes.
class tst_CloudFileService : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void transfer_data();
    void transfer();
    void thumbnail_data();
    void thumbnail();
    void stop_data();
    void stop();
    void concurrentServices();
    void upload();

private:
    QString store(const QString &entry) const { return m_dir.filePath("store/" + entry); }
    QString target(const QString &name) const { return m_dir.filePath("target/" + name); }

    QTemporaryDir m_dir;
    const QByteArray m_bytes = payload(40000);
    const QByteArray m_photo = TestPictures::picture({ 300, 200 }, "jpg");
};

void tst_CloudFileService::init()
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
}

void tst_CloudFileService::cleanup()
{
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, kWait);
    CloudFileStore::resetTransferSettings();
}

void tst_CloudFileService::transfer_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("failAfter");
    QTest::addColumn<QByteArray>("content"); // null: the transfer fails

    const auto row = [](const char *name, Call call, const QString &id, const QString &target,
                         const QByteArray &content, qint64 failAfter = -1) {
        QTest::newRow(name) << call << id << target << failAfter << content;
    };
    // The store as init() leaves it; "secret.png" lies beside it, where an id that climbs out of
    // its folder would find it.
    row("file into new folders", File, "a.pdf", "one/two/a.pdf", m_bytes);
    row("empty file", File, "e", "e", QByteArray(""));
    row("older file replaced", File, "a.pdf", "old.pdf", m_bytes);
    row("Chinese id", File, "施工日志.docx", "文件/日志.docx", m_bytes);
    row("name with two dots", File, "a..b", "a..b", m_bytes);
    row("large picture as stored", Picture, "p.jpg", "p.jpg", m_photo);
    row("stored thumbnail as stored", Thumbnail, "t.png", "t.png", m_bytes);
    row("avatar by user id", UserHeader, "u1", "u1.png", m_photo);
    row("missing file", File, "b.pdf", "b.pdf", QByteArray());
    row("missing avatar", UserHeader, "u2", "u2.png", QByteArray());
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
}

void tst_CloudFileService::transfer()
{
    QFETCH(Call, call);
    QFETCH(QString, id);
    QFETCH(QString, name);
    QFETCH(qint64, failAfter);
    QFETCH(QByteArray, content);
    const bool finishes = !content.isNull();
    QVERIFY(TestPictures::writeFile(target("blocker"), "a file where a folder should be"));
    QVERIFY(TestPictures::writeFile(target("old.pdf"), "an older version"));
    QVERIFY(TestPictures::writeFile(m_dir.filePath("secret.png"), m_photo));
    QStringList files = filesUnder(target(QString()));
    if (finishes && !files.contains(name))
        files << name;
    files.sort();
    CloudFileStore::setFailAfter(failAfter);
    const QString path = name.isEmpty() ? QString() : target(name);

    Log log;
    Sink sink(&log, path);
    Service service = createService();
    ICloudFileTransfer *transfer = startDownload(service.get(), call, id, path, &sink);
    QCOMPARE(log.finished, 0); // never from inside the starting call
    QTRY_COMPARE_WITH_TIMEOUT(log.finished, 1, kWait);
    verifyEnded(log, finishes ? TransferStatus_Finished : TransferStatus_Failed,
        finishes ? content.size() : m_bytes.size());
    QCOMPARE(log.fileAtFinish, finishes);
    QCOMPARE(log.progress.isEmpty(), !finishes && failAfter <= 0);
    if (finishes) {
        QCOMPARE(log.progress.last().first, qint64(content.size()));
        QCOMPARE(transfer->transferred(), qint64(content.size()));
    }
    QCOMPARE(readFile(path), content);
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, kWait);
    QCOMPARE(filesUnder(target(QString())), files); // no partial file left
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList { "secret.png" });
}

void tst_CloudFileService::thumbnail_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("asStored");

    QImage transparent = TestPictures::halves({ 900, 600 }).convertToFormat(QImage::Format_ARGB32);
    QPainter painter(&transparent);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 300, 900, 300, Qt::transparent);
    painter.end();
    QTest::newRow("wide PNG") << TestPictures::picture({ 1600, 1200 }, "png") << QByteArray("png")
                              << QSize(200, 150) << false;
    QTest::newRow("tall JPEG") << TestPictures::picture({ 800, 2000 }, "jpg") << QByteArray("jpeg")
                               << QSize(80, 200) << false;
    QTest::newRow("transparent PNG") << TestPictures::encoded(transparent, "png")
                                     << QByteArray("png") << QSize(200, 133) << false;
    QTest::newRow("one long edge") << TestPictures::picture({ 4000, 16 }, "png")
                                   << QByteArray("png") << QSize(200, 1) << false;
    QTest::newRow("exactly the edge, as stored") << TestPictures::picture({ 200, 100 }, "jpg")
                                                 << QByteArray("jpeg") << QSize(200, 100) << true;
}

void tst_CloudFileService::thumbnail()
{
    QFETCH(QByteArray, picture);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QFETCH(bool, asStored);
    // Named as a PNG whatever it is: the thumbnail keeps the picture's own format.
    QVERIFY(TestPictures::writeFile(store("files/p.png"), picture));
    const QString path = target("p.png");

    Log log;
    Sink sink(&log, path);
    Service service = createService();
    service->downloadPicture("p.png", path, 0, &sink);
    QTRY_COMPARE_WITH_TIMEOUT(log.finished, 1, kWait);
    const QByteArray stored = readFile(path);
    verifyEnded(log, TransferStatus_Finished, stored.size());

    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage thumbnail = reader.read();
    QCOMPARE(thumbnail.size(), size);
    QCOMPARE(stored == picture, asStored);
    // Shrunk, not cropped or garbled: the corners keep their colours (a red left half, a blue
    // right one, a transparent bottom).
    const QColor topLeft = thumbnail.pixelColor(0, 0);
    const QColor bottomRight = thumbnail.pixelColor(size.width() - 1, size.height() - 1);
    QVERIFY2(topLeft.red() > 200 && topLeft.blue() < 60, qPrintable(topLeft.name()));
    QVERIFY2(bottomRight.blue() > 200 || bottomRight.alpha() == 0, qPrintable(bottomRight.name()));
    QVERIFY(!QFileInfo::exists(store("thumbs/p.png"))); // the store is left alone
}

void tst_CloudFileService::stop_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("when"); // at once, in flight (after the first progress), at the end

    QTest::newRow("cancel at once") << "cancel"
                                    << "at once";
    QTest::newRow("cancel in flight") << "cancel"
                                      << "in flight";
    QTest::newRow("cancel after the end") << "cancel"
                                          << "at the end";
    QTest::newRow("owner gone between callbacks") << "owner gone"
                                                  << "in flight";
    QTest::newRow("owner gone inside a progress callback") << "owner gone"
                                                           << "progress";
    QTest::newRow("owner gone inside another transfer's end") << "owner gone"
                                                              << "small ends";
}

void tst_CloudFileService::stop()
{
    QFETCH(QString, how);
    QFETCH(QString, when);
    const QByteArray big = payload(64 * 1024);
    QVERIFY(TestPictures::writeFile(store("files/big"), big));
    CloudFileStore::setChunkSize(1024);
    CloudFileStore::setChunkDelay(when == "at the end" ? 0 : 50); // still running when stopped

    // An owner goes away the way a widget is deleted: cancel() or release() first, then its
    // sinks die. The object behind the service interface is a QObject that release() deletes.
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
    if (when == QLatin1String("progress"))
        bigSink->onProgress = stop;
    if (when == QLatin1String("small ends"))
        smallSink->onFinish = stop;
    if (when == QLatin1String("in flight"))
        QTRY_VERIFY_WITH_TIMEOUT(!bigLog.progress.isEmpty(), kWait);
    if (when == QLatin1String("at the end"))
        QTRY_COMPARE_WITH_TIMEOUT(bigLog.finished, 1, kWait);
    if (when == QLatin1String("at once") || when == QLatin1String("in flight")
        || when == QLatin1String("at the end"))
        stop();

    QTRY_VERIFY_WITH_TIMEOUT(bigLog.destroyed, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, kWait);
    // Nothing more reaches the stopped sink, not even 1001; a complete file stays, no partial.
    QCOMPARE(bigLog.progress.size(), progressBefore);
    QVERIFY(!bigLog.afterEnd && !smallLog.afterEnd);
    QCOMPARE(bigLog.finished, when == QLatin1String("at the end") ? 1 : 0);
    QCOMPARE(readFile(target("big")), when == QLatin1String("at the end") ? big : QByteArray());
    QCOMPARE(serviceDeleted.count(), how == QLatin1String("owner gone") ? 1 : 0);
    // A cancel leaves the service's other transfers alone.
    if (how == QLatin1String("cancel") || when == QLatin1String("small ends"))
        QCOMPARE(smallLog.finished, 1);
    delete smallSink;
    if (how == QLatin1String("cancel"))
        service->release();
}

void tst_CloudFileService::concurrentServices()
{
    // Many owners at once, each with its own service object, as a page of items has; the second
    // repeats the first's download to the same path, as a second click on a file tile does; every
    // other one releases its service from inside onFinished, as the picture labels do.
    constexpr int kOwners = 12;
    CloudFileStore::setChunkSize(512);
    std::vector<Log> logs(kOwners);
    std::vector<std::unique_ptr<Sink>> sinks;
    std::vector<Service> services;
    QList<QByteArray> contents;
    for (int i = 0; i < kOwners; ++i) {
        const int owner = i == 1 ? 0 : i;
        const QString id = QStringLiteral("f%1").arg(owner);
        const int call = owner % 3 == 1 ? UserHeader : owner % 3 == 2 ? Picture : File;
        const QString entry = call == UserHeader ? "headers/" + id + ".png" : "files/" + id;
        contents << (i == 1    ? contents.at(0)
                : call == File ? payload(20000 + i * 777)
                               : TestPictures::picture({ 60 + i, 60 }, "png"));
        QVERIFY(TestPictures::writeFile(store(entry), contents.last()));
        const QString path = target(QStringLiteral("owner%1/%2").arg(owner).arg(id));
        sinks.push_back(std::make_unique<Sink>(&logs[size_t(i)], path));
        services.push_back(createService());
        QVERIFY(startDownload(services.back().get(), call, id, path, sinks.back().get()));
        if (i % 2 == 0)
            sinks.back()->onFinish = [&services, i] { services[size_t(i)].reset(); };
    }

    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, kWait);
    for (int i = 0; i < kOwners; ++i) {
        verifyEnded(logs[size_t(i)], TransferStatus_Finished, contents.at(i).size());
        const int owner = i == 1 ? 0 : i;
        QCOMPARE(readFile(target(QStringLiteral("owner%1/f%1").arg(owner))), contents.at(i));
    }
    QCOMPARE(filesUnder(target("owner0")), QStringList { "f0" });
}

void tst_CloudFileService::upload()
{
    QVERIFY(TestPictures::writeFile(target("source.pdf"), m_bytes));
    Service service = createService();
    for (const QString &id : { QStringLiteral("../up.pdf"), QStringLiteral("up.pdf") }) {
        const bool stored = !id.contains(QLatin1Char('/'));
        QVERIFY(!service->fileExists(id));
        Log log;
        Sink sink(&log);
        service->uploadFile(target("source.pdf"), id, &sink);
        QTRY_COMPARE_WITH_TIMEOUT(log.finished, 1, kWait);
        verifyEnded(log, stored ? TransferStatus_Finished : TransferStatus_Failed, m_bytes.size());
        QCOMPARE(service->fileExists(id), stored);
    }
    QVERIFY(!QFileInfo::exists(store("up.pdf")) && !QFileInfo::exists(m_dir.filePath("up.pdf")));

    Log log;
    Sink sink(&log, target("copy.pdf"));
    service->downloadFile("up.pdf", target("copy.pdf"), &sink);
    QTRY_COMPARE_WITH_TIMEOUT(log.finished, 1, kWait);
    QCOMPARE(readFile(target("copy.pdf")), m_bytes);
}

QTEST_MAIN(tst_CloudFileService)
#include "tst_CloudFileService.moc"
