#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "CloudFileService.h"

namespace {

constexpr int Wait = 30000; // generous: the ThreadSanitizer build is slow

/// Everything one transfer reported, kept apart from the sink so that it can be read after the
/// sink is gone.
struct SinkLog
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

/// A callback receiver as the widgets are: it records, and may act inside a callback.
class RecordingSink : public FileTransferSink
{
public:
    RecordingSink(SinkLog *log, const QString &localPath = QString())
        : m_log(log)
        , m_localPath(localPath)
    { }
    ~RecordingSink() override { m_log->destroyed = true; }

    void onResponse(qint64 done, qint64 total) override
    {
        note();
        m_log->progress.append(qMakePair(done, total));
        // A copy: the callback may delete this sink, and with it onProgress.
        if (const std::function<void()> callback = onProgress)
            callback();
    }

    void onFinished(int status, const QString &text) override
    {
        note();
        ++m_log->finished;
        m_log->status = status;
        m_log->text = text;
        m_log->fileAtFinish = !m_localPath.isEmpty() && QFileInfo(m_localPath).isFile();
        if (const std::function<void()> callback = onFinish)
            callback();
    }

    std::function<void()> onProgress;
    std::function<void()> onFinish;

private:
    void note()
    {
        if (QThread::currentThread() != qApp->thread())
            m_log->offGuiThread = true;
        if (m_log->finished > 0 || m_log->destroyed)
            m_log->afterEnd = true;
    }

    SinkLog *m_log;
    QString m_localPath;
};

enum Call { File, Picture, Thumbnail, UserHeader };

/// Releases a service when the test scope ends, as every owner does.
struct ServiceHolder
{
    ServiceHolder()
        : service(createCloudFileService(QString(), QString()))
    { }
    ~ServiceHolder()
    {
        if (service)
            service->release();
    }
    ServiceHolder(const ServiceHolder &) = delete;
    ServiceHolder &operator=(const ServiceHolder &) = delete;

    ICloudFileService *operator->() const { return service; }
    void release() { std::exchange(service, nullptr)->release(); }

    ICloudFileService *service = nullptr;
};

ICloudFileTransfer *startDownload(ICloudFileService *service, int call, const QString &id,
    const QString &localPath, FileTransferSink *sink)
{
    switch (call) {
    case File:
        return service->downloadFile(id, localPath, sink);
    case Picture:
        return service->downloadPicture(id, localPath, 2, sink);
    case Thumbnail:
        return service->downloadPicture(id, localPath, 0, sink);
    case UserHeader:
        return service->downloadUserHeader(id, localPath, 0, sink);
    }
    return nullptr;
}

QByteArray payload(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

/// A picture whose top left quarter is yellow and the rest dark cyan; with alpha, its right half
/// is transparent instead.
QByteArray encodedPicture(const QSize &size, const char *format, bool alpha = false)
{
    QImage image(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QPainter painter(&image);
    painter.fillRect(QRect(QPoint(0, 0), size / 2), Qt::yellow);
    if (alpha) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(QRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height()),
            Qt::transparent);
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

bool near(QRgb actual, QColor expected)
{
    const int tolerance = 24; // JPEG's loss
    return qAbs(qRed(actual) - expected.red()) <= tolerance
        && qAbs(qGreen(actual) - expected.green()) <= tolerance
        && qAbs(qBlue(actual) - expected.blue()) <= tolerance
        && qAbs(qAlpha(actual) - expected.alpha()) <= tolerance;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Every file in dir: a partial or temporary file would show here.
QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

bool progressInOrder(const QList<QPair<qint64, qint64>> &progress, qint64 total)
{
    qint64 last = -1;
    for (const auto &step : progress) {
        if (step.second != total || step.first < last || step.first > total)
            return false;
        last = step.first;
    }
    return true;
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

    void download_data();
    void download();
    void failure_data();
    void failure();
    void thumbnail_data();
    void thumbnail();
    void cancel_data();
    void cancel();
    void ownerGone_data();
    void ownerGone();
    void concurrentServices();
    void sameTargetTwice();
    void uploadRoundTrip_data();
    void uploadRoundTrip();

private:
    QString storePath(const QString &relative) const { return m_dir.filePath("store/" + relative); }
    QString targetPath(const QString &relative) const
    {
        return m_dir.filePath("target/" + relative);
    }

    QTemporaryDir m_dir;
};

void tst_CloudFileService::init()
{
    QVERIFY(m_dir.isValid());
    QDir(m_dir.path()).removeRecursively();
    QDir().mkpath(m_dir.path());
    CloudFileStore::setRootPath(m_dir.filePath("store"));
    CloudFileStore::resetTransferSettings();
    // Several steps per file, so that progress has an order to keep.
    CloudFileStore::setChunkSize(4096);
}

void tst_CloudFileService::cleanup()
{
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    CloudFileStore::resetTransferSettings();
}

void tst_CloudFileService::download_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("storeEntry");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("oldTarget"); // what the target held before; null: nothing

    const QByteArray bytes = payload(50001, 7);
    QTest::newRow("file, several chunks")
        << File << "report.pdf"
        << "files/report.pdf" << bytes << "file/report.pdf" << QByteArray();
    QTest::newRow("file, one chunk")
        << File << "a1.txt"
        << "files/a1.txt" << payload(100, 1) << "a1.txt" << QByteArray();
    QTest::newRow("empty file") << File << "empty.dat"
                                << "files/empty.dat" << QByteArray() << "empty.dat" << QByteArray();
    QTest::newRow("folders made for the target")
        << File << "deep.bin"
        << "files/deep.bin" << bytes << "one/two/three/deep.bin" << QByteArray();
    QTest::newRow("Chinese id and target")
        << File << QStringLiteral("施工日志.docx") << QStringLiteral("files/施工日志.docx") << bytes
        << QStringLiteral("文件/施工日志.docx") << QByteArray();
    QTest::newRow("name with two dots is ordinary")
        << File << "plan..v2.dwg"
        << "files/plan..v2.dwg" << bytes << "plan..v2.dwg" << QByteArray();
    QTest::newRow("large picture is the picture itself")
        << Picture << "site.jpg"
        << "files/site.jpg" << encodedPicture(QSize(900, 700), "JPG") << "site_larger.jpg"
        << QByteArray();
    QTest::newRow("stored thumbnail is used as stored")
        << Thumbnail << "site.png"
        << "thumbs/site.png" << payload(3000, 3) << "site.png" << QByteArray();
    QTest::newRow("older file at the target is replaced")
        << File << "report.pdf"
        << "files/report.pdf" << bytes << "report.pdf"
        << QByteArray("an older version of the report");
    QTest::newRow("avatar by user id")
        << UserHeader << "u1001"
        << "headers/u1001.png" << encodedPicture(QSize(70, 70), "PNG") << "u1001.png"
        << QByteArray();
}

void tst_CloudFileService::download()
{
    QFETCH(Call, call);
    QFETCH(QString, id);
    QFETCH(QString, storeEntry);
    QFETCH(QByteArray, content);
    QFETCH(QString, target);
    QFETCH(QByteArray, oldTarget);
    QVERIFY(writeFile(storePath(storeEntry), content));
    const QString localPath = targetPath(target);
    if (!oldTarget.isNull())
        QVERIFY(writeFile(localPath, oldTarget));

    SinkLog log;
    RecordingSink sink(&log, localPath);
    ServiceHolder service;
    ICloudFileTransfer *transfer = startDownload(service.service, call, id, localPath, &sink);
    QVERIFY(transfer);
    QCOMPARE(log.finished, 0); // never from inside the starting call

    QTRY_COMPARE_WITH_TIMEOUT(log.finished, 1, Wait);
    QCOMPARE(log.status, int(TransferStatus_Finished));
    QVERIFY(log.fileAtFinish);
    QCOMPARE(readFile(localPath), content);
    QCOMPARE(filesIn(QFileInfo(localPath).absolutePath()),
        QStringList { QFileInfo(localPath).fileName() });
    QVERIFY(!log.progress.isEmpty());
    QVERIFY(progressInOrder(log.progress, content.size()));
    QCOMPARE(log.progress.last().first, qint64(content.size()));
    QCOMPARE(transfer->transferred(), qint64(content.size()));
    QVERIFY(!log.offGuiThread);
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    QVERIFY(!log.afterEnd);
    QCOMPARE(log.finished, 1);
}

void tst_CloudFileService::failure_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("target");
    QTest::addColumn<qint64>("failAfter");
    QTest::addColumn<bool>("progressFirst");

    // The store holds files/report.pdf, headers/u1.png and a file "secret.png" beside the store,
    // where an id that climbs out of its folder would find it.
    QTest::newRow("missing file") << File << "nothing.pdf"
                                  << "nothing.pdf" << qint64(-1) << false;
    QTest::newRow("missing avatar") << UserHeader << "u2"
                                    << "u2.png" << qint64(-1) << false;
    QTest::newRow("missing picture") << Picture << "none.jpg"
                                     << "none.jpg" << qint64(-1) << false;
    QTest::newRow("thumbnail of a missing picture") << Thumbnail << "none.jpg"
                                                    << "none.jpg" << qint64(-1) << false;
    QTest::newRow("thumbnail of a file that is no picture") << Thumbnail << "report.pdf"
                                                            << "report.png" << qint64(-1) << false;
    QTest::newRow("link lost before the first byte") << File << "report.pdf"
                                                     << "report.pdf" << qint64(0) << false;
    QTest::newRow("link lost mid-way") << File << "report.pdf"
                                       << "report.pdf" << qint64(10000) << true;
    QTest::newRow("target folder is a file") << File << "report.pdf"
                                             << "blocker/report.pdf" << qint64(-1) << false;
    QTest::newRow("target is a folder") << File << "report.pdf"
                                        << "folder" << qint64(-1) << false;
    QTest::newRow("no target") << File << "report.pdf"
                               << "" << qint64(-1) << false;
    QTest::newRow("empty id") << File << ""
                              << "x" << qint64(-1) << false;
    QTest::newRow("dot id") << File << "."
                            << "x" << qint64(-1) << false;
    QTest::newRow("dot-dot id") << File << ".."
                                << "x" << qint64(-1) << false;
    QTest::newRow("id climbing out") << File << "../../secret.png"
                                     << "x" << qint64(-1) << false;
    QTest::newRow("id with a backslash") << File << "..\\..\\secret.png"
                                         << "x" << qint64(-1) << false;
    QTest::newRow("id into another folder") << File << "../headers/u1.png"
                                            << "x" << qint64(-1) << false;
    QTest::newRow("absolute id") << File << m_dir.filePath("secret.png") << "x" << qint64(-1)
                                 << false;
    QTest::newRow("id with NUL") << File << QStringLiteral("report.pdf\0x") << "x" << qint64(-1)
                                 << false;
    QTest::newRow("picture id climbing out") << Picture << "../../secret.png"
                                             << "x" << qint64(-1) << false;
    QTest::newRow("thumbnail id climbing out") << Thumbnail << "../../secret.png"
                                               << "x" << qint64(-1) << false;
    QTest::newRow("user id climbing out") << UserHeader << "../../secret"
                                          << "x" << qint64(-1) << false;
    QTest::newRow("user id into files") << UserHeader << "../files/report.pdf"
                                        << "x" << qint64(-1) << false;
}

void tst_CloudFileService::failure()
{
    QFETCH(Call, call);
    QFETCH(QString, id);
    QFETCH(QString, target);
    QFETCH(qint64, failAfter);
    QFETCH(bool, progressFirst);
    QVERIFY(writeFile(storePath("files/report.pdf"), payload(40000, 11)));
    QVERIFY(writeFile(storePath("headers/u1.png"), encodedPicture(QSize(70, 70), "PNG")));
    QVERIFY(writeFile(m_dir.filePath("secret.png"), encodedPicture(QSize(400, 400), "PNG")));
    QVERIFY(writeFile(targetPath("blocker"), "a file where a folder should be"));
    QVERIFY(QDir().mkpath(targetPath("folder")));
    CloudFileStore::setFailAfter(failAfter);
    const QString localPath = target.isEmpty() ? QString() : targetPath(target);
    const QStringList targetFilesBefore = filesIn(targetPath(QString()));

    SinkLog log;
    RecordingSink sink(&log, localPath);
    ServiceHolder service;
    QVERIFY(startDownload(service.service, call, id, localPath, &sink));
    QCOMPARE(log.finished, 0);

    QTRY_COMPARE_WITH_TIMEOUT(log.finished, 1, Wait);
    QCOMPARE(log.status, int(TransferStatus_Failed));
    QVERIFY(!log.text.isEmpty());
    QVERIFY(!log.offGuiThread);
    QCOMPARE(!log.progress.isEmpty(), progressFirst);
    QVERIFY(progressInOrder(log.progress, 40000));
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    QCOMPARE(filesIn(targetPath(QString())), targetFilesBefore);
    if (!localPath.isEmpty())
        QVERIFY(!QFileInfo(localPath).isFile());
    QCOMPARE(filesIn(m_dir.path()), QStringList { "secret.png" });
    QVERIFY(!log.afterEnd);
}

void tst_CloudFileService::thumbnail_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("asStored");
    QTest::addColumn<QColor>("bottomRight");

    const QColor cyan(Qt::darkCyan);
    QTest::newRow("wide PNG") << "wide.png" << encodedPicture(QSize(1600, 1200), "PNG")
                              << QByteArray("png") << QSize(200, 150) << false << cyan;
    QTest::newRow("tall JPEG") << "tall.jpg" << encodedPicture(QSize(800, 2000), "JPG")
                               << QByteArray("jpeg") << QSize(80, 200) << false << cyan;
    QTest::newRow("BMP") << "plan.bmp" << encodedPicture(QSize(1000, 1000), "BMP")
                         << QByteArray("bmp") << QSize(200, 200) << false << cyan;
    QTest::newRow("PNG with transparency")
        << "mask.png" << encodedPicture(QSize(900, 600), "PNG", true) << QByteArray("png")
        << QSize(200, 133) << false << QColor(Qt::transparent);
    QTest::newRow("JPEG named as PNG keeps JPEG")
        << "photo.png" << encodedPicture(QSize(1024, 768), "JPG") << QByteArray("jpeg")
        << QSize(200, 150) << false << cyan;
    QTest::newRow("one long edge") << "strip.png" << encodedPicture(QSize(4000, 16), "PNG")
                                   << QByteArray("png") << QSize(200, 1) << false << QColor();
    QTest::newRow("small picture as stored") << "small.png" << encodedPicture(QSize(120, 90), "PNG")
                                             << QByteArray("png") << QSize(120, 90) << true << cyan;
    QTest::newRow("exactly the edge as stored")
        << "edge.jpg" << encodedPicture(QSize(200, 100), "JPG") << QByteArray("jpeg")
        << QSize(200, 100) << true << cyan;
}

void tst_CloudFileService::thumbnail()
{
    QFETCH(QString, id);
    QFETCH(QByteArray, picture);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QFETCH(bool, asStored);
    QFETCH(QColor, bottomRight);
    QVERIFY(writeFile(storePath("files/" + id), picture));
    const QString localPath = targetPath(id);

    SinkLog log;
    RecordingSink sink(&log, localPath);
    ServiceHolder service;
    service->downloadPicture(id, localPath, 0, &sink);
    QTRY_COMPARE_WITH_TIMEOUT(log.finished, 1, Wait);
    QCOMPARE(log.status, int(TransferStatus_Finished));
    QVERIFY(!log.offGuiThread);

    QImageReader reader(localPath);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage thumbnail = reader.read();
    QVERIFY(!thumbnail.isNull());
    QCOMPARE(thumbnail.size(), size);
    if (bottomRight.isValid()) {
        // The picture is shrunk, not cropped or garbled: its corners keep their colours.
        QVERIFY(near(thumbnail.pixel(0, 0), Qt::yellow));
        QVERIFY(near(thumbnail.pixel(size.width() - 1, size.height() - 1), bottomRight));
    }
    const QByteArray stored = readFile(localPath);
    QCOMPARE(stored == picture, asStored);
    QCOMPARE(log.progress.last().first, qint64(stored.size()));
    // The store itself is left as it was.
    QCOMPARE(filesIn(storePath("files")), QStringList { id });
    QVERIFY(!QFileInfo::exists(storePath("thumbs")));
}

void tst_CloudFileService::cancel_data()
{
    QTest::addColumn<int>("cancelAt"); // 0 at once, 1 after the first progress, 2 after the end

    QTest::newRow("cancel at once") << 0;
    QTest::newRow("cancel in flight") << 1;
    QTest::newRow("cancel after the end keeps the file") << 2;
}

void tst_CloudFileService::cancel()
{
    QFETCH(int, cancelAt);
    const QByteArray content = payload(64 * 1024, 5);
    QVERIFY(writeFile(storePath("files/drawing.dwg"), content));
    CloudFileStore::setChunkSize(1024);
    // Slow enough that the transfer is still running when it is cancelled; a cancel wakes it.
    CloudFileStore::setChunkDelay(cancelAt == 2 ? 0 : 100);
    const QString localPath = targetPath("drawing.dwg");

    SinkLog log;
    RecordingSink sink(&log, localPath);
    ServiceHolder service;
    ICloudFileTransfer *transfer = service->downloadFile("drawing.dwg", localPath, &sink);
    if (cancelAt == 1)
        QTRY_VERIFY_WITH_TIMEOUT(!log.progress.isEmpty(), Wait);
    if (cancelAt == 2)
        QTRY_COMPARE_WITH_TIMEOUT(log.finished, 1, Wait);
    const int progressBefore = log.progress.size();
    transfer->cancel();
    transfer->cancel(); // twice is harmless

    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    QCOMPARE(log.progress.size(), progressBefore);
    QVERIFY(!log.afterEnd);
    if (cancelAt == 2) {
        QCOMPARE(log.status, int(TransferStatus_Finished));
        QCOMPARE(readFile(localPath), content);
        QCOMPARE(filesIn(targetPath(QString())), QStringList { "drawing.dwg" });
    } else {
        // A cancel is the owner going away: its sink hears nothing more, not even 1001.
        QCOMPARE(log.finished, 0);
        QVERIFY(transfer->transferred() < content.size());
        QVERIFY(filesIn(targetPath(QString())).isEmpty());
    }
}

void tst_CloudFileService::ownerGone_data()
{
    QTest::addColumn<int>("when"); // 0 between callbacks, 1 inside onResponse, 2 inside onFinished

    QTest::newRow("between callbacks") << 0;
    QTest::newRow("inside a progress callback") << 1;
    QTest::newRow("inside the end of another transfer") << 2;
}

void tst_CloudFileService::ownerGone()
{
    QFETCH(int, when);
    QVERIFY(writeFile(storePath("files/big.bin"), payload(200 * 1024, 9)));
    QVERIFY(writeFile(storePath("files/small.bin"), payload(10, 9)));
    CloudFileStore::setChunkSize(1024);
    CloudFileStore::setChunkDelay(20);

    // An owner holds a service and several sinks and goes away with transfers running, the way
    // a widget is deleted: release() first, then its sinks die.
    ICloudFileService *service = createCloudFileService(QString(), QString());
    // The object behind the interface is a QObject: its end shows that release() deleted it.
    auto *serviceObject = dynamic_cast<QObject *>(service);
    QVERIFY(serviceObject);
    QSignalSpy serviceDeleted(serviceObject, &QObject::destroyed);
    SinkLog bigLog, smallLog;
    auto *bigSink = new RecordingSink(&bigLog, targetPath("big.bin"));
    auto *smallSink = new RecordingSink(&smallLog, targetPath("small.bin"));
    auto ownerGone = [&] {
        service->release();
        delete bigSink;
        delete smallSink;
    };
    if (when == 1)
        bigSink->onProgress = ownerGone;
    if (when == 2)
        smallSink->onFinish = ownerGone;

    service->downloadFile("big.bin", targetPath("big.bin"), bigSink);
    service->downloadFile("small.bin", targetPath("small.bin"), smallSink);
    if (when == 0) {
        QTRY_VERIFY_WITH_TIMEOUT(!bigLog.progress.isEmpty(), Wait);
        ownerGone();
    }

    QTRY_VERIFY_WITH_TIMEOUT(bigLog.destroyed, Wait);
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    QCOMPARE(serviceDeleted.count(), 1);
    QVERIFY(!bigLog.afterEnd);
    QVERIFY(!smallLog.afterEnd);
    QCOMPARE(bigLog.finished, 0);
    QVERIFY(smallLog.finished <= 1);
    if (when == 2)
        QCOMPARE(smallLog.finished, 1);
    QVERIFY(!QFileInfo::exists(targetPath("big.bin")));
    QCOMPARE(filesIn(targetPath(QString())).filter(QStringLiteral("big")), QStringList());
}

void tst_CloudFileService::concurrentServices()
{
    // Many owners at once, each with its own service object, as a page of items has.
    constexpr int Owners = 12;
    CloudFileStore::setChunkSize(512);
    std::vector<std::unique_ptr<SinkLog>> logs;
    std::vector<std::unique_ptr<RecordingSink>> sinks;
    std::vector<std::unique_ptr<ServiceHolder>> services;
    QList<QByteArray> expected;
    QStringList targets;
    for (int i = 0; i < Owners; ++i) {
        const QString id = QStringLiteral("f%1").arg(i);
        QByteArray content;
        int call = i % 3;
        if (call == 0) {
            content = payload(20000 + i * 777, i);
            QVERIFY(writeFile(storePath("files/" + id), content));
        } else if (call == 1) {
            content = encodedPicture(QSize(60 + i, 60), "PNG");
            QVERIFY(writeFile(storePath("headers/" + id + ".png"), content));
            call = UserHeader;
        } else {
            content = encodedPicture(QSize(640, 480), "PNG");
            QVERIFY(writeFile(storePath("files/" + id), content));
            call = Picture;
        }
        expected.append(content);
        targets.append(targetPath(QStringLiteral("owner%1/%2").arg(i).arg(id)));
        logs.push_back(std::make_unique<SinkLog>());
        sinks.push_back(std::make_unique<RecordingSink>(logs.back().get(), targets.last()));
        services.push_back(std::make_unique<ServiceHolder>());
        QVERIFY(
            startDownload(services.back()->service, call, id, targets.last(), sinks.back().get()));
    }
    // Every other owner releases its service from inside onFinished, as the picture labels do.
    for (int i = 0; i < Owners; i += 2) {
        ServiceHolder *holder = services[size_t(i)].get();
        sinks[size_t(i)]->onFinish = [holder] { holder->release(); };
    }

    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    for (int i = 0; i < Owners; ++i) {
        const SinkLog &log = *logs[size_t(i)];
        QCOMPARE(log.finished, 1);
        QCOMPARE(log.status, int(TransferStatus_Finished));
        QVERIFY(!log.offGuiThread);
        QVERIFY(!log.afterEnd);
        QVERIFY(progressInOrder(log.progress, expected.at(i).size()));
        QCOMPARE(readFile(targets.at(i)), expected.at(i));
    }
}

void tst_CloudFileService::sameTargetTwice()
{
    // A second click on a file tile while the first download runs: two downloads, one path.
    const QByteArray content = payload(100 * 1024, 13);
    QVERIFY(writeFile(storePath("files/spec.xlsx"), content));
    CloudFileStore::setChunkSize(2048);
    const QString localPath = targetPath("file/spec.xlsx");
    SinkLog first, second;
    RecordingSink firstSink(&first, localPath), secondSink(&second, localPath);
    ServiceHolder service;
    service->downloadFile("spec.xlsx", localPath, &firstSink);
    service->downloadFile("spec.xlsx", localPath, &secondSink);

    QTRY_COMPARE_WITH_TIMEOUT(first.finished + second.finished, 2, Wait);
    QCOMPARE(first.status, int(TransferStatus_Finished));
    QCOMPARE(second.status, int(TransferStatus_Finished));
    QVERIFY(first.fileAtFinish && second.fileAtFinish);
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    QCOMPARE(readFile(localPath), content);
    QCOMPARE(filesIn(targetPath("file")), QStringList { "spec.xlsx" });
}

void tst_CloudFileService::uploadRoundTrip_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("stored");

    QTest::newRow("ordinary id") << "c0ffee.pdf" << true;
    QTest::newRow("id climbing out") << "../c0ffee.pdf" << false;
    QTest::newRow("empty id") << "" << false;
}

void tst_CloudFileService::uploadRoundTrip()
{
    QFETCH(QString, id);
    QFETCH(bool, stored);
    const QByteArray content = payload(30000, 17);
    const QString source = targetPath("upload/source.pdf");
    QVERIFY(writeFile(source, content));
    ServiceHolder service;
    QVERIFY(!service->fileExists(id));

    SinkLog upLog;
    RecordingSink upSink(&upLog);
    service->uploadFile(source, id, &upSink);
    QTRY_COMPARE_WITH_TIMEOUT(upLog.finished, 1, Wait);
    QCOMPARE(upLog.status, int(stored ? TransferStatus_Finished : TransferStatus_Failed));
    QCOMPARE(service->fileExists(id), stored);
    QVERIFY(!QFileInfo::exists(m_dir.filePath("c0ffee.pdf")));
    QVERIFY(!QFileInfo::exists(m_dir.filePath("store/c0ffee.pdf")));
    if (!stored)
        return;
    QCOMPARE(filesIn(storePath("files")), QStringList { id });

    SinkLog downLog;
    const QString copy = targetPath("download/copy.pdf");
    RecordingSink downSink(&downLog, copy);
    service->downloadFile(id, copy, &downSink);
    QTRY_COMPARE_WITH_TIMEOUT(downLog.finished, 1, Wait);
    QCOMPARE(downLog.status, int(TransferStatus_Finished));
    QCOMPARE(readFile(copy), content);
}

QTEST_MAIN(tst_CloudFileService)
#include "tst_CloudFileService.moc"
