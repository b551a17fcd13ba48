#include <QFile>
#include <QStandardPaths>
#include <QtTest>

#include "UserSettings.h"
#include "common/TestMain.h"

using SeqIdTable = QHash<QString, int>;
Q_DECLARE_METATYPE(SeqIdTable)

/// The per-user table of newest sequence numbers, as it survives on disk.
class tst_UserSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QFile::remove(UserSettings::filePath()); }

    void roundTrip_data();
    void roundTrip();
    void malformedEntriesSkipped();
    void unreadableFile();

private:
    void writeFile(const QByteArray &content)
    {
        UserSettings(QStringLiteral("1001")).savePrjDynSeqId({ { "1", 10 } });
        QFile file(UserSettings::filePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) > 0);
    }
};

void tst_UserSettings::roundTrip_data()
{
    // A user's table, saved over an older one, beside a neighbour's whose group it may not touch.
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("neighbour");
    QTest::addColumn<SeqIdTable>("table");

    QTest::newRow("empty table") << QStringLiteral("1001") << QStringLiteral("100") << SeqIdTable();
    QTest::newRow("Chinese ids, slash opening a subgroup")
        << QStringLiteral("a/prjDynSeqId/1") << QStringLiteral("a")
        << SeqIdTable { { "工程一号", 5 }, { "项目 B", 6 } };
    QTest::newRow("ids with slashes and INI specials, users differing in case")
        << QStringLiteral("Ab") << QStringLiteral("ab")
        << SeqIdTable { { "a/b", 1 }, { "a\\b", 2 }, { "k=v;#x", 3 }, { "[s] \"q\"", 4 },
               { "line\nbreak", 5 }, { "@Variant(x)", 6 }, { "%41", 7 }, { "", 8 } };
    QTest::newRow("extreme numbers, escaped form of another user") << QStringLiteral(
        "A") << QStringLiteral("-41") << SeqIdTable { { "min", INT_MIN }, { "max", INT_MAX } };
    QTest::newRow("empty and zero user")
        << QString() << QStringLiteral("0") << SeqIdTable { { "1", 1 } };
}

void tst_UserSettings::roundTrip()
{
    QFETCH(QString, user);
    QFETCH(QString, neighbour);
    QFETCH(SeqIdTable, table);
    {
        UserSettings settings(user);
        settings.savePrjDynSeqId({ { "1", 10 }, { "stale", 5 } });
        settings.savePrjDynSeqId(table);
        QCOMPARE(settings.loadPrjDynSeqId(), table);
    }
    UserSettings(neighbour).savePrjDynSeqId({ { "1", 21 } });
    QCOMPARE(UserSettings(user).loadPrjDynSeqId(), table);
    QCOMPARE(UserSettings(neighbour).loadPrjDynSeqId(), SeqIdTable({ { "1", 21 } }));
    QCOMPARE(UserSettings(QStringLiteral("unknown")).loadPrjDynSeqId(), SeqIdTable());
}

void tst_UserSettings::malformedEntriesSkipped()
{
    // Hand-edited: entry 1 has no number, entry 2 no project id.
    writeFile("[users]\n1001\\prjDynSeqId\\1\\prjId=1\n1001\\prjDynSeqId\\1\\seqId=many\n"
              "1001\\prjDynSeqId\\2\\seqId=20\n1001\\prjDynSeqId\\3\\prjId=3\n"
              "1001\\prjDynSeqId\\3\\seqId=30\n1001\\prjDynSeqId\\size=3\n");
    QTest::ignoreMessage(QtWarningMsg, "UserSettings: skipped a malformed entry 1 of user 1001");
    QTest::ignoreMessage(QtWarningMsg, "UserSettings: skipped a malformed entry 2 of user 1001");
    QCOMPARE(UserSettings(QStringLiteral("1001")).loadPrjDynSeqId(), SeqIdTable({ { "3", 30 } }));
}

void tst_UserSettings::unreadableFile()
{
    writeFile(QByteArray("\x00\xff\xfe[[[=\n\x01\x02", 11));
    const QString path = UserSettings::filePath();
    QFile::remove(path + QStringLiteral(".damaged"));
    QTest::ignoreMessage(QtWarningMsg,
        qPrintable(
            QStringLiteral("UserSettings: %1 cannot be read; moved to %1.damaged").arg(path)));
    QCOMPARE(UserSettings(QStringLiteral("1001")).loadPrjDynSeqId(), SeqIdTable());

    // The next save reaches the disk again; the damaged file is kept beside it.
    UserSettings(QStringLiteral("1001")).savePrjDynSeqId({ { "2", 20 } });
    QCOMPARE(UserSettings(QStringLiteral("1001")).loadPrjDynSeqId(), SeqIdTable({ { "2", 20 } }));
    QVERIFY(QFile::exists(path + QStringLiteral(".damaged")));
}

DYNFEED_TEST_GUILESS_MAIN(tst_UserSettings)
#include "tst_UserSettings.moc"
