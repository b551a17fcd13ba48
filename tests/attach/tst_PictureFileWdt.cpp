#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include "CloudFileService.h"
#include "attach/PictureFileWdt.h"
#include "attach/PictureViewDlg.h"
#include "attach/SafeFileName.h"
#include "common/PictureViewerWatch.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"

using namespace TestPictures;

/// The host's dialog class: the picture viewer hides the nearest one while it runs.
class KMDialogBase : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;
};

/// The picture of a file tile: its local path rule, download, and the viewer it opens.
class tst_PictureFileWdt : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void setPicture_data();
    void setPicture();
    void destroyedMidTransfer();
    void viewPicture_data();
    void viewPicture();
    void hostGoneWhileViewing();

private:
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
    const QByteArray m_tmpDir = qgetenv("TMPDIR");
};

void tst_PictureFileWdt::init()
{
    // The viewer's folder under the temporary directory lies in the test folder.
    qputenv("TMPDIR", path("sys").toLocal8Bit());
    QDir(m_dir.path()).removeRecursively();
    QVERIFY(QDir().mkpath(path("tmp")));
    CloudFileStore::setRootPath(path("cloud"));
    CloudFileStore::resetTransferSettings();
}

void tst_PictureFileWdt::cleanup()
{
    qputenv("TMPDIR", m_tmpDir);
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);
    CloudFileStore::resetTransferSettings();
}

void tst_PictureFileWdt::setPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("dir"); // relative to the test folder
    QTest::addColumn<QString>("from"); // "cache", "cloud", "lost" (link lost at once), "nowhere"

    const auto row = [](const char *label, const char *name, const char *dir, const char *from) {
        QTest::newRow(label) << QString(name) << QString(dir) << QString(from);
    };
    row("cached", "p1.jpg", "tmp/", "cache");
    row("folder without separator", "p1.jpg", "tmp", "cache"); // the name is appended as it is
    row("hostile name, cached", "../p1.jpg", "tmp/", "cache");
    row("downloaded", "site.png", "tmp/", "cloud");
    row("link lost", "site.png", "tmp/", "lost");
    row("hostile name, not in the cloud", "../site.png", "tmp/", "nowhere");
}

void tst_PictureFileWdt::setPicture()
{
    QFETCH(QString, name);
    QFETCH(QString, dir);
    QFETCH(QString, from);
    const QString local = path(dir + safeFileName(name));
    const QImage picture = halves({ 40, 30 });
    if (from == "cache")
        QVERIFY(writeFile(local, encoded(picture, "png")));
    if (from != "cache" && from != "nowhere")
        QVERIFY(writeFile(CloudFileStore::filePath(name), encoded(halves({ 400, 300 }), "png")));
    // Decoys where a wrong rule would look.
    QVERIFY(writeFile(path("tmp/tmp/p1.jpg"), TestPictures::picture({ 8, 8 }, "png")));
    QVERIFY(writeFile(path("p1.jpg"), TestPictures::picture({ 8, 8 }, "png")));
    CloudFileStore::setFailAfter(from == "lost" ? 0 : -1);
    const bool fails = from == "lost" || from == "nowhere";
    if (fails)
        QTest::ignoreMessage(QtDebugMsg, qPrintable("failed to download picture " + local));

    PictureFileWdt tile(nullptr);
    tile.showFile(QStringLiteral(":/icon/resources/images/thumb.png"));
    tile.setPicture(name, path(dir));
    QCOMPARE(CloudFileStore::runningTransfers(), from == "cache" ? 0 : 1);
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);
    if (from == "cache")
        COMPARE_PICTURES(shown(tile), picture);
    else // the thumbnail, or the placeholder
        QCOMPARE(shown(tile).size(), fails ? QSize(100, 100) : QSize(200, 150));
    QCOMPARE(QFileInfo::exists(local), !fails);
}

void tst_PictureFileWdt::destroyedMidTransfer()
{
    QVERIFY(writeFile(CloudFileStore::thumbnailPath("slow.jpg"), picture({ 200, 200 }, "bmp")));
    CloudFileStore::setChunkSize(256);
    CloudFileStore::setChunkDelay(20);
    auto *tile = new PictureFileWdt(nullptr);
    tile->setPicture(QStringLiteral("slow.jpg"), path("tmp/"));
    QCOMPARE(CloudFileStore::runningTransfers(), 1);
    delete tile;
    // The transfer stops: no callback into the gone tile, no file left behind.
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);
    QCOMPARE(QDir(path("tmp")).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void tst_PictureFileWdt::viewPicture_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("dialogDepth"); // how far up the dialog is; 0: none
    QTest::addColumn<bool>("opens");

    QTest::newRow("picture, dialog two up") << "hd.jpg" << 2 << true;
    QTest::newRow("upper case picture") << "HD.JPG" << 2 << true;
    QTest::newRow("no dialog") << "hd.jpg" << 0 << true;
    QTest::newRow("empty name") << "" << 2 << false;
    QTest::newRow("not a picture") << "hd.pdf" << 2 << false;
}

void tst_PictureFileWdt::viewPicture()
{
    QFETCH(QString, data);
    QFETCH(int, dialogDepth);
    QFETCH(bool, opens);
    // The viewer looks in the feed's folder under the temporary directory, not the tile's.
    const QString large = QString(data).insert(qMax(0, data.lastIndexOf('.')), "_larger");
    QVERIFY(writeFile(path("sys/Vantor/" + large), picture({ 1080, 1920 }, "png")));
    QVERIFY(writeFile(path("tmp/" + large), picture({ 1920, 1080 }, "png")));
    QVERIFY(data.isEmpty() || writeFile(path("tmp/" + data), picture({ 100, 100 }, "png")));

    KMDialogBase dialog;
    QWidget plain;
    QWidget *parent = dialogDepth > 0 ? static_cast<QWidget *>(&dialog) : &plain;
    for (int level = 1; level < dialogDepth; ++level)
        parent = new QWidget(parent);
    auto *tile = new PictureFileWdt(parent);
    tile->setPicture(data, path("tmp/"));
    tile->setData(data);
    tile->connectClickedData(tile, "onViewPicture(QVariant)", Qt::QueuedConnection);
    tile->window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(tile->window()));
    const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
    for (int i = 0; dialogDepth > 0 && opens && offscreen && i < 2; ++i) // hidden, shown again
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support setting window opacity");
    PictureViewerWatch watch([](PictureViewDlg *viewer) { return viewer->width() != 500; });
    QTest::mouseClick(tile, Qt::LeftButton);
    QCoreApplication::processEvents(); // the queued slot: the viewer's modal loop runs here

    QCOMPARE(watch.seen.size(), opens ? 1 : 0);
    QCOMPARE(dialog.windowOpacity(), 1.0);
    if (!opens)
        return;
    const PictureViewerWatch::Seen &seen = watch.seen.first();
    QCOMPARE(seen.size, QSize(347, 600)); // the feed folder's large picture, not the tile's
    QCOMPARE(seen.parent.data(), dialogDepth > 0 ? &dialog : nullptr);
    QCOMPARE(seen.parentOpacity, dialogDepth > 0 ? 0.0 : -1.0);
}

void tst_PictureFileWdt::hostGoneWhileViewing()
{
    // Not cached: the viewer is still downloading when the feed, and the tile with it, goes.
    QVERIFY(writeFile(CloudFileStore::filePath("big.png"), picture({ 1920, 1080 }, "png")));
    CloudFileStore::setChunkSize(1024);
    CloudFileStore::setChunkDelay(20);
    QPointer<KMDialogBase> dialog = new KMDialogBase;
    auto *tile = new PictureFileWdt(new QWidget(dialog));
    tile->setData(QStringLiteral("big.png"));
    tile->connectClickedData(tile, "onViewPicture(QVariant)", Qt::QueuedConnection);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support setting window opacity");

    PictureViewerWatch watch([&dialog](PictureViewDlg *) {
        delete dialog.data();
        return false;
    });
    QTest::mouseClick(tile, Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(!dialog && watch.seen.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);
    QCOMPARE(QDir(path("sys/Vantor")).entryList(QDir::Files), QStringList());
}

DYNFEED_TEST_MAIN(tst_PictureFileWdt)
#include "tst_PictureFileWdt.moc"
