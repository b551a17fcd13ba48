#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>

#include "CloudFileService.h"
#include "attach/DldPictureLabel.h"
#include "attach/PictureViewDlg.h"
#include "attach/SafeFileName.h"
#include "common/PictureViewerWatch.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"

using namespace TestPictures;

static const QString kPlaceholder = QStringLiteral(":/icon/resources/images/thumb.png");

/// The host's dialog class: the picture viewer hides the nearest one while it runs.
class KMDialogBase : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;
};

/// The thumbnail of the task items: cache hit, download, failure, hostile names, viewer.
class tst_DldPictureLabel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void setPicture_data();
    void setPicture();
    void destroyedMidTransfer();
    void clickOpensViewer_data();
    void clickOpensViewer();

private:
    QString cache(const QString &name = QString()) const { return m_dir.filePath("cache/" + name); }

    QTemporaryDir m_dir;
    const QByteArray m_tmpDir = qgetenv("TMPDIR");
};

void tst_DldPictureLabel::init()
{
    // The viewer keeps large pictures in the feed's folder under the temporary directory.
    qputenv("TMPDIR", m_dir.filePath(QStringLiteral("tmp")).toLocal8Bit());
    QDir(m_dir.path()).removeRecursively();
    QVERIFY(QDir().mkpath(cache("sub")));
    CloudFileStore::setRootPath(m_dir.filePath(QStringLiteral("cloud")));
    CloudFileStore::resetTransferSettings();
}

void tst_DldPictureLabel::cleanup()
{
    qputenv("TMPDIR", m_tmpDir);
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);
    CloudFileStore::resetTransferSettings();
}

void tst_DldPictureLabel::setPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("from"); // "cache", "cloud", "lost" (link lost midway) or "nowhere"
    QTest::addColumn<QString>("shows"); // "cache", "thumbnail", "placeholder" or an icon

    const auto row = [](const char *name, const char *from, const char *shows) {
        QTest::newRow(name) << name << from << shows;
    };
    row("5f3a.jpg", "cache", "cache");
    row("5F3A.BMP", "cache", "cache");
    row("a.pdf", "cache", "pdf_Shape");
    row("a1.jpg", "cloud", "thumbnail");
    row("a2.jpg", "nowhere", "placeholder");
    row("a3.png", "lost", "placeholder");
    // No picture: its type's icon, its name as tool tip, nothing fetched.
    row("budget.v2.xlsx", "cloud", "xls_Shape");
    row("README", "cloud", "file_Shape");
    // A name that could leave the cache is stored under a safe name there.
    row("../escape.jpg", "cache", "cache");
    row("sub/p.png", "nowhere", "placeholder");
    row("<b>plan</b>.dwg", "nowhere", "dwg_Shape");
    row("..", "nowhere", "file_Shape");
}

void tst_DldPictureLabel::setPicture()
{
    QFETCH(QString, name);
    QFETCH(QString, from);
    QFETCH(QString, shows);
    const QString local = cache(safeFileName(name));
    const QImage picture = halves({ 90, 60 });
    if (from == "cache")
        QVERIFY(writeFile(local, encoded(picture, "png")));
    if (from == "cloud" || from == "lost")
        QVERIFY(writeFile(
            CloudFileStore::thumbnailPath(name), encoded(picture, from == "lost" ? "bmp" : "png")));
    QVERIFY(writeFile(m_dir.filePath("escape.jpg"), TestPictures::picture({ 8, 8 }, "png")));
    CloudFileStore::setChunkSize(1024);
    CloudFileStore::setFailAfter(from == "lost" ? 1 : -1);
    if (shows == "placeholder")
        QTest::ignoreMessage(QtDebugMsg, qPrintable("failed to download picture " + local));

    DldPictureLabel label(nullptr);
    label.showFile(kPlaceholder);
    label.setPicture(name, m_dir.filePath("cache"));
    const bool downloads = shows == "thumbnail" || shows == "placeholder";
    QCOMPARE(CloudFileStore::runningTransfers(), downloads ? 1 : 0);
    if (downloads)
        COMPARE_PICTURES(shown(label), resourceImage(kPlaceholder)); // until the thumbnail is there
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);

    const QString icon = QStringLiteral(":/icon/Resources/images/%1.png").arg(shows);
    COMPARE_PICTURES(shown(label),
        shows == "cache" || shows == "thumbnail"
            ? picture
            : resourceImage(shows == "placeholder" ? kPlaceholder : icon));
    const bool named = shows.endsWith("_Shape") && from != "cache";
    QCOMPARE(QTextDocumentFragment::fromHtml(label.toolTip()).toPlainText(), named ? name : "");
    const bool kept = from == "cache" || shows == "thumbnail";
    QCOMPARE(QDir(cache()).entryList(QDir::Files),
        kept ? QStringList { QFileInfo(local).fileName() } : QStringList());
    QVERIFY(QDir(cache("sub")).entryList(QDir::Files).isEmpty());
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList { "escape.jpg" }); // untouched
}

void tst_DldPictureLabel::destroyedMidTransfer()
{
    QVERIFY(writeFile(CloudFileStore::thumbnailPath("slow.png"), picture({ 200, 200 }, "bmp")));
    CloudFileStore::setChunkSize(256);
    CloudFileStore::setChunkDelay(20);
    QWidget item;
    auto *label = new DldPictureLabel(&item);
    label->setPicture(QStringLiteral("slow.png"), cache());
    QCOMPARE(CloudFileStore::runningTransfers(), 1);
    delete label;
    // The transfer stops: no callback into the gone label, no file left behind.
    QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);
    QCOMPARE(QDir(cache()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void tst_DldPictureLabel::clickOpensViewer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("data");
    QTest::addColumn<bool>("inDialog");
    QTest::addColumn<bool>("opens");

    const auto row
        = [](const char *label, const char *name, const char *data, bool inDialog, bool opens) {
              QTest::newRow(label) << QString(name) << QString(data) << inDialog << opens;
          };
    row("picture in a dialog", "hd.jpg", "hd.jpg", true, true);
    row("picture, no dialog", "hd.jpg", "hd.jpg", false, true);
    row("label shows no picture", "a.pdf", "hd.jpg", true, false);
    row("empty data", "hd.jpg", "", true, false);
}

void tst_DldPictureLabel::clickOpensViewer()
{
    QFETCH(QString, name);
    QFETCH(QString, data);
    QFETCH(bool, inDialog);
    QFETCH(bool, opens);
    QVERIFY(writeFile(m_dir.filePath("tmp/Vantor/hd_larger.jpg"), picture({ 1920, 1080 }, "jpg")));
    QVERIFY(writeFile(cache(name), picture({ 100, 100 }, "jpg")));

    QWidget window;
    KMDialogBase dialog(&window);
    QWidget *top = inDialog ? static_cast<QWidget *>(&dialog) : &window;
    auto *label = new DldPictureLabel(new QWidget(top)); // an item between window and label
    label->setPicture(name, cache());
    label->setData(data);
    label->connectClickedData(label, "onViewPicture(QVariant)", Qt::QueuedConnection);
    top->show();
    QVERIFY(QTest::qWaitForWindowExposed(top));
    const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
    for (int i = 0; inDialog && opens && offscreen && i < 2; ++i) // hidden, shown again
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support setting window opacity");
    PictureViewerWatch watch([](PictureViewDlg *viewer) { return viewer->width() == 600; });
    QTest::mouseClick(label, Qt::LeftButton);
    QCoreApplication::processEvents(); // the queued slot: the viewer's modal loop runs here

    QCOMPARE(watch.seen.size(), opens ? 1 : 0);
    QCOMPARE(dialog.windowOpacity(), 1.0);
    if (!opens)
        return;
    const PictureViewerWatch::Seen &seen = watch.seen.first();
    QVERIFY(seen.showsPicture && seen.size == QSize(600, 347));
    QCOMPARE(seen.parent.data(), inDialog ? &dialog : nullptr);
    QCOMPARE(seen.parentOpacity, inDialog ? 0.0 : -1.0); // hidden behind the viewer
    QTRY_VERIFY(dialog.findChildren<PictureViewDlg *>().isEmpty()); // closed viewers go
}

DYNFEED_TEST_MAIN(tst_DldPictureLabel)
#include "tst_DldPictureLabel.moc"
