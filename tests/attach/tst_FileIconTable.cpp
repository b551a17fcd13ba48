#include <QPixmap>
#include <QTest>

#include "attach/FileIconTable.h"

namespace {

QString icon(const char *name)
{
    return QStringLiteral(":/icon/Resources/images/%1.png").arg(QLatin1String(name));
}

} // namespace

/// The suffix-to-icon table of the attachment tiles.
class tst_FileIconTable : public QObject
{
    Q_OBJECT

private slots:
    void iconPath_data();
    void iconPath();
    void everyPathIsAnImage_data();
    void everyPathIsAnImage();
};

void tst_FileIconTable::iconPath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");

    // Each suffix the table knows, plain and as a tile, once as a bare key and once in a path.
    const QList<QPair<const char *, const char *>> known = {
        { "bmp", "bmp" },
        { "rtf", "doc" },
        { "doc", "doc" },
        { "docx", "doc" },
        { "xls", "xls" },
        { "xlsx", "xls" },
        { "dwg", "dwg" },
        { "gif", "gif" },
        { "jpg", "jpg" },
        { "JPG", "jpg" },
        { "jpeg", "jpg" },
        { "JPEG", "jpg" },
        { "pdf", "pdf" },
        { "PNG", "png" },
        { "png", "png" },
        { "rar", "rar" },
        { "txt", "txt" },
        { "zip", "zip" },
        { "file", "file" },
    };
    for (const auto &entry : known) {
        const QString suffix = QLatin1String(entry.first);
        const QString plain = icon(entry.second);
        const QString shape = icon(QByteArray(entry.second).append("_Shape").constData());
        QTest::addRow("key %s", entry.first) << suffix << plain;
        QTest::addRow("key %s_Shape", entry.first) << suffix + "_Shape" << shape;
        QTest::addRow("path with %s", entry.first) << "/tmp/Vantor/a1b2." + suffix << plain;
        QTest::addRow("tile of %s", entry.first)
            << "/tmp/Vantor/a1b2." + suffix + "_Shape" << shape;
    }

    QTest::newRow("several dots") << "report.final.docx_Shape" << icon("doc_Shape");
    QTest::newRow("mixed case tile misses") << "a.Jpg_Shape" << icon("file_Shape");
    QTest::newRow("mixed case misses") << "a.Pdf" << icon("file");
    QTest::newRow("upper case doc misses") << "a.DOC" << icon("file");
    QTest::newRow("unknown suffix") << "archive.7z" << icon("file");
    QTest::newRow("unknown tile") << "archive.7z_Shape" << icon("file_Shape");
    QTest::newRow("no dot, tile") << "notes_Shape" << icon("file_Shape");
    QTest::newRow("no dot") << "notes" << icon("file");
    QTest::newRow("bare key without dot") << "pdf" << icon("pdf");
    QTest::newRow("dot in a directory") << "C:/dir.v2/README_Shape" << icon("file_Shape");
    QTest::newRow("empty") << "" << icon("file");
    QTest::newRow("ends in a dot") << "scan." << icon("file");
    QTest::newRow("only a dot") << "." << icon("file");
    QTest::newRow("Shap is enough") << "a.xyzShap" << icon("file_Shape");
    QTest::newRow("shape in lower case") << "a.xyz_shape" << icon("file");
    QTest::newRow("suffix is case sensitive") << "a.pdf_SHAPE" << icon("file");
}

void tst_FileIconTable::iconPath()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(FileIconTable::iconPath(name), path);
}

void tst_FileIconTable::everyPathIsAnImage_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : { "a.bmp", "a.rtf", "a.docx", "a.xlsx", "a.dwg", "a.gif", "a.JPEG",
             "a.pdf", "a.PNG", "a.rar", "a.txt", "a.zip", "a.7z" }) {
        QTest::newRow(name) << QString::fromLatin1(name);
        QTest::addRow("%s_Shape", name) << QString::fromLatin1(name) + "_Shape";
    }
}

void tst_FileIconTable::everyPathIsAnImage()
{
    QFETCH(QString, name);
    const QPixmap pixmap(FileIconTable::iconPath(name), "png");
    QVERIFY2(!pixmap.isNull(), qPrintable(FileIconTable::iconPath(name)));
}

QTEST_MAIN(tst_FileIconTable)
#include "tst_FileIconTable.moc"
