#include <QPixmap>
#include <QTest>

#include "attach/FileIconTable.h"
#include "common/TestMain.h"

/// The suffix-to-icon table of the attachment tiles.
class tst_FileIconTable : public QObject
{
    Q_OBJECT

private slots:
    void iconPath_data();
    void iconPath();
};

void tst_FileIconTable::iconPath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("icon");

    const auto row
        = [](const char *name, const char *icon) { QTest::newRow(name) << name << icon; };
    row("/tmp/Vantor/a1b2.pdf", "pdf");
    row("a.bmp", "bmp");
    row("a.rtf", "doc");
    row("a.docx", "doc");
    row("a.xlsx", "xls");
    row("a.dwg", "dwg");
    row("a.gif", "gif");
    row("a.JPEG", "jpg");
    row("a.PNG", "png");
    row("a.rar", "rar");
    row("a.txt", "txt");
    row("a.zip", "zip");
    row("report.final.docx_Shape", "doc_Shape");
    row("a.Pdf", "file"); // case-sensitive
    row("archive.7z", "file");
    row("archive.7z_Shape", "file_Shape");
    row("a.xyzShap", "file_Shape");
    row("a.pdf_shape", "file");
    row("pdf", "pdf"); // no dot: the whole name is the key
    row("notes_Shape", "file_Shape");
    row("C:/dir.v2/README_Shape", "file_Shape");
    row("", "file");
    row("scan.", "file");
}

void tst_FileIconTable::iconPath()
{
    QFETCH(QString, name);
    QFETCH(QString, icon);
    const QString path = FileIconTable::iconPath(name);
    QCOMPARE(path, QStringLiteral(":/icon/Resources/images/%1.png").arg(icon));
    QVERIFY(!QPixmap(path, "png").isNull());
}

DYNFEED_TEST_MAIN(tst_FileIconTable)
#include "tst_FileIconTable.moc"
