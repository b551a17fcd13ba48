#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include "attach/FileIconTable.h"
#include "attach/PictureLabel.h"
#include "common/TestPictures.h"

using namespace TestPictures;

Q_DECLARE_METATYPE(PictureLabel::FileType)

/// The picture test and the label that shows a file or its type's icon.
class tst_PictureLabel : public QObject
{
    Q_OBJECT

private slots:
    void fileType_data();
    void fileType();

    void showPicture_data();
    void showPicture();
    void showOtherFile_data();
    void showOtherFile();
    void showUnreadablePicture();
    void showResource();
};

void tst_PictureLabel::fileType_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<PictureLabel::FileType>("type");

    QTest::newRow("jpg") << "a.jpg" << PictureLabel::Picture;
    QTest::newRow("JPEG") << "a.JPEG" << PictureLabel::Picture;
    QTest::newRow("mixed case png") << "a.pNg" << PictureLabel::Picture;
    QTest::newRow("bmp") << "scan.bmp" << PictureLabel::Picture;
    QTest::newRow("upper case in a path") << "/tmp/Vantor/PHOTO.JPG" << PictureLabel::Picture;
    QTest::newRow("several dots") << "site.2024.05.jpeg" << PictureLabel::Picture;
    QTest::newRow("jpe") << "a.jpe" << PictureLabel::OtherFile;
    QTest::newRow("gif") << "scan.gif" << PictureLabel::OtherFile;
    QTest::newRow("tif") << "scan.tif" << PictureLabel::OtherFile;
    QTest::newRow("no dot") << "jpg" << PictureLabel::OtherFile;
    QTest::newRow("ends in a dot") << "photo." << PictureLabel::OtherFile;
    QTest::newRow("empty") << "" << PictureLabel::OtherFile;
    QTest::newRow("dot in a directory only") << "/tmp/a.jpg/photo" << PictureLabel::OtherFile;
    QTest::newRow("suffix with a space") << "a.jpg " << PictureLabel::OtherFile;
    QTest::newRow("suffix continues") << "a.jpgx" << PictureLabel::OtherFile;
    // Only ASCII letters fold: the Kelvin sign would lower-case to k in Unicode.
    QTest::newRow("non-ASCII look-alike")
        << QString::fromUtf8("a.pn\xc4\x9e") << PictureLabel::OtherFile;
    QTest::newRow("tile key") << "a.png_Shape" << PictureLabel::OtherFile;
}

void tst_PictureLabel::fileType()
{
    QFETCH(QString, path);
    QFETCH(PictureLabel::FileType, type);
    QCOMPARE(PictureLabel::fileType(path), type);
}

void tst_PictureLabel::showPicture_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("loads");

    QTest::newRow("png") << "a.png" << QByteArray("png") << QSize(64, 48) << true;
    QTest::newRow("jpeg as jpg") << "a.jpg" << QByteArray("jpg") << QSize(80, 60) << true;
    QTest::newRow("bmp") << "a.bmp" << QByteArray("bmp") << QSize(30, 20) << true;
    QTest::newRow("upper case suffix") << "A.JPG" << QByteArray("jpg") << QSize(40, 40) << true;
    QTest::newRow("jpeg named png") << "photo.png" << QByteArray("jpg") << QSize(120, 90) << true;
    QTest::newRow("png named jpg") << "drawing.jpg" << QByteArray("png") << QSize(90, 120) << true;
    QTest::newRow("png named jpeg") << "drawing.JPEG" << QByteArray("png") << QSize(10, 70) << true;
    QTest::newRow("jpeg named bmp") << "scan.bmp" << QByteArray("jpg") << QSize(70, 10) << true;
    // Only the PNG and JPEG signatures are recognised; anything else goes by its suffix.
    QTest::newRow("bmp named png") << "scan.png" << QByteArray("bmp") << QSize(30, 20) << false;
}

void tst_PictureLabel::showPicture()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QFETCH(bool, loads);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(fileName);
    QVERIFY(writeFile(path, encoded(halves(size), format.constData())));

    PictureLabel label(nullptr);
    label.resize(200, 150);
    const QSize loaded = label.showFile(path);
    if (!loads) {
        QCOMPARE(loaded, QSize(0, 0));
        QVERIFY(label.pixmap(Qt::ReturnByValue).isNull());
        return;
    }
    QCOMPARE(loaded, size);

    const QImage image = shown(label);
    QCOMPARE(image.size(), size);
    // Lossy formats blur the edge; the middle of each half keeps its colour.
    const QRgb left = image.pixel(size.width() / 4, size.height() / 2);
    const QRgb right = image.pixel(size.width() * 3 / 4, size.height() / 2);
    QVERIFY2(qRed(left) > 200 && qBlue(left) < 60, qPrintable(QString::number(left, 16)));
    QVERIFY2(qBlue(right) > 200 && qRed(right) < 60, qPrintable(QString::number(right, 16)));
}

void tst_PictureLabel::showOtherFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("icon");

    QTest::newRow("pdf present") << "report.pdf" << true << "pdf_Shape";
    QTest::newRow("pdf absent") << "report.pdf" << false << "pdf_Shape";
    QTest::newRow("docx") << "plan.v3.docx" << true << "doc_Shape";
    QTest::newRow("upper case known") << "SHEET.JPG.xls" << false << "xls_Shape";
    QTest::newRow("gif is no picture here") << "anim.gif" << true << "gif_Shape";
    QTest::newRow("unknown suffix") << "model.ifc" << true << "file_Shape";
    QTest::newRow("no dot") << "README" << true << "file_Shape";
    QTest::newRow("mixed case") << "notes.Txt" << true << "file_Shape";
}

void tst_PictureLabel::showOtherFile()
{
    QFETCH(QString, fileName);
    QFETCH(bool, exists);
    QFETCH(QString, icon);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(fileName);
    // Content that looks like a PNG must not turn a non-picture into a picture.
    if (exists)
        QVERIFY(writeFile(path, encoded(halves(QSize(8, 8)), "png")));

    const QImage expected(QStringLiteral(":/icon/Resources/images/%1.png").arg(icon));
    QVERIFY(!expected.isNull());

    PictureLabel label(nullptr);
    QCOMPARE(label.showFile(path), expected.size());
    QCOMPARE(shown(label), expected.convertToFormat(QImage::Format_RGB32));
}

void tst_PictureLabel::showUnreadablePicture()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    PictureLabel label(nullptr);
    label.showFile(QStringLiteral(":/icon/resources/images/thumb.png"));
    QVERIFY(!shown(label).isNull());

    QTest::ignoreMessage(QtCriticalMsg, "PictureLabel open pic fial!");
    QCOMPARE(label.showFile(dir.filePath(QStringLiteral("missing.jpg"))), QSize(0, 0));
    QVERIFY(label.pixmap(Qt::ReturnByValue).isNull());

    // Readable but not a picture at all: detection finds nothing, the load fails quietly.
    const QString garbage = dir.filePath(QStringLiteral("garbage.png"));
    QVERIFY(writeFile(garbage, QByteArray("not a picture")));
    QCOMPARE(label.showFile(garbage), QSize(0, 0));
}

void tst_PictureLabel::showResource()
{
    PictureLabel label(nullptr);
    const QImage expected(QStringLiteral(":/icon/resources/images/thumb.png"));
    QCOMPARE(label.showFile(QStringLiteral(":/icon/resources/images/thumb.png")), expected.size());
    QCOMPARE(shown(label), expected.convertToFormat(QImage::Format_RGB32));
}

QTEST_MAIN(tst_PictureLabel)
#include "tst_PictureLabel.moc"
