#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

#include "CloudFileService.h"
#include "attach/DldPictureLabel.h"
#include "attach/PictureViewDlg.h"
#include "common/PictureViewerWatch.h"
#include "common/TestPictures.h"

using namespace TestPictures;

namespace {

constexpr int Wait = 30000; // generous: sanitizer builds are slow
const QString Placeholder = QStringLiteral(":/icon/resources/images/thumb.png");

/// What a user reads in the tool tip.
QString toolTipText(const QWidget &widget)
{
    const QString tip = widget.toolTip();
    return Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
}

QString shapeIcon(const char *type)
{
    return QStringLiteral(":/icon/Resources/images/%1_Shape.png").arg(QLatin1String(type));
}

} // namespace

/// The host's dialog class: the picture viewer hides the nearest one while it runs.
class KMDialogBase : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;
};

/// The thumbnail of the task items: cache hit, download, failure, cancel, hostile names, viewer.
class tst_DldPictureLabel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void existingFileNoDownload_data();
    void existingFileNoDownload();
    void downloadsThumbnail_data();
    void downloadsThumbnail();
    void notAPicture_data();
    void notAPicture();
    void failedDownloadKeepsPlaceholder_data();
    void failedDownloadKeepsPlaceholder();
    void destroyedMidTransfer();
    void hostileNames_data();
    void hostileNames();
    void clickOpensViewer_data();
    void clickOpensViewer();

private:
    QString cacheDir() const { return m_dir.filePath(QStringLiteral("cache")); }
    QString cached(const QString &name) const { return cacheDir() + '/' + name; }

    QTemporaryDir m_dir;
};

void tst_DldPictureLabel::init()
{
    QVERIFY(m_dir.isValid());
    QDir(m_dir.path()).removeRecursively();
    QVERIFY(QDir().mkpath(cacheDir()));
    CloudFileStore::setRootPath(m_dir.filePath(QStringLiteral("cloud")));
    CloudFileStore::resetTransferSettings();
}

void tst_DldPictureLabel::cleanup()
{
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    CloudFileStore::resetTransferSettings();
}

void tst_DldPictureLabel::existingFileNoDownload_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QString>("icon"); // empty: the picture itself

    QTest::newRow("jpg") << "5f3a.jpg" << QByteArray("jpg") << "";
    QTest::newRow("jpeg named png") << "5f3a.png" << QByteArray("jpg") << "";
    QTest::newRow("bmp upper case") << "5F3A.BMP" << QByteArray("bmp") << "";
    QTest::newRow("pdf present") << "report.pdf" << QByteArray("png") << shapeIcon("pdf");
}

void tst_DldPictureLabel::existingFileNoDownload()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QString, icon);

    const QImage local = halves(QSize(90, 60));
    QVERIFY(writeFile(cached(name), encoded(local, format)));
    // A different picture in the cloud: a download would show.
    QVERIFY(writeFile(CloudFileStore::filePath(name), picture(QSize(30, 90), "png")));

    DldPictureLabel label(nullptr);
    label.showFile(Placeholder);
    label.setPicture(name, cacheDir());
    QCOMPARE(CloudFileStore::runningTransfers(), 0);

    const QImage expected = icon.isEmpty() ? local : resourceImage(icon);
    QCOMPARE(shown(label).size(), expected.size());
    if (format != "jpg")
        QCOMPARE(shown(label), expected);
    QCOMPARE(label.toolTip(), QString());
}

void tst_DldPictureLabel::downloadsThumbnail_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QSize>("thumbnail");

    QTest::newRow("jpg") << "a1.jpg" << QByteArray("jpg") << QSize(800, 400) << QSize(200, 100);
    QTest::newRow("png") << "a2.png" << QByteArray("png") << QSize(300, 600) << QSize(100, 200);
    QTest::newRow("upper case") << "A3.JPEG" << QByteArray("jpg") << QSize(120, 80)
                                << QSize(120, 80);
    QTest::newRow("jpeg named png")
        << "a4.png" << QByteArray("jpg") << QSize(1920, 1080) << QSize(200, 113);
}

void tst_DldPictureLabel::downloadsThumbnail()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QSize, pictureSize);
    QFETCH(QSize, thumbnail);

    QVERIFY(writeFile(CloudFileStore::filePath(name), picture(pictureSize, format)));
    CloudFileStore::setChunkSize(1024);

    DldPictureLabel label(nullptr);
    label.setFixedSize(100, 100);
    label.showFile(Placeholder);
    label.setPicture(name, cacheDir());
    QCOMPARE(CloudFileStore::runningTransfers(), 1);
    QCOMPARE(shown(label), resourceImage(Placeholder)); // until the thumbnail is there

    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    QVERIFY(QFileInfo::exists(cached(name)));
    const QImage image = shown(label);
    QVERIFY(qAbs(image.width() - thumbnail.width()) <= 1);
    QVERIFY(qAbs(image.height() - thumbnail.height()) <= 1);
    const QRgb left = image.pixel(image.width() / 4, image.height() / 2);
    QVERIFY(qRed(left) > 200 && qBlue(left) < 60);
    QCOMPARE(label.toolTip(), QString());
}

void tst_DldPictureLabel::notAPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("icon");

    QTest::newRow("pdf") << "report.pdf" << shapeIcon("pdf");
    QTest::newRow("xlsx") << "budget.v2.xlsx" << shapeIcon("xls");
    QTest::newRow("gif") << "anim.gif" << shapeIcon("gif");
    QTest::newRow("no dot") << "README" << shapeIcon("file");
    QTest::newRow("markup in the name") << "<b>plan</b>.dwg" << shapeIcon("dwg");
    QTest::newRow("Chinese") << QStringLiteral("施工日志.docx") << shapeIcon("doc");
}

void tst_DldPictureLabel::notAPicture()
{
    QFETCH(QString, name);
    QFETCH(QString, icon);

    // In the cloud where the store can hold it: still nothing is fetched.
    if (!CloudFileStore::filePath(name).isEmpty())
        QVERIFY(writeFile(CloudFileStore::filePath(name), picture(QSize(40, 40), "png")));
    DldPictureLabel label(nullptr);
    label.showFile(Placeholder);
    label.setPicture(name, cacheDir());

    QCOMPARE(CloudFileStore::runningTransfers(), 0);
    QCOMPARE(shown(label), resourceImage(icon));
    QCOMPARE(toolTipText(label), name);
    QCOMPARE(QDir(cacheDir()).entryList(QDir::Files), QStringList());
}

void tst_DldPictureLabel::failedDownloadKeepsPlaceholder_data()
{
    QTest::addColumn<bool>("inCloud");
    QTest::addColumn<int>("failAfter");

    QTest::newRow("not in the cloud") << false << -1;
    QTest::newRow("link lost at once") << true << 0;
    QTest::newRow("link lost midway") << true << 2048;
}

void tst_DldPictureLabel::failedDownloadKeepsPlaceholder()
{
    QFETCH(bool, inCloud);
    QFETCH(int, failAfter);

    const QString name = QStringLiteral("lost.jpg");
    if (inCloud) {
        // A stored thumbnail, sent as it is: large enough to fail midway.
        QVERIFY(writeFile(CloudFileStore::thumbnailPath(name), picture(QSize(200, 150), "bmp")));
    }
    CloudFileStore::setChunkSize(512);
    CloudFileStore::setFailAfter(failAfter);

    QTest::ignoreMessage(
        QtDebugMsg, qPrintable(QStringLiteral("failed to download picture %1").arg(cached(name))));
    DldPictureLabel label(nullptr);
    label.showFile(Placeholder);
    label.setPicture(name, cacheDir());
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);

    QCOMPARE(shown(label), resourceImage(Placeholder));
    QVERIFY(!QFileInfo::exists(cached(name)));
}

void tst_DldPictureLabel::destroyedMidTransfer()
{
    const QString name = QStringLiteral("slow.png");
    QVERIFY(writeFile(CloudFileStore::thumbnailPath(name), picture(QSize(200, 200), "bmp")));
    CloudFileStore::setChunkSize(256);
    CloudFileStore::setChunkDelay(20);

    QWidget item;
    auto *label = new DldPictureLabel(&item);
    label->showFile(Placeholder);
    label->setPicture(name, cacheDir());
    QCOMPARE(CloudFileStore::runningTransfers(), 1);
    QSignalSpy destroyed(label, &QObject::destroyed);
    delete label;
    QCOMPARE(destroyed.count(), 1);

    // The transfer stops: no callback into the gone label, no file left behind.
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
    QCOMPARE(QDir(cacheDir()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void tst_DldPictureLabel::hostileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("safeName");
    QTest::addColumn<bool>("isPicture");

    QTest::newRow("parent path") << "../escape.jpg" << sha1("../escape.jpg") + ".jpg" << true;
    QTest::newRow("sub folder") << "sub/p.png" << sha1("sub/p.png") + ".png" << true;
    QTest::newRow("backslashes") << "..\\x.jpg" << sha1("..\\x.jpg") + ".jpg" << true;
    QTest::newRow("absolute") << "/tmp/x.bmp" << sha1("/tmp/x.bmp") + ".bmp" << true;
    QTest::newRow("NUL") << QString::fromLatin1("a\0.jpg", 6)
                         << sha1(QString::fromLatin1("a\0.jpg", 6)) + ".jpg" << true;
    QTest::newRow("dot dot") << ".." << sha1("..") << false;
    QTest::newRow("empty") << "" << sha1("") << false;
}

void tst_DldPictureLabel::hostileNames()
{
    QFETCH(QString, name);
    QFETCH(QString, safeName);
    QFETCH(bool, isPicture);

    QVERIFY(QDir().mkpath(cached(QStringLiteral("sub"))));
    // Where the name would lead if taken as a path: never read.
    const QString outside = m_dir.filePath(QStringLiteral("escape.jpg"));
    QVERIFY(writeFile(outside, picture(QSize(64, 64), "png")));

    {
        if (isPicture) {
            QTest::ignoreMessage(QtDebugMsg,
                qPrintable(QStringLiteral("failed to download picture %1").arg(cached(safeName))));
        }
        DldPictureLabel label(nullptr);
        label.showFile(Placeholder);
        label.setPicture(name, cacheDir());
        QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, Wait);
        QCOMPARE(shown(label),
            isPicture ? resourceImage(Placeholder) : resourceImage(shapeIcon("file")));
        if (!isPicture)
            QCOMPARE(toolTipText(label), name);
    }
    QCOMPARE(QDir(cacheDir()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QDir(cached(QStringLiteral("sub"))).entryList(QDir::Files), QStringList());
    QCOMPARE(
        QDir(m_dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("escape.jpg") });

    // The safe name is the cache entry of the hostile one.
    const QImage local = halves(QSize(50, 40));
    QVERIFY(writeFile(cached(safeName), encoded(local, "png")));
    DldPictureLabel label(nullptr);
    label.setPicture(name, cacheDir());
    QCOMPARE(CloudFileStore::runningTransfers(), 0);
    QCOMPARE(shown(label), isPicture ? local : resourceImage(shapeIcon("file")));
}

void tst_DldPictureLabel::clickOpensViewer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("data");
    QTest::addColumn<bool>("inDialog");
    QTest::addColumn<bool>("opens");

    QTest::newRow("picture in a dialog") << "hd.jpg"
                                         << "hd.jpg" << true << true;
    QTest::newRow("picture, no dialog") << "hd.jpg"
                                        << "hd.jpg" << false << true;
    QTest::newRow("label shows no picture") << "report.pdf"
                                            << "hd.jpg" << true << false;
    QTest::newRow("empty data") << "hd.jpg"
                                << "" << true << false;
}

void tst_DldPictureLabel::clickOpensViewer()
{
    QFETCH(QString, name);
    QFETCH(QString, data);
    QFETCH(bool, inDialog);
    QFETCH(bool, opens);

    // The viewer keeps large pictures in the feed's folder under the temporary directory.
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", m_dir.filePath(QStringLiteral("tmp")).toLocal8Bit());
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("tmp/Vantor/hd_larger.jpg")),
        picture(QSize(1920, 1080), "jpg")));
    QVERIFY(writeFile(cached(name), picture(QSize(100, 100), "jpg")));

    QWidget window;
    KMDialogBase dialog(&window);
    QWidget *top = inDialog ? static_cast<QWidget *>(&dialog) : &window;
    auto *item = new QWidget(top); // the item widget between the window and the thumbnail
    auto *label = new DldPictureLabel(item);
    label->setFixedSize(100, 100);
    label->setPicture(name, cacheDir());
    label->setData(data);
    label->connectClickedData(label, "onViewPicture(QVariant)", Qt::QueuedConnection);
    top->show();
    QVERIFY(QTest::qWaitForWindowExposed(top));

    if (inDialog && opens && QGuiApplication::platformName() == QLatin1String("offscreen")) {
        // Hidden and shown again; this platform keeps the value but cannot draw it.
        for (int i = 0; i < 2; ++i) {
            QTest::ignoreMessage(
                QtWarningMsg, "This plugin does not support setting window opacity");
        }
    }
    PictureViewerWatch watch([](PictureViewDlg *viewer) { return viewer->width() == 600; });
    QTest::mouseClick(label, Qt::LeftButton);
    // The queued slot runs here; a viewer's modal loop runs until the watch closes it.
    QCoreApplication::processEvents();
    qputenv("TMPDIR", oldTmp);

    QCOMPARE(watch.seen.size(), opens ? 1 : 0);
    QCOMPARE(dialog.windowOpacity(), 1.0);
    if (!opens)
        return;
    const PictureViewerWatch::Seen &seen = watch.seen.first();
    QCOMPARE(seen.size, QSize(600, 347));
    QVERIFY(seen.showsPicture);
    if (inDialog) {
        QCOMPARE(seen.parent.data(), &dialog);
        QCOMPARE(seen.parentOpacity, 0.0); // the dialog is hidden behind the viewer
    } else {
        QCOMPARE(seen.parent.data(), nullptr);
    }
    // Closed viewers do not linger.
    QTRY_VERIFY(dialog.findChildren<PictureViewDlg *>().isEmpty());
}

QTEST_MAIN(tst_DldPictureLabel)
#include "tst_DldPictureLabel.moc"
