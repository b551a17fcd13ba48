#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "attach/SafeFileName.h"

namespace {

QString sha1(const QString &name)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex());
}

} // namespace

/// The rule that keeps names from messages inside the cache directories.
class tst_SafeFileName : public QObject
{
    Q_OBJECT

private slots:
    void ordinaryNamesUnchanged_data();
    void ordinaryNamesUnchanged();
    void hostileNames_data();
    void hostileNames();
    void hostileNamesStayInside_data();
    void hostileNamesStayInside();
};

void tst_SafeFileName::ordinaryNamesUnchanged_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("file id") << "5f3a9c2e0b7d.jpg";
    QTest::newRow("no suffix") << "u1024";
    QTest::newRow("spaces and several dots") << "site plan v2.final.dwg";
    QTest::newRow("Chinese") << QStringLiteral("施工日志.docx");
    QTest::newRow("leading dots") << "..jpg";
    QTest::newRow("three dots") << "...";
    QTest::newRow("ends in a dot") << "scan.";
    QTest::newRow("colon") << "C:report.pdf";
}

void tst_SafeFileName::ordinaryNamesUnchanged()
{
    QFETCH(QString, name);
    QCOMPARE(safeFileName(name), name);
}

void tst_SafeFileName::hostileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("dot") << "."
                         << "";
    QTest::newRow("dot dot") << ".."
                             << "";
    QTest::newRow("parent path") << "../../outside.jpg"
                                 << ".jpg";
    QTest::newRow("absolute path") << "/etc/passwd"
                                   << "";
    QTest::newRow("backslash path") << "..\\..\\win.ini"
                                    << ".ini";
    QTest::newRow("sub directory") << "sub/photo.PNG"
                                   << ".PNG";
    QTest::newRow("NUL") << QString::fromLatin1("a\0.jpg", 6) << ".jpg";
    QTest::newRow("separator in the suffix") << "photo.jpg/x"
                                             << "";
    QTest::newRow("backslash in the suffix") << "photo.jpg\\"
                                             << "";
    QTest::newRow("slash at the end") << "photo.png/"
                                      << "";
}

void tst_SafeFileName::hostileNames()
{
    QFETCH(QString, name);
    QFETCH(QString, suffix);
    const QString safe = safeFileName(name);
    QCOMPARE(safe, sha1(name) + suffix);
    // Applying the rule again changes nothing: callers may store the safe name.
    QCOMPARE(safeFileName(safe), safe);
}

void tst_SafeFileName::hostileNamesStayInside_data()
{
    hostileNames_data();
}

void tst_SafeFileName::hostileNamesStayInside()
{
    QFETCH(QString, name);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("cache/sub")));
    const QString cache = root.filePath(QStringLiteral("cache"));

    const QString path = QStringLiteral("%1/%2").arg(cache, safeFileName(name));
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write("x");
    file.close();

    QCOMPARE(QFileInfo(path).absolutePath(), QDir(cache).absolutePath());
    QCOMPARE(QDir(root.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QDir(cache).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QCOMPARE(QDir(cache + "/sub").entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_MAIN(tst_SafeFileName)
#include "tst_SafeFileName.moc"
