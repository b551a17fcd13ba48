#include <QTemporaryDir>
#include <QTest>

#include "attach/PictureLabel.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"

using namespace TestPictures;

/// The picture test and the label that shows a file or its type's icon.
class tst_PictureLabel : public QObject
{
    Q_OBJECT

private slots:
    void fileType_data();
    void fileType();
    void showFile_data();
    void showFile();
};

void tst_PictureLabel::fileType_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("picture");

    for (const char *path : { "a.jpg", "a.JPEG", "a.pNg", "scan.bmp", "/tmp/Vantor/site.05.JPG" })
        QTest::newRow(path) << path << true;
    for (const char *path :
        { "a.jpe", "scan.gif", "jpg", "photo.", "", "/tmp/a.jpg/photo", "a.jpgx", "a.png_Shape" })
        QTest::newRow(path) << path << false;
    // Only ASCII letters fold: U+011E would lower-case to a g-like letter.
    QTest::newRow("non-ASCII look-alike") << QString::fromUtf8("a.pn\xc4\x9e") << false;
}

void tst_PictureLabel::fileType()
{
    QFETCH(QString, path);
    QFETCH(bool, picture);
    QCOMPARE(PictureLabel::fileType(path) == PictureLabel::Picture, picture);
}

void tst_PictureLabel::showFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // null: no such file
    QTest::addColumn<QString>("shows"); // "picture" (a red and a blue half), an icon, or nothing

    const QByteArray png = picture({ 64, 48 }, "png");
    const QByteArray jpeg = picture({ 64, 48 }, "jpg");
    QTest::newRow("png") << "a.png" << png << "picture";
    QTest::newRow("bmp, upper case") << "A.BMP" << picture({ 64, 48 }, "bmp") << "picture";
    QTest::newRow("jpeg named png") << "photo.png" << jpeg << "picture";
    QTest::newRow("png named jpeg") << "drawing.JPEG" << png << "picture";
    // Only the PNG and JPEG signatures are recognised; anything else goes by its suffix.
    QTest::newRow("bmp named png") << "scan.png" << picture({ 64, 48 }, "bmp") << "";
    QTest::newRow("no picture at all") << "garbage.png" << QByteArray("not a picture") << "";
    QTest::newRow("missing picture") << "missing.jpg" << QByteArray() << "";
    // Content that looks like a PNG does not turn a non-picture into a picture.
    QTest::newRow("pdf") << "plan.v3.pdf" << png << "pdf_Shape";
    QTest::newRow("missing docx") << "plan.docx" << QByteArray() << "doc_Shape";
    QTest::newRow("gif is no picture here") << "anim.gif" << png << "gif_Shape";
    QTest::newRow("unknown suffix") << "model.ifc" << png << "file_Shape";
    QTest::newRow("mixed case") << "notes.Txt" << png << "file_Shape";
}

void tst_PictureLabel::showFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, shows);

    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(content.isNull() || writeFile(path, content));
    if (content.isNull() && shows.isEmpty())
        QTest::ignoreMessage(QtCriticalMsg, "PictureLabel open pic fial!");
    PictureLabel label(nullptr);
    label.showFile(QStringLiteral(":/icon/resources/images/thumb.png"));
    const QSize loaded = label.showFile(path);

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
        COMPARE_PICTURES(
            image, resourceImage(QStringLiteral(":/icon/Resources/images/%1.png").arg(shows)));
    }
}

DYNFEED_TEST_MAIN(tst_PictureLabel)
#include "tst_PictureLabel.moc"
