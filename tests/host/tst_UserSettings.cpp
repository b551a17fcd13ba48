#include <QFile>
#include <QStandardPaths>
#include <QtTest>

#include "UserSettings.h"

using SeqIdTable = QHash<QString, int>;
Q_DECLARE_METATYPE(SeqIdTable)

class tst_UserSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void roundTrip_data();
    void roundTrip();
    void saveReplacesTable();
    void usersKeptApart_data();
    void usersKeptApart();
    void unknownUserHasEmptyTable();
    void malformedEntriesSkipped();
    void unreadableFile();
};

void tst_UserSettings::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_UserSettings::init()
{
    QFile::remove(UserSettings::filePath());
    QFile::remove(UserSettings::filePath() + QStringLiteral(".damaged"));
}

void tst_UserSettings::roundTrip_data()
{
    QTest::addColumn<QString>("userId");
    QTest::addColumn<SeqIdTable>("table");

    SeqIdTable many;
    for (int i = 0; i < 1000; ++i)
        many.insert(QString::number(100000 + i * 7), i * 3);

    QTest::newRow("empty table") << QStringLiteral("1001") << SeqIdTable();
    QTest::newRow("numeric ids") << QStringLiteral("1001")
                                 << SeqIdTable { { "1", 90 }, { "20", 0 }, { "300", 100000 } };
    QTest::newRow("Chinese ids") << QStringLiteral("1001")
                                 << SeqIdTable { { QStringLiteral("工程一号"), 5 },
                                        { QStringLiteral("项目 B"), 6 } };
    QTest::newRow("ids with slashes") << QStringLiteral(
        "1001") << SeqIdTable { { "a/b", 1 }, { "/", 2 }, { "a\\b", 3 }, { "//x//", 4 } };
    QTest::newRow("ids with INI specials")
        << QStringLiteral("1001")
        << SeqIdTable { { "a,b", 1 }, { "k=v", 2 }, { ";comment", 3 }, { "#hash", 4 },
               { "\"quoted\"", 5 }, { " spaced ", 6 }, { "[section]", 7 }, { "@Variant(x)", 8 },
               { "line\nbreak", 9 }, { "%41", 10 } };
    QTest::newRow("empty project id") << QStringLiteral("1001") << SeqIdTable { { "", 12 } };
    QTest::newRow("ids differing in case")
        << QStringLiteral("1001") << SeqIdTable { { "Prj", 1 }, { "prj", 2 }, { "PRJ", 3 } };
    QTest::newRow("extreme numbers") << QStringLiteral(
        "1001") << SeqIdTable { { "min", INT_MIN }, { "max", INT_MAX }, { "negative", -1 } };
    QTest::newRow("many projects") << QStringLiteral("1001") << many;
    QTest::newRow("user id with a slash")
        << QStringLiteral("dept/1001") << SeqIdTable { { "7", 70 } };
    QTest::newRow("Chinese user id") << QStringLiteral("张三") << SeqIdTable { { "7", 70 } };
    QTest::newRow("empty user id") << QString() << SeqIdTable { { "7", 70 } };
}

void tst_UserSettings::roundTrip()
{
    QFETCH(QString, userId);
    QFETCH(SeqIdTable, table);
    {
        UserSettings settings(userId);
        settings.savePrjDynSeqId(table);
        QCOMPARE(settings.loadPrjDynSeqId(), table);
    }
    UserSettings reopened(userId);
    QCOMPARE(reopened.loadPrjDynSeqId(), table);
}

void tst_UserSettings::saveReplacesTable()
{
    UserSettings settings(QStringLiteral("1001"));
    settings.savePrjDynSeqId({ { "1", 10 }, { "2", 20 }, { "3", 30 } });
    settings.savePrjDynSeqId({ { "2", 25 } });
    QCOMPARE(UserSettings(QStringLiteral("1001")).loadPrjDynSeqId(), SeqIdTable({ { "2", 25 } }));
    settings.savePrjDynSeqId({});
    QCOMPARE(UserSettings(QStringLiteral("1001")).loadPrjDynSeqId(), SeqIdTable());
}

void tst_UserSettings::usersKeptApart_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("plain ids") << QStringLiteral("100") << QStringLiteral("200");
    QTest::newRow("one a prefix of the other") << QStringLiteral("10") << QStringLiteral("100");
    QTest::newRow("slash opening a subgroup") << QStringLiteral("a/b") << QStringLiteral("a");
    QTest::newRow("case only") << QStringLiteral("Ab") << QStringLiteral("ab");
    QTest::newRow("dot names") << QStringLiteral("..") << QStringLiteral(".");
    QTest::newRow("escaped form of another id") << QStringLiteral("A") << QStringLiteral("-41");
    QTest::newRow("empty and zero") << QString() << QStringLiteral("0");
}

void tst_UserSettings::usersKeptApart()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    const SeqIdTable firstTable { { "1", 11 }, { "2", 12 } };
    const SeqIdTable secondTable { { "1", 21 } };
    UserSettings firstSettings(first);
    UserSettings secondSettings(second);
    firstSettings.savePrjDynSeqId(firstTable);
    secondSettings.savePrjDynSeqId(secondTable);

    QCOMPARE(UserSettings(first).loadPrjDynSeqId(), firstTable);
    QCOMPARE(UserSettings(second).loadPrjDynSeqId(), secondTable);

    // Clearing one leaves the other alone.
    secondSettings.savePrjDynSeqId({});
    QCOMPARE(UserSettings(first).loadPrjDynSeqId(), firstTable);
}

void tst_UserSettings::unknownUserHasEmptyTable()
{
    UserSettings(QStringLiteral("1001")).savePrjDynSeqId({ { "1", 10 } });
    QCOMPARE(UserSettings(QStringLiteral("1002")).loadPrjDynSeqId(), SeqIdTable());
}

void tst_UserSettings::malformedEntriesSkipped()
{
    UserSettings(QStringLiteral("1001")).savePrjDynSeqId({ { "1", 10 } });
    // A hand-edited file: an entry without a number and one without a project id.
    QFile file(UserSettings::filePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[users]\n"
               "1001\\prjDynSeqId\\1\\prjId=1\n"
               "1001\\prjDynSeqId\\1\\seqId=10\n"
               "1001\\prjDynSeqId\\2\\prjId=2\n"
               "1001\\prjDynSeqId\\2\\seqId=many\n"
               "1001\\prjDynSeqId\\3\\seqId=30\n"
               "1001\\prjDynSeqId\\4\\prjId=4\n"
               "1001\\prjDynSeqId\\4\\seqId=40\n"
               "1001\\prjDynSeqId\\size=4\n");
    file.close();

    QTest::ignoreMessage(QtWarningMsg, "UserSettings: skipped a malformed entry 2 of user 1001");
    QTest::ignoreMessage(QtWarningMsg, "UserSettings: skipped a malformed entry 3 of user 1001");
    QCOMPARE(UserSettings(QStringLiteral("1001")).loadPrjDynSeqId(),
        SeqIdTable({ { "1", 10 }, { "4", 40 } }));
}

void tst_UserSettings::unreadableFile()
{
    UserSettings(QStringLiteral("1001")).savePrjDynSeqId({ { "1", 10 } });
    QFile file(UserSettings::filePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray("\x00\xff\xfe[[[=\n\x01\x02", 11));
    file.close();

    const QString path = UserSettings::filePath();
    QTest::ignoreMessage(QtWarningMsg,
        qPrintable(QStringLiteral("UserSettings: %1 cannot be read; moved to "
                                  "%1.damaged")
                       .arg(path)));
    QCOMPARE(UserSettings(QStringLiteral("1001")).loadPrjDynSeqId(), SeqIdTable());

    // The next save reaches the disk again, and the damaged file is kept beside it.
    UserSettings(QStringLiteral("1001")).savePrjDynSeqId({ { "2", 20 } });
    QCOMPARE(UserSettings(QStringLiteral("1001")).loadPrjDynSeqId(), SeqIdTable({ { "2", 20 } }));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("seqId=20"));
    QVERIFY(QFile::exists(path + QStringLiteral(".damaged")));
}

QTEST_GUILESS_MAIN(tst_UserSettings)
#include "tst_UserSettings.moc"
