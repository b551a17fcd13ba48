#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMovie>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "CloudFileService.h"
#include "attach/PictureViewDlg.h"
#include "common/TestPictures.h"

using namespace TestPictures;

namespace {

constexpr int Wait = 30000; // generous: sanitizer builds are slow

QLabel *pictureArea(const PictureViewDlg &viewer)
{
    return viewer.findChild<QLabel *>(QStringLiteral("PictureViewDlg_pictureLbl"));
}

bool showsPicture(const PictureViewDlg &viewer)
{
    const QLabel *area = pictureArea(viewer);
    return area && !area->movie() && !area->pixmap(Qt::ReturnByValue).isNull();
}

bool showsAnimation(const PictureViewDlg &viewer)
{
    const QLabel *area = pictureArea(viewer);
    return area && area->movie() && area->movie()->state() == QMovie::Running;
}

} // namespace

/// The picture viewer: its large picture from the cache or the cloud, its size and position.
class tst_PictureViewDlg : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sizeFromPicture_data();
    void sizeFromPicture();
    void downloadsLargePicture_data();
    void downloadsLargePicture();
    void failedDownloadKeepsWaiting_data();
    void failedDownloadKeepsWaiting();
    void destroyedWhileDownloading();
    void hostileNamesStayInside_data();
    void hostileNamesStayInside();
    void centredOnHost_data();
    void centredOnHost();
    void closeButton();
    void showingAgainLoadsOnce();

private:
    QString cacheDir() const { return m_dir.filePath(QStringLiteral("cache")); }
    QString cloudFile(const QString &id) const { return CloudFileStore::filePath(id); }

    QTemporaryDir m_dir;
};

void tst_PictureViewDlg::init()
{
    QVERIFY(m_dir.isValid());
    QDir(m_dir.path()).removeRecursively();
    QVERIFY(QDir().mkpath(cacheDir()));
    CloudFileStore::setRootPath(m_dir.filePath(QStringLiteral("cloud")));
    CloudFileStore::resetTransferSettings();
}

void tst_PictureViewDlg::cleanup()
{
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    CloudFileStore::resetTransferSettings();
}

void tst_PictureViewDlg::sizeFromPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("largeName");
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("dialog");

    QTest::newRow("full HD") << "a1b2.jpg"
                             << "a1b2_larger.jpg" << QSize(1920, 1080) << QByteArray("jpg")
                             << QSize(600, 347);
    QTest::newRow("portrait") << "a1b2.png"
                              << "a1b2_larger.png" << QSize(1080, 1920) << QByteArray("png")
                              << QSize(347, 600);
    QTest::newRow("square") << "sq.bmp"
                            << "sq_larger.bmp" << QSize(800, 800) << QByteArray("bmp")
                            << QSize(600, 600);
    QTest::newRow("small, 2 by 1 after rounding")
        << "s.png"
        << "s_larger.png" << QSize(150, 120) << QByteArray("png") << QSize(600, 300);
    QTest::newRow("tiny, a side rounds to 0")
        << "t.png"
        << "t_larger.png" << QSize(40, 30) << QByteArray("png") << QSize(600, 600);
    QTest::newRow("thin strip, height rounds to 0")
        << "strip.png"
        << "strip_larger.png" << QSize(2400, 40) << QByteArray("png") << QSize(600, 600);
    // 30 by 1 gives 600 by 20, held at the viewer's minimum height.
    QTest::newRow("wide") << "w.jpg"
                          << "w_larger.jpg" << QSize(3000, 100) << QByteArray("jpg")
                          << QSize(600, 200);
    QTest::newRow("tall") << "t.jpeg"
                          << "t_larger.jpeg" << QSize(450, 3000) << QByteArray("jpg")
                          << QSize(200, 600);
    QTest::newRow("several dots") << "site.05.jpg"
                                  << "site.05_larger.jpg" << QSize(1600, 1200) << QByteArray("jpg")
                                  << QSize(600, 450);
    QTest::newRow("jpeg named png")
        << "p.png"
        << "p_larger.png" << QSize(1920, 1080) << QByteArray("jpg") << QSize(600, 347);
    // Shown as pictures are shown: without a picture suffix, as its type's icon.
    QTest::newRow("no dot: the same name")
        << "a1b2"
        << "a1b2" << QSize(1920, 1080) << QByteArray("png") << QSize(600, 600);
    QTest::newRow("not a picture")
        << "notes.txt"
        << "notes_larger.txt" << QSize(1920, 1080) << QByteArray("png") << QSize(600, 600);
}

void tst_PictureViewDlg::sizeFromPicture()
{
    QFETCH(QString, name);
    QFETCH(QString, largeName);
    QFETCH(QSize, pictureSize);
    QFETCH(QByteArray, format);
    QFETCH(QSize, dialog);

    // Present: no download. A different picture in the cloud would give a different size.
    QVERIFY(writeFile(QDir(cacheDir()).filePath(largeName), picture(pictureSize, format)));
    QVERIFY(writeFile(cloudFile(name), picture(QSize(100, 900), "png")));

    PictureViewDlg viewer(name, cacheDir(), nullptr);
    QCOMPARE(viewer.size(), QSize(500, 500));
    viewer.show();
    QCOMPARE(viewer.size(), dialog);
    QCOMPARE(CloudFileStore::runningTransfers(), 0);
    QVERIFY(showsPicture(viewer));
}

void tst_PictureViewDlg::downloadsLargePicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QSize>("dialog");

    QTest::newRow("full HD") << "5f3a.jpg" << QSize(1920, 1080) << QSize(600, 347);
    QTest::newRow("portrait png") << "5f3b.png" << QSize(900, 1600) << QSize(337, 600);
    QTest::newRow("upper case suffix") << "5F3C.JPG" << QSize(1200, 1200) << QSize(600, 600);
}

void tst_PictureViewDlg::downloadsLargePicture()
{
    QFETCH(QString, name);
    QFETCH(QSize, pictureSize);
    QFETCH(QSize, dialog);

    const QByteArray bytes = picture(pictureSize, "png");
    QVERIFY(writeFile(cloudFile(name), bytes));
    CloudFileStore::setChunkSize(4096);

    PictureViewDlg viewer(name, cacheDir(), nullptr);
    viewer.show();
    QCOMPARE(viewer.size(), QSize(500, 500));
    QVERIFY(showsAnimation(viewer));

    QTRY_COMPARE_WITH_TIMEOUT(viewer.size(), dialog, Wait);
    QVERIFY(showsPicture(viewer));
    // The large variant is the picture itself, under the large name and not the cloud id.
    const QFileInfo large(cacheDir(), QString(name).insert(name.lastIndexOf('.'), "_larger"));
    QVERIFY(large.exists());
    QCOMPARE(QImage(large.filePath()).size(), pictureSize);
    QVERIFY(!QFileInfo::exists(QDir(cacheDir()).filePath(name)));
}

void tst_PictureViewDlg::failedDownloadKeepsWaiting_data()
{
    QTest::addColumn<bool>("inCloud");
    QTest::addColumn<int>("failAfter");

    QTest::newRow("not in the cloud") << false << -1;
    QTest::newRow("link lost at once") << true << 0;
    QTest::newRow("link lost midway") << true << 1024;
}

void tst_PictureViewDlg::failedDownloadKeepsWaiting()
{
    QFETCH(bool, inCloud);
    QFETCH(int, failAfter);

    const QString name = QStringLiteral("lost.jpg");
    if (inCloud)
        QVERIFY(writeFile(cloudFile(name), picture(QSize(1920, 1080), "png")));
    CloudFileStore::setChunkSize(512);
    CloudFileStore::setFailAfter(failAfter);

    const QString largePath = QDir(cacheDir()).filePath(QStringLiteral("lost_larger.jpg"));
    QTest::ignoreMessage(
        QtDebugMsg, qPrintable(QStringLiteral("failed to download picture %1").arg(largePath)));
    PictureViewDlg viewer(name, cacheDir(), nullptr);
    viewer.show();
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);

    QCOMPARE(viewer.size(), QSize(500, 500));
    QVERIFY(showsAnimation(viewer));
    QVERIFY(!QFileInfo::exists(largePath));
}

void tst_PictureViewDlg::destroyedWhileDownloading()
{
    const QString name = QStringLiteral("slow.png");
    QVERIFY(writeFile(cloudFile(name), picture(QSize(400, 300), "bmp")));
    CloudFileStore::setChunkSize(64);
    CloudFileStore::setChunkDelay(20);

    auto *viewer = new PictureViewDlg(name, cacheDir(), nullptr);
    viewer->show();
    QCOMPARE(CloudFileStore::runningTransfers(), 1);
    delete viewer;

    // Cancelled: the service calls back no more and leaves no file, partial or whole.
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    QCOMPARE(QDir(cacheDir()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void tst_PictureViewDlg::hostileNamesStayInside_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("safeLarge");
    QTest::addColumn<QSize>("dialog");

    QTest::newRow("parent path") << "../escape.jpg" << sha1("../escape.jpg") + "_larger.jpg"
                                 << QSize(600, 300);
    QTest::newRow("absolute") << "/etc/site.png" << sha1("/etc/site.png") + "_larger.png"
                              << QSize(600, 300);
    QTest::newRow("backslashes") << "..\\..\\x.jpg" << sha1("..\\..\\x.jpg") + "_larger.jpg"
                                 << QSize(600, 300);
    // No suffix survives: found, but shown as a file icon.
    QTest::newRow("dot dot") << ".." << sha1("..") << QSize(600, 600);
    QTest::newRow("empty") << "" << sha1("") << QSize(600, 600);
}

void tst_PictureViewDlg::hostileNamesStayInside()
{
    QFETCH(QString, name);
    QFETCH(QString, safeLarge);
    QFETCH(QSize, dialog);

    // Where the name would lead if taken as a path: never read, never written.
    const QString outside
        = QDir(cacheDir())
              .filePath(QString(name).insert(qMax(0, name.lastIndexOf('.')), "_larger"));
    const bool escapes = !QDir::cleanPath(outside).startsWith(cacheDir() + "/");
    if (escapes && QDir::cleanPath(outside).startsWith(m_dir.path()))
        QVERIFY(writeFile(outside, picture(QSize(1920, 1080), "png")));

    const QString largePath = QDir(cacheDir()).filePath(safeLarge);
    QTest::ignoreMessage(
        QtDebugMsg, qPrintable(QStringLiteral("failed to download picture %1").arg(largePath)));
    {
        PictureViewDlg viewer(name, cacheDir(), nullptr);
        viewer.show();
        QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
        QCOMPARE(viewer.size(), QSize(500, 500));
    }

    // A safe name already in the cache is what the viewer shows.
    QVERIFY(writeFile(largePath, picture(QSize(800, 400), "png")));
    PictureViewDlg viewer(name, cacheDir(), nullptr);
    viewer.show();
    QCOMPARE(CloudFileStore::runningTransfers(), 0);
    QCOMPARE(viewer.size(), dialog);
}

void tst_PictureViewDlg::centredOnHost_data()
{
    QTest::addColumn<QRect>("host");
    QTest::addColumn<QPoint>("position");

    QTest::newRow("large host") << QRect(100, 80, 1200, 900) << QPoint(400, 357);
    QTest::newRow("odd sizes") << QRect(7, 9, 1001, 777) << QPoint(207, 224);
    QTest::newRow("host smaller than the viewer") << QRect(0, 0, 300, 200) << QPoint(-150, -73);
}

void tst_PictureViewDlg::centredOnHost()
{
    QFETCH(QRect, host);
    QFETCH(QPoint, position);

    QVERIFY(
        writeFile(QDir(cacheDir()).filePath("hd_larger.jpg"), picture(QSize(1920, 1080), "jpg")));
    QWidget kelmi;
    kelmi.setObjectName(QStringLiteral("Kelmi"));
    kelmi.setWindowFlags(Qt::FramelessWindowHint); // its position is then its geometry's
    kelmi.setGeometry(host);
    kelmi.show();
    QVERIFY(QTest::qWaitForWindowExposed(&kelmi));

    PictureViewDlg viewer(QStringLiteral("hd.jpg"), cacheDir(), &kelmi);
    viewer.show();
    QCOMPARE(viewer.size(), QSize(600, 347));
    QCOMPARE(viewer.pos(), position);
}

void tst_PictureViewDlg::closeButton()
{
    QVERIFY(
        writeFile(QDir(cacheDir()).filePath("hd_larger.jpg"), picture(QSize(1920, 1080), "jpg")));
    PictureViewDlg viewer(QStringLiteral("hd.jpg"), cacheDir(), nullptr);
    viewer.move(37, 41);
    QSignalSpy accepted(&viewer, &QDialog::accepted);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    // Without a host main widget the viewer stays where it was put.
    QCOMPARE(viewer.pos(), QPoint(37, 41));

    auto *close = viewer.findChild<QToolButton *>(QStringLiteral("PictureViewDlg_closeBtn"));
    QVERIFY(close);
    QCOMPARE(close->geometry(), QRect(600 - 1 - 20 - 10, 10, 20, 20));
    QVERIFY(close->isVisible());
    // Clicked where the user sees it: on top of the picture area.
    QCOMPARE(viewer.childAt(close->geometry().center()), close);

    QTest::mouseClick(close, Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QVERIFY(!viewer.isVisible());
}

void tst_PictureViewDlg::showingAgainLoadsOnce()
{
    const QString name = QStringLiteral("again.png");
    QVERIFY(writeFile(cloudFile(name), picture(QSize(1000, 500), "png")));
    CloudFileStore::setChunkSize(1024);
    CloudFileStore::setChunkDelay(5);

    PictureViewDlg viewer(name, cacheDir(), nullptr);
    viewer.show();
    viewer.hide();
    viewer.show();
    QCOMPARE(CloudFileStore::runningTransfers(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(viewer.size(), QSize(600, 300), Wait);

    viewer.hide();
    viewer.show();
    QCOMPARE(CloudFileStore::runningTransfers(), 0);
    QCOMPARE(viewer.size(), QSize(600, 300));
    QVERIFY(showsPicture(viewer));
}

QTEST_MAIN(tst_PictureViewDlg)
#include "tst_PictureViewDlg.moc"
