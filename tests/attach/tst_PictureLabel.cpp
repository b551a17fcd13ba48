#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>

#include <memory>

#include "CloudFileService.h"
#include "attach/DldPictureLabel.h"
#include "attach/FileIconTable.h"
#include "attach/PictureFileWdt.h"
#include "attach/PictureLabel.h"
#include "attach/PictureViewDlg.h"
#include "attach/SafeFileName.h"
#include "common/PictureViewerWatch.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"
#include "items/SummaryInfoWdt.h"

using namespace TestPictures;

namespace {

const QString kPlaceholder = QStringLiteral(":/icon/resources/images/thumb.png");

QImage icon(const QString &name)
{
    return resourceImage(QStringLiteral(":/icon/Resources/images/%1.png").arg(name));
}

template <class Label> PictureLabel *make(const QString &name, const QString &dir, QWidget *parent)
{
    auto *label = new Label(parent);
    label->showFile(kPlaceholder);
    label->setPicture(name, dir);
    return label;
}

/// One of the two downloading labels, its picture set: the task item's thumbnail (tile false)
/// takes a folder, the file tile's picture a prefix that ends in a separator.
PictureLabel *pictureLabel(bool tile, const QString &name, const QString &dir, QWidget *parent)
{
    return tile ? make<PictureFileWdt>(name, dir, parent)
                : make<DldPictureLabel>(name, dir, parent);
}

} // namespace

/// The host's dialog class: the picture viewer hides the nearest one while it runs.
class KMDialogBase : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;
};

/// The picture test, the icon per file type, the label that shows a file or that icon, and its
/// two downloading kinds (the task item's thumbnail, the file tile's picture): cache hit,
/// download, failure, hostile names, the viewer.

class tst_PictureLabel : public QObject
{
    Q_OBJECT

    QString path(const QString &relative = QString()) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
    const QByteArray m_tmpDir = qgetenv("TMPDIR");

private slots:

    void init()
    {
        // The viewer keeps large pictures in the feed's folder under the temporary directory.
        qputenv("TMPDIR", path("sys").toLocal8Bit());
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(path("cache/sub")));
        CloudFileStore::setRootPath(path("cloud"));
        CloudFileStore::resetTransferSettings();
    }

    void cleanup()
    {
        qputenv("TMPDIR", m_tmpDir);
        QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);
        CloudFileStore::resetTransferSettings();
    }

    void fileType_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("picture");

        for (const char *path :
            { "a.jpg", "a.JPEG", "a.pNg", "scan.bmp", "/tmp/Vantor/site.05.JPG" })
            QTest::newRow(path) << path << true;
        for (const char *path : { "a.jpe", "scan.gif", "jpg", "photo.", "", "/tmp/a.jpg/photo",
                 "a.jpgx", "a.png_Shape" })
            QTest::newRow(path) << path << false;
        // Only ASCII letters fold: U+011E would lower-case to a g-like letter.
        QTest::newRow("non-ASCII look-alike") << QString::fromUtf8("a.pn\xc4\x9e") << false;
    }

    void fileType()
    {
        QFETCH(QString, path);
        QFETCH(bool, picture);
        QCOMPARE(PictureLabel::fileType(path) == PictureLabel::Picture, picture);
    }

    void iconPath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("icon");

        const auto row
            = [](const char *name, const char *icon) { QTest::newRow(name) << name << icon; };
        row("/tmp/Vantor/a1b2.pdf", "pdf");
        row("a.rtf", "doc"); // several suffixes share one icon
        row("a.JPEG", "jpg");
        row("report.final.docx_Shape", "doc_Shape");
        row("a.Pdf", "file"); // case-sensitive
        row("archive.7z_Shape", "file_Shape");
        row("a.xyzShap", "file_Shape");
        row("a.pdf_shape", "file");
        row("pdf", "pdf"); // no dot: the whole name is the key
        row("C:/dir.v2/README_Shape", "file_Shape");
        row("", "file");
    }

    void iconPath()
    {
        QFETCH(QString, name);
        QFETCH(QString, icon);
        const QString path = FileIconTable::iconPath(name);
        QCOMPARE(path, QStringLiteral(":/icon/Resources/images/%1.png").arg(icon));
        QVERIFY(!QPixmap(path, "png").isNull());
    }

    void showFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: no such file
        QTest::addColumn<QString>(
            "shows"); // "picture" (a red and a blue half), an icon, or nothing

        const QByteArray png = picture({ 64, 48 }, "png");
        QTest::newRow("png") << "a.png" << png << "picture";
        QTest::newRow("bmp, upper case") << "A.BMP" << picture({ 64, 48 }, "bmp") << "picture";
        QTest::newRow("jpeg named png") << "photo.png" << picture({ 64, 48 }, "jpg") << "picture";
        // Only the PNG and JPEG signatures are recognised; anything else goes by its suffix.
        QTest::newRow("bmp named png") << "scan.png" << picture({ 64, 48 }, "bmp") << "";
        QTest::newRow("no picture at all") << "garbage.png" << QByteArray("not a picture") << "";
        QTest::newRow("missing picture") << "missing.jpg" << QByteArray() << "";
        // Content that looks like a PNG does not turn a non-picture into a picture.
        QTest::newRow("pdf") << "plan.v3.pdf" << png << "pdf_Shape";
        QTest::newRow("missing docx") << "plan.docx" << QByteArray() << "doc_Shape";
        QTest::newRow("gif is no picture here") << "anim.gif" << png << "gif_Shape";
        QTest::newRow("mixed case") << "notes.Txt" << png << "file_Shape";
    }

    void showFile()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, shows);

        QVERIFY(content.isNull() || writeFile(path(name), content));
        if (content.isNull() && shows.isEmpty())
            QTest::ignoreMessage(QtCriticalMsg, "PictureLabel open pic fial!");
        PictureLabel label(nullptr);
        label.showFile(kPlaceholder);
        const QSize loaded = label.showFile(path(name));

        const QImage image = shown(label);
        QCOMPARE(loaded, image.size());
        if (shows.isEmpty()) {
            QVERIFY(image.isNull());
        } else if (shows == QLatin1String("picture")) {
            QCOMPARE(image.size(), QSize(64, 48));
            // Lossy formats blur the edge; the middle of each half keeps its colour.
            QVERIFY(qRed(image.pixel(16, 24)) > 200 && qBlue(image.pixel(16, 24)) < 60);
            QVERIFY(qBlue(image.pixel(48, 24)) > 200 && qRed(image.pixel(48, 24)) < 60);
        } else {
            COMPARE_PICTURES(image, icon(shows));
        }
    }

    void setPicture_data()
    {
        QTest::addColumn<bool>("tile");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("dir"); // in the test folder
        QTest::addColumn<QString>("from"); // "cache", "cloud", "lost" (link lost midway), "nowhere"
        QTest::addColumn<QString>("shows"); // "cache", "thumbnail", "placeholder" or an icon

        const auto row = [](const char *tag, bool tile, const char *name, const char *dir,
                             const char *from, const char *shows) {
            QTest::newRow(tag) << tile << QString(name) << QString(dir) << QString(from) << shows;
        };
        row("cached", false, "5f3a.jpg", "cache", "cache", "cache");
        row("a cached file that is no picture", false, "a.pdf", "cache", "cache", "pdf_Shape");
        row("downloaded", false, "a1.jpg", "cache", "cloud", "thumbnail");
        row("not in the cloud", false, "a2.jpg", "cache", "nowhere", "placeholder");
        row("link lost", false, "a3.png", "cache", "lost", "placeholder");
        // No picture: its type's icon, its name as tool tip, nothing fetched.
        row("no picture", false, "budget.v2.xlsx", "cache", "cloud", "xls_Shape");
        // A name that could leave the folder is stored under a safe name there.
        row("hostile name, cached", false, "../escape.jpg", "cache", "cache", "cache");
        row("hostile name with a folder", false, "sub/p.png", "cache", "nowhere", "placeholder");
        row("markup in the name", false, "<b>plan</b>.dwg", "cache", "nowhere", "dwg_Shape");
        row("dot dot", false, "..", "cache", "nowhere", "file_Shape");
        row("tile, cached", true, "p1.jpg", "cache/", "cache", "cache");
        row("tile, prefix without separator", true, "p1.jpg", "cache", "cache", "cache");
        row("tile, hostile name, cached", true, "../p1.jpg", "cache/", "cache", "cache");
        row("tile, downloaded", true, "site.png", "cache/", "cloud", "thumbnail");
        row("tile, hostile name, not in the cloud", true, "../site.png", "cache/", "nowhere",
            "placeholder");
    }

    void setPicture()
    {
        QFETCH(bool, tile);
        QFETCH(QString, name);
        QFETCH(QString, dir);
        QFETCH(QString, from);
        QFETCH(QString, shows);
        const QString local = path(dir + (tile ? "" : "/") + safeFileName(name));
        const QImage picture = halves({ 90, 60 });
        if (from == "cache")
            QVERIFY(writeFile(local, encoded(picture, "png")));
        if (from == "cloud" || from == "lost")
            QVERIFY(writeFile(CloudFileStore::thumbnailPath(name),
                encoded(picture, from == "lost" ? "bmp" : "png")));
        // Where a hostile name would lead if taken as a path: never read, never written.
        QVERIFY(writeFile(path("escape.jpg"), TestPictures::picture({ 8, 8 }, "png")));
        CloudFileStore::setChunkSize(1024);
        CloudFileStore::setFailAfter(from == "lost" ? 1 : -1);
        if (shows == "placeholder")
            QTest::ignoreMessage(QtDebugMsg, qPrintable("failed to download picture " + local));

        const std::unique_ptr<PictureLabel> label(pictureLabel(tile, name, path(dir), nullptr));
        const bool downloads = shows == "thumbnail" || shows == "placeholder";
        QCOMPARE(CloudFileStore::runningTransfers(), downloads ? 1 : 0);
        if (downloads)
            COMPARE_PICTURES(
                shown(*label), resourceImage(kPlaceholder)); // until the thumbnail is in
        QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);

        COMPARE_PICTURES(shown(*label),
            shows == "cache" || shows == "thumbnail" ? picture
                : shows == "placeholder"             ? resourceImage(kPlaceholder)
                                                     : icon(shows));
        const bool named = shows.endsWith("_Shape") && from != "cache";
        QCOMPARE(
            QTextDocumentFragment::fromHtml(label->toolTip()).toPlainText(), named ? name : "");
        // Nothing but the picture kept is written outside the cloud, and nothing else is touched.
        QStringList files { path("escape.jpg") };
        if (from == "cache" || shows == "thumbnail")
            files << local;
        QStringList found;
        for (QDirIterator it(path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString file = it.next();
            if (!file.startsWith(path("cloud/")))
                found << file;
        }
        found.sort();
        files.sort();
        QCOMPARE(found, files);
    }

    void destroyedMidTransfer()
    {
        QVERIFY(writeFile(CloudFileStore::thumbnailPath("slow.png"), picture({ 200, 200 }, "bmp")));
        CloudFileStore::setChunkSize(256);
        CloudFileStore::setChunkDelay(20);
        for (bool tile : { false, true }) {
            QWidget item;
            PictureLabel *label
                = pictureLabel(tile, QStringLiteral("slow.png"), path("cache/"), &item);
            QCOMPARE(CloudFileStore::runningTransfers(), 1);
            delete label;
            // The transfer stops: no callback into the gone label, no file left behind.
            QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);
            QCOMPARE(QDir(path("cache")).entryList(QDir::Files | QDir::Hidden), QStringList());
        }
    }

    void viewPicture_data()
    {
        QTest::addColumn<bool>("tile");
        QTest::addColumn<QString>("name"); // the picture set
        QTest::addColumn<QString>("data"); // the name the click hands to the viewer
        QTest::addColumn<int>("dialogDepth"); // how far up the dialog is; 0: none
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("byKey"); // Return on the focused label instead of a click

        const auto row = [](const char *tag, bool tile, const char *name, const char *data,
                             int depth, bool opens, bool byKey = false) {
            QTest::newRow(tag) << tile << QString(name) << QString(data) << depth << opens << byKey;
        };
        row("picture, dialog two up", false, "hd.jpg", "hd.jpg", 2, true);
        row("picture, no dialog", false, "hd.jpg", "hd.jpg", 0, true);
        row("label shows no picture", false, "a.pdf", "hd.jpg", 2, false);
        row("empty data", false, "hd.jpg", "", 2, false);
        row("tile, dialog one up", true, "hd.jpg", "hd.jpg", 1, true);
        row("tile, no dialog", true, "hd.jpg", "hd.jpg", 0, true);
        row("tile, data no picture", true, "hd.jpg", "hd.pdf", 2, false);
        row("picture, by Return", false, "hd.jpg", "hd.jpg", 0, true, true);
        row("tile, by Return", true, "hd.jpg", "hd.jpg", 0, true, true);
    }

    void viewPicture()
    {
        QFETCH(bool, tile);
        QFETCH(QString, name);
        QFETCH(QString, data);
        QFETCH(int, dialogDepth);
        QFETCH(bool, opens);
        // The viewer looks in the feed's folder under the temporary directory, not the label's.
        QVERIFY(writeFile(path("sys/Vantor/hd_larger.jpg"), picture({ 1080, 1920 }, "jpg")));
        QVERIFY(writeFile(path("cache/hd_larger.jpg"), picture({ 1920, 1080 }, "jpg")));
        QVERIFY(writeFile(path("cache/" + name), picture({ 100, 100 }, "jpg")));

        KMDialogBase dialog;
        QWidget plain;
        QWidget *parent = dialogDepth > 0 ? static_cast<QWidget *>(&dialog) : &plain;
        for (int level = 1; level < dialogDepth; ++level)
            parent = new QWidget(parent); // an item between dialog and label
        PictureLabel *label = pictureLabel(tile, name, path(tile ? "cache/" : "cache"), parent);
        label->setData(data);
        label->connectClickedData(label, "onViewPicture(QVariant)", Qt::QueuedConnection);
        label->window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(label->window()));
        const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
        for (int i = 0; dialogDepth > 0 && opens && offscreen && i < 2; ++i) // hidden, shown again
            QTest::ignoreMessage(
                QtWarningMsg, "This plugin does not support setting window opacity");
        PictureViewerWatch watch([](PictureViewDlg *viewer) { return viewer->width() != 500; });
        QFETCH(bool, byKey);
        if (byKey) {
            label->setFocus();
            QTest::keyClick(label, Qt::Key_Return);
        } else {
            QTest::mouseClick(label, Qt::LeftButton);
        }
        QCoreApplication::processEvents(); // the queued slot: the viewer's modal loop runs here

        QCOMPARE(watch.seen.size(), opens ? 1 : 0);
        QCOMPARE(dialog.windowOpacity(), 1.0);
        if (!opens)
            return;
        const PictureViewerWatch::Seen &seen = watch.seen.first();
        QVERIFY(seen.showsPicture);
        QCOMPARE(seen.size, QSize(347, 600)); // the feed folder's large picture
        QCOMPARE(seen.parent.data(), dialogDepth > 0 ? &dialog : nullptr);
        QCOMPARE(seen.parentOpacity, dialogDepth > 0 ? 0.0 : -1.0); // hidden behind the viewer
        QTRY_VERIFY(dialog.findChildren<PictureViewDlg *>().isEmpty()); // closed viewers go
    }

    void hostGoneWhileViewing()
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
            QTest::ignoreMessage(
                QtWarningMsg, "This plugin does not support setting window opacity");

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

    void sharpAtRatio2_data()
    {
        QTest::addColumn<bool>("avatar"); // in a header's avatar, or in a 100 by 100 label
        QTest::addColumn<QString>("shown"); // empty: a checkerboard of single pixels, 2x the room
        QTest::addColumn<QString>("expected"); // empty: that checkerboard
        const auto row
            = [](const char *tag, bool avatar, const QString &shown, const char *expected) {
                  QTest::newRow(tag) << avatar << shown << QString(expected);
              };
        row("picture", false, "", "");
        row("file-type tile", false, "a.pdf", ":/icon/Resources/images/pdf_Shape@2x.png");
        row("placeholder", false, kPlaceholder, ":/icon/resources/images/thumb@2x.png");
        row("avatar", true, "", "");
        row("default avatar", true, "none.png", ":/icon/resources/images/default_header@2x.png");
    }

    void sharpAtRatio2()
    {
        QFETCH(bool, avatar);
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        // Drawn on a screen of ratio 1 first, then into a picture of ratio 2, as on such a screen.
        const int edge = avatar ? 140 : 200;
        QImage checker(edge, edge, QImage::Format_RGB32);
        for (int y = 0; y < edge; ++y)
            for (int x = 0; x < edge; ++x)
                checker.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(30, 30, 30));
        QVERIFY(writeFile(path("cache/checker.png"), encoded(checker, "png")));
        const QString file = shown.isEmpty() ? path("cache/checker.png") : shown;
        SummaryInfoWdt header;
        PictureLabel label(nullptr);
        QWidget *target = &label;
        if (avatar) {
            header.setUserHeader(file);
            target = header.findChild<QLabel *>(QStringLiteral("SummaryInfoWdt_headerLbl"));
        } else {
            label.setFixedSize(100, 100);
            label.showFile(file);
        }
        QImage drawn(target->size() * 2, QImage::Format_RGB32);
        drawn.setDevicePixelRatio(2);
        drawn.fill(Qt::white);
        target->render(&drawn);
        QImage want(drawn.size(), QImage::Format_RGB32);
        want.fill(Qt::white);
        QPainter(&want).drawImage(want.rect(), expected.isEmpty() ? checker : QImage(expected));
        const QRect middle(
            drawn.width() / 4, drawn.height() / 4, drawn.width() / 2, drawn.height() / 2);
        COMPARE_PICTURES(drawn.copy(middle), want.copy(middle)); // inside the avatar's circle
    }
};

DYNFEED_TEST_MAIN(tst_PictureLabel)
#include "tst_PictureLabel.moc"
