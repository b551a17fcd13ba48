#include <QDir>
#include <QLabel>
#include <QMovie>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

#include "CloudFileService.h"
#include "attach/PictureViewDlg.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"

using namespace TestPictures;

/// The picture viewer: its large picture from the cache or the cloud, its size and position.

class tst_PictureViewDlg : public QObject
{
    Q_OBJECT

    QString cache(const QString &name = QString()) const { return m_dir.filePath("cache/" + name); }

    QTemporaryDir m_dir;
private slots:

    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(cache()));
        CloudFileStore::setRootPath(m_dir.filePath(QStringLiteral("cloud")));
        CloudFileStore::resetTransferSettings();
        CloudFileStore::setChunkSize(4096);
    }

    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);
        CloudFileStore::resetTransferSettings();
    }

    void largePicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("large"); // the cache entry of the large picture
        QTest::addColumn<QSize>("picture"); // a PNG; a JPEG when named so
        QTest::addColumn<QString>(
            "from"); // "cache", "cloud", "lost" (link lost midway) or "nowhere"
        QTest::addColumn<QSize>("dialog"); // 500 by 500: still waiting

        const auto row = [](const char *tag, const QString &name, const QString &large,
                             QSize picture, const char *from, QSize dialog) {
            QTest::newRow(tag) << name << large << picture << from << dialog;
        };
        row("full HD", "a.jpg", "a_larger.jpg", { 1920, 1080 }, "cache", { 600, 347 });
        row("portrait, downloaded", "b.png", "b_larger.png", { 900, 1600 }, "cloud", { 337, 600 });
        row("2 by 1 after rounding", "s.png", "s_larger.png", { 150, 120 }, "cache", { 600, 300 });
        row("a side rounds to 0", "t.png", "t_larger.png", { 40, 30 }, "cache", { 600, 600 });
        row("wide: the minimum height", "w.jpg", "w_larger.jpg", { 3000, 100 }, "cache",
            { 600, 200 });
        row("several dots", "site.05.JPG", "site.05_larger.JPG", { 1600, 1200 }, "cloud",
            { 600, 450 });
        row("no dot: same name, an icon", "a1b2", "a1b2", { 1920, 1080 }, "cache", { 600, 600 });
        row("hostile name", "../e.jpg", sha1("../e.jpg") + "_larger.jpg", { 800, 400 }, "cache",
            { 600, 300 });
        row("hostile name, downloaded", "../e.jpg", sha1("../e.jpg") + "_larger.jpg", { 800, 400 },
            "nowhere", { 500, 500 }); // not in the cloud: the cloud holds no such id
        row("link lost midway", "lost.jpg", "lost_larger.jpg", { 800, 400 }, "lost", { 500, 500 });
    }

    void largePicture()
    {
        QFETCH(QString, name);
        QFETCH(QString, large);
        QFETCH(QSize, picture);
        QFETCH(QString, from);
        QFETCH(QSize, dialog);

        const QByteArray bytes
            = TestPictures::picture(picture, name.endsWith("jpg") ? "jpg" : "png");
        // Where a hostile name would lead if taken as a path: never read, never written.
        QVERIFY(
            writeFile(m_dir.filePath("e_larger.jpg"), TestPictures::picture({ 90, 10 }, "png")));
        if (from == "cache")
            QVERIFY(writeFile(cache(large), bytes));
        else if (from != "nowhere")
            QVERIFY(writeFile(CloudFileStore::filePath(name), bytes));
        CloudFileStore::setFailAfter(from == "lost" ? 1 : -1); // after the first chunk
        const bool fails = dialog == QSize(500, 500);
        if (fails)
            QTest::ignoreMessage(
                QtDebugMsg, qPrintable("failed to download picture " + cache(large)));

        PictureViewDlg viewer(name, m_dir.filePath("cache"), nullptr);
        viewer.show();
        viewer.hide(); // shown again while loading: still one download
        viewer.show();
        QCOMPARE(CloudFileStore::runningTransfers(), from == "cache" ? 0 : 1);
        QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);
        if (!fails) { // and again once loaded: none
            viewer.hide();
            viewer.show();
            QCOMPARE(CloudFileStore::runningTransfers(), 0);
        }
        QCOMPARE(viewer.size(), dialog);
        // The waiting animation, or the picture in its place.
        const auto *area = viewer.findChild<QLabel *>(QStringLiteral("PictureViewDlg_pictureLbl"));
        QCOMPARE(area->movie() && area->movie()->state() == QMovie::Running, fails);
        QCOMPARE(area->pixmap(Qt::ReturnByValue).isNull(), fails);
        QCOMPARE(
            QDir(cache()).entryList(QDir::Files), fails ? QStringList() : QStringList { large });
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList { "e_larger.jpg" });
    }

    void position_data()
    {
        QTest::addColumn<QRect>("host"); // null: no host main widget
        QTest::addColumn<QPoint>("position");

        QTest::newRow("centred on a large host") << QRect(100, 80, 1200, 900) << QPoint(400, 357);
        QTest::newRow("centred on a small host") << QRect(0, 0, 300, 200) << QPoint(-150, -73);
        QTest::newRow("no host: stays put") << QRect() << QPoint(37, 41);
    }

    void position()
    {
        QFETCH(QRect, host);
        QFETCH(QPoint, position);
        QVERIFY(writeFile(cache("hd_larger.jpg"), picture({ 1920, 1080 }, "jpg")));
        std::unique_ptr<QWidget> kelmi;
        if (host.isValid()) {
            kelmi = std::make_unique<QWidget>();
            kelmi->setObjectName(QStringLiteral("Kelmi"));
            kelmi->setWindowFlags(Qt::FramelessWindowHint); // its position is then its geometry's
            kelmi->setGeometry(host);
            kelmi->show();
            QVERIFY(QTest::qWaitForWindowExposed(kelmi.get()));
        }
        PictureViewDlg viewer(QStringLiteral("hd.jpg"), cache(), kelmi.get());
        viewer.move(37, 41);
        QSignalSpy accepted(&viewer, &QDialog::accepted);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QCOMPARE(viewer.geometry(), QRect(position, QSize(600, 347)));

        // The close button: top right, on top of the picture area, where the user sees it.
        auto *close = viewer.findChild<QToolButton *>(QStringLiteral("PictureViewDlg_closeBtn"));
        QCOMPARE(close->geometry(), QRect(600 - 1 - 20 - 10, 10, 20, 20));
        QCOMPARE(viewer.childAt(close->geometry().center()), close);
        QTest::mouseClick(close, Qt::LeftButton);
        QCOMPARE(accepted.count(), 1);
        QVERIFY(!viewer.isVisible());
    }
};

DYNFEED_TEST_MAIN(tst_PictureViewDlg)
#include "tst_PictureViewDlg.moc"
