#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include "CloudFileService.h"
#include "attach/PictureFileWdt.h"
#include "attach/PictureViewDlg.h"
#include "common/PictureViewerWatch.h"
#include "common/TestPictures.h"

using namespace TestPictures;

namespace {

constexpr int Wait = 30000; // generous: sanitizer builds are slow

} // namespace

/// The host's dialog class: the picture viewer hides the nearest one while it runs.
class KMDialogBase : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;
};

/// The picture of a file tile: its local path rule, download, cancel and the viewer it opens.
class tst_PictureFileWdt : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void localPath_data();
    void localPath();
    void downloadsIntoFolder_data();
    void downloadsIntoFolder();
    void destroyedMidTransfer();
    void viewPicture_data();
    void viewPicture();
    void hostGoneWhileViewing();

private:
    QString tileDir() const { return m_dir.filePath(QStringLiteral("tmp")) + '/'; }

    QTemporaryDir m_dir;
};

void tst_PictureFileWdt::init()
{
    QVERIFY(m_dir.isValid());
    QDir(m_dir.path()).removeRecursively();
    QVERIFY(QDir().mkpath(tileDir()));
    CloudFileStore::setRootPath(m_dir.filePath(QStringLiteral("cloud")));
    CloudFileStore::resetTransferSettings();
}

void tst_PictureFileWdt::cleanup()
{
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    CloudFileStore::resetTransferSettings();
}

void tst_PictureFileWdt::localPath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("dir"); // relative to the test folder
    QTest::addColumn<QString>("file"); // where the tile looks, relative to the test folder

    QTest::newRow("folder with separator") << "p1.jpg"
                                           << "tmp/"
                                           << "tmp/p1.jpg";
    // The name is appended as it is: the caller's folder must end in a separator.
    QTest::newRow("folder without separator") << "p1.jpg"
                                              << "tmp"
                                              << "tmpp1.jpg";
    QTest::newRow("hostile name") << "../p1.jpg"
                                  << "tmp/"
                                  << "tmp/" + sha1("../p1.jpg") + ".jpg";
}

void tst_PictureFileWdt::localPath()
{
    QFETCH(QString, name);
    QFETCH(QString, dir);
    QFETCH(QString, file);

    const QImage local = halves(QSize(40, 30));
    QVERIFY(writeFile(m_dir.filePath(file), encoded(local, "png")));
    // Decoys where a wrong rule would look.
    QVERIFY(writeFile(m_dir.filePath("tmp/tmp/p1.jpg"), picture(QSize(8, 8), "png")));
    QVERIFY(writeFile(m_dir.filePath("p1.jpg"), picture(QSize(8, 8), "png")));

    PictureFileWdt tile(nullptr);
    tile.setPicture(name, m_dir.path() + '/' + dir);
    QCOMPARE(CloudFileStore::runningTransfers(), 0);
    QCOMPARE(shown(tile), local);
}

void tst_PictureFileWdt::downloadsIntoFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("failAfter");

    QTest::newRow("downloaded") << "site.png" << -1;
    QTest::newRow("link lost") << "site.png" << 0;
    QTest::newRow("not in the cloud") << "other.jpg" << -1;
    QTest::newRow("hostile name") << "../site.png" << -1;
}

void tst_PictureFileWdt::downloadsIntoFolder()
{
    QFETCH(QString, name);
    QFETCH(int, failAfter);

    QVERIFY(writeFile(
        CloudFileStore::filePath(QStringLiteral("site.png")), picture(QSize(400, 300), "jpg")));
    CloudFileStore::setFailAfter(failAfter);

    const QString localPath = tileDir() + (name.contains('/') ? sha1(name) + ".png" : name);
    const bool succeeds = name == QLatin1String("site.png") && failAfter < 0;
    if (!succeeds) {
        QTest::ignoreMessage(
            QtDebugMsg, qPrintable(QStringLiteral("failed to download picture %1").arg(localPath)));
    }

    PictureFileWdt tile(nullptr);
    tile.showFile(QStringLiteral(":/icon/resources/images/thumb.png"));
    tile.setPicture(name, tileDir());
    QCOMPARE(CloudFileStore::runningTransfers(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);

    QCOMPARE(QFileInfo::exists(localPath), succeeds);
    QCOMPARE(shown(tile).size(),
        succeeds ? QSize(200, 150) : QImage(":/icon/resources/images/thumb.png").size());
    QCOMPARE(QDir(tileDir()).entryList(QDir::Files).size(), succeeds ? 1 : 0);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
}

void tst_PictureFileWdt::destroyedMidTransfer()
{
    QVERIFY(writeFile(CloudFileStore::thumbnailPath(QStringLiteral("slow.jpg")),
        picture(QSize(200, 200), "bmp")));
    CloudFileStore::setChunkSize(256);
    CloudFileStore::setChunkDelay(20);

    auto *tile = new PictureFileWdt(nullptr);
    tile->setPicture(QStringLiteral("slow.jpg"), tileDir());
    QCOMPARE(CloudFileStore::runningTransfers(), 1);
    delete tile;

    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    QCOMPARE(QDir(tileDir()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void tst_PictureFileWdt::viewPicture_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("dialogDepth"); // how far up the dialog is; 0: none
    QTest::addColumn<bool>("opens");

    QTest::newRow("picture, dialog two up") << "hd.jpg" << 2 << true;
    QTest::newRow("upper case picture") << "HD.JPG" << 2 << true;
    QTest::newRow("dialog is the parent") << "hd.jpg" << 1 << true;
    QTest::newRow("no dialog") << "hd.jpg" << 0 << true;
    QTest::newRow("empty name") << "" << 2 << false;
    QTest::newRow("not a picture") << "hd.pdf" << 2 << false;
    QTest::newRow("no dot") << "hd" << 2 << false;
}

void tst_PictureFileWdt::viewPicture()
{
    QFETCH(QString, data);
    QFETCH(int, dialogDepth);
    QFETCH(bool, opens);

    // The viewer looks in the feed's folder under the temporary directory, not the tile's.
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", m_dir.filePath(QStringLiteral("sys")).toLocal8Bit());
    const QString large = QString(data).insert(qMax(0, data.lastIndexOf('.')), "_larger");
    QVERIFY(writeFile(m_dir.filePath("sys/Vantor/" + large), picture(QSize(1080, 1920), "png")));
    QVERIFY(writeFile(tileDir() + large, picture(QSize(1920, 1080), "png")));

    KMDialogBase dialog;
    QWidget plain;
    QWidget *parent = dialogDepth > 0 ? static_cast<QWidget *>(&dialog) : &plain;
    for (int level = 1; level < dialogDepth; ++level)
        parent = new QWidget(parent);
    auto *tile = new PictureFileWdt(parent);
    tile->setPicture(data, tileDir());
    tile->setData(data);
    tile->connectClickedData(tile, "onViewPicture(QVariant)", Qt::QueuedConnection);
    QWidget *window = tile->window();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    if (dialogDepth > 0 && opens && QGuiApplication::platformName() == QLatin1String("offscreen")) {
        for (int i = 0; i < 2; ++i)
            QTest::ignoreMessage(
                QtWarningMsg, "This plugin does not support setting window opacity");
    }
    PictureViewerWatch watch([](PictureViewDlg *viewer) { return viewer->width() != 500; });
    QTest::mouseClick(tile, Qt::LeftButton);
    QCoreApplication::processEvents();
    qputenv("TMPDIR", oldTmp);

    QCOMPARE(watch.seen.size(), opens ? 1 : 0);
    QCOMPARE(dialog.windowOpacity(), 1.0);
    if (!opens)
        return;
    const PictureViewerWatch::Seen &seen = watch.seen.first();
    QCOMPARE(seen.size, QSize(347, 600));
    QCOMPARE(seen.parent.data(), dialogDepth > 0 ? &dialog : nullptr);
    QCOMPARE(seen.parentOpacity, dialogDepth > 0 ? 0.0 : -1.0);
}

void tst_PictureFileWdt::hostGoneWhileViewing()
{
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", m_dir.filePath(QStringLiteral("sys")).toLocal8Bit());
    // Not cached: the viewer is still downloading when everything goes.
    QVERIFY(writeFile(
        CloudFileStore::filePath(QStringLiteral("big.png")), picture(QSize(1920, 1080), "png")));
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

    // The feed (and the tile with it) is deleted while the viewer runs its modal loop.
    PictureViewerWatch watch([&dialog](PictureViewDlg *) {
        delete dialog.data();
        return false;
    });
    QTest::mouseClick(tile, Qt::LeftButton);
    QCoreApplication::processEvents();
    qputenv("TMPDIR", oldTmp);

    QVERIFY(!dialog);
    QVERIFY(watch.seen.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    QCOMPARE(
        QDir(m_dir.filePath(QStringLiteral("sys/Vantor"))).entryList(QDir::Files), QStringList());
}

QTEST_MAIN(tst_PictureFileWdt)
#include "tst_PictureFileWdt.moc"
