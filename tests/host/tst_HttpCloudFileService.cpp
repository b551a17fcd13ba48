#include <QImageReader>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

#include "CloudFileService.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"
#include "common/TestServers.h"

namespace {

constexpr int kWait = 30000; // generous: the ThreadSanitizer build is slow

/// What a transfer reported: "progress" once per report, then "finished <status>"; a callback
/// after the end shows as "late".
class Sink : public FileTransferSink
{
public:
    void onResponse(qint64 done, qint64 total) override
    {
        if (finished)
            late = true;
        last = { done, total };
        ++progress;
        if (onProgress)
            onProgress();
    }
    void onFinished(int code, const QString &why) override
    {
        if (finished)
            late = true;
        ++finished;
        status = code;
        text = why;
    }

    std::function<void()> onProgress;
    QPair<qint64, qint64> last { -1, -1 };
    int progress = 0;
    int finished = 0;
    int status = 0;
    QString text;
    bool late = false;
};

struct Release
{
    void operator()(ICloudFileService *service) const { service->release(); }
};
using Service = std::unique_ptr<ICloudFileService, Release>;

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

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Call)

/// The cloud-file service on an HTTP server: files, avatars and thumbnails, uploads, the
/// failures a server can give, and a cancel that leaves nothing behind.
class tst_HttpCloudFileService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { QDir(target(QString())).removeRecursively(); }
    void cleanup() { QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, kWait); }
    void transfer_data();
    void transfer();
    void timeout();
    void cancelInFlight();

private:
    QString stored(const QString &entry) const { return m_http.rootPath() + "/" + entry; }
    QString target(const QString &name) const { return m_dir.filePath("target/" + name); }

    QTemporaryDir m_dir;
    TestHttpServer m_http;
    const QByteArray m_bytes = QByteArray(40000, 'b') + "end";
    const QByteArray m_photo = TestPictures::picture({ 300, 200 }, "jpg");
};

void tst_HttpCloudFileService::initTestCase()
{
    if (!TestHttpServer::isInstalled())
        QSKIP("nginx is not installed (scripts/deps.sh installs it)");
    QVERIFY2(m_http.start(), qPrintable(m_http.why()));
    for (const char *entry : { "files/a.pdf", "files/施工日志.docx", "thumbs/t.png" })
        QVERIFY(TestPictures::writeFile(stored(QString::fromUtf8(entry)), m_bytes));
    QVERIFY(TestPictures::writeFile(stored("files/e"), QByteArray()));
    QVERIFY(TestPictures::writeFile(stored("files/p.jpg"), m_photo));
    QVERIFY(TestPictures::writeFile(stored("headers/u1.png"), m_photo));
    QVERIFY(TestPictures::writeFile(m_dir.filePath("source.bin"), m_bytes));
}

void tst_HttpCloudFileService::transfer_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("content"); // null: fails with the text below
    QTest::addColumn<QString>("failure");

    const auto row = [](const char *name, Call call, const QString &id, const QByteArray &content,
                         const QString &failure = QString(), const char *password = "secret") {
        QTest::newRow(name) << call << id << QString(password) << content << failure;
    };
    row("file", File, "a.pdf", m_bytes);
    row("Chinese id", File, "施工日志.docx", m_bytes);
    row("empty file", File, "e", QByteArray(""));
    row("avatar", UserHeader, "u1", m_photo);
    row("ready-made thumbnail", Thumbnail, "t.png", m_bytes);
    row("large picture", Picture, "p.jpg", m_photo);
    row("thumbnail made here", Thumbnail, "p.jpg", "size 200 133");
    row("upload", Upload, "up.bin", m_bytes);
    row("missing file", File, "b.pdf", {}, "There is no file b.pdf in the cloud.");
    row("missing avatar", UserHeader, "u9", {}, "There is no picture of user u9 in the cloud.");
    row("thumbnail of no picture", Thumbnail, "a.pdf", {}, "The file is not a picture.");
    row("id climbing out", File, "../secret", {}, "There is no file ../secret in the cloud.");
    row("server error", File, "server-error", {},
        "The cloud server failed: HTTP 500 Internal Server Error");
    row("wrong password", File, "a.pdf", {},
        "The cloud server refused the user name or password (HTTP 401).", "wrong");
    row("upload, wrong password", Upload, "up2.bin", {},
        "The cloud server refused the user name or password (HTTP 401).", "wrong");
}

void tst_HttpCloudFileService::transfer()
{
    QFETCH(Call, call);
    QFETCH(QString, id);
    QFETCH(QString, password);
    QFETCH(QByteArray, content);
    QFETCH(QString, failure);
    const QString path = call == Upload ? m_dir.filePath("source.bin") : target(id);
    if (!failure.isEmpty()) {
        QTest::ignoreMessage(QtWarningMsg,
            QRegularExpression(
                "^CloudFileService: .* failed: " + QRegularExpression::escape(failure)));
    }

    Sink sink;
    const Service service(createCloudFileService(QString(), m_http.url(password).toString()));
    ICloudFileTransfer *transfer = startTransfer(service.get(), call, id, path, &sink);
    QCOMPARE(sink.finished + sink.progress, 0); // never from inside the starting call
    QTRY_COMPARE_WITH_TIMEOUT(sink.finished, 1, kWait);
    QCOMPARE(sink.status, int(content.isNull() ? TransferStatus_Failed : TransferStatus_Finished));
    QCOMPARE(sink.text, failure);
    QVERIFY(!sink.late);
    if (call == Upload) {
        QCOMPARE(readFile(stored("files/" + id)), content);
        QCOMPARE(service->fileExists(id), !content.isNull());
        return;
    }
    if (content.startsWith("size ")) { // a thumbnail made from the picture: its size tells
        QImageReader reader(path);
        QCOMPARE(QByteArray("size ") + QByteArray::number(reader.size().width()) + ' '
                + QByteArray::number(reader.size().height()),
            content);
        return;
    }
    QCOMPARE(readFile(path), content); // a failure leaves no file, not even an empty one
    QCOMPARE(QFileInfo::exists(path), !content.isNull());
    if (!content.isNull()) {
        QCOMPARE(sink.last, qMakePair(qint64(content.size()), qint64(content.size())));
        QCOMPARE(transfer->transferred(), qint64(content.size()));
    }
}

void tst_HttpCloudFileService::timeout()
{
    // A server that takes the connection and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const QString url
        = QStringLiteral("http://127.0.0.1:%1/dav/?timeout=300").arg(silent.serverPort());
    QTest::ignoreMessage(QtWarningMsg,
        QRegularExpression("^CloudFileService: downloading file a.pdf .* failed: The cloud server "
                           "sent nothing for 0.3 s.$"));
    Sink sink;
    const Service service(createCloudFileService(QString(), url));
    service->downloadFile(QStringLiteral("a.pdf"), target("slow.pdf"), &sink);
    QTRY_COMPARE_WITH_TIMEOUT(sink.finished, 1, kWait);
    QCOMPARE(sink.status, int(TransferStatus_Failed));
    QVERIFY(!QFileInfo::exists(target("slow.pdf")));
}

void tst_HttpCloudFileService::cancelInFlight()
{
    const QByteArray big(8 * 1024 * 1024, 'x');
    QVERIFY(TestPictures::writeFile(stored("files/big"), big));
    QVERIFY(CloudFileStore::setServerUrl(m_http.url()));
    Sink sink;
    Service service(createCloudFileService(QString(), QString()));
    ICloudFileTransfer *transfer = service->downloadFile("big", target("big"), &sink);
    sink.onProgress = [&] { transfer->cancel(); }; // at the first bytes, mid-way
    QTRY_COMPARE_WITH_TIMEOUT(sink.progress, 1, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, kWait);
    QVERIFY(sink.last.first < big.size());
    service.reset();
    QCOMPARE(sink.progress, 1); // no callback after cancel(), not even 1001
    QCOMPARE(sink.finished, 0);
    QCOMPARE(QDir(target(QString())).entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(CloudFileStore::setServerUrl(QUrl()));
}

DYNFEED_TEST_MAIN(tst_HttpCloudFileService)
#include "tst_HttpCloudFileService.moc"
