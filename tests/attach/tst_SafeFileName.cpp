#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "attach/SafeFileName.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"

/// The rule that keeps names from messages inside the cache directories.

class tst_SafeFileName : public QObject
{
    Q_OBJECT

private slots:

    void safeFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("suffix"); // of a hostile name's safe name; null: used as written

        const auto row = [](const char *tag, const QString &name, const QString &suffix) {
            QTest::newRow(tag) << name << suffix;
        };
        row("file id", "5f3a9c2e0b7d.jpg", QString());
        row("Chinese, spaces, several dots", QStringLiteral("施工 日志.v2.docx"), QString());
        row("leading dots", "..jpg", QString());
        row("three dots", "...", QString());
        row("empty", "", "");
        row("dot", ".", "");
        row("dot dot", "..", "");
        row("parent path", "../../outside.jpg", ".jpg");
        row("backslash path", "..\\..\\win.ini", ".ini");
        row("absolute path", "/etc/passwd", "");
        row("NUL", QString::fromLatin1("a\0.jpg", 6), ".jpg");
        row("separator in the suffix", "photo.jpg/x", "");
    }

    void safeFileName()
    {
        QFETCH(QString, name);
        QFETCH(QString, suffix);
        const QString safe = ::safeFileName(name);
        QCOMPARE(safe, suffix.isNull() ? name : TestPictures::sha1(name) + suffix);
        QCOMPARE(::safeFileName(safe), safe); // callers may store the safe name

        // A file by that name lands in the cache directory itself.
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("cache/sub")));
        QFile file(root.filePath(QStringLiteral("cache/") + safe));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(QDir(root.filePath("cache")).entryList(QDir::Files | QDir::Hidden).size(), 1);
        QVERIFY(QDir(root.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(QDir(root.filePath("cache/sub")).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
};

DYNFEED_TEST_MAIN(tst_SafeFileName)
#include "tst_SafeFileName.moc"
