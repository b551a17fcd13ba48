#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "CloudFileService.h"
#include "VTVoice.h"
#include "common/TestEnvironment.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"

/// The voice player without a sound device (as on CI): a note is fetched and checked, and what
/// cannot be played says so on the widget and in one log line; no media pipeline is built.
class tst_VTVoice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { QTRY_COMPARE(CloudFileStore::runningTransfers(), 0); }
    void play_data();
    void play();

private:
    QTemporaryDir m_dir;
    const ScopedEnvironment m_noAudio { "DYNFEED_NO_AUDIO", "1" };
    const ScopedEnvironment m_tmpDir { "TMPDIR", m_dir.filePath("sys").toLocal8Bit() };
};

void tst_VTVoice::initTestCase()
{
    QVERIFY(QDir().mkpath(m_dir.filePath("sys")));
    CloudFileStore::setRootPath(m_dir.filePath("cloud"));
    QVERIFY(TestPictures::writeFile(
        CloudFileStore::filePath("f-amr.amr"), "#!AMR\n" + QByteArray(320, '\x3c')));
    QVERIFY(TestPictures::writeFile(m_dir.filePath("noise.amr"), QByteArray(320, '\x7f')));
}

void tst_VTVoice::play_data()
{
    QTest::addColumn<QString>("url"); // "%1" stands for the test folder
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");

    QTest::newRow("fetched, nothing to play on")
        << "https://files.example.com/voice/f-amr.amr" << int(VTVoice::NoAudioDevice)
        << "No audio device";
    QTest::newRow("not in the cloud") << "https://files.example.com/voice/f-none.amr"
                                      << int(VTVoice::Missing) << "Voice note unavailable";
    QTest::newRow("missing local file")
        << "%1/gone.amr" << int(VTVoice::Missing) << "Voice note unavailable";
    QTest::newRow("no sound in the file")
        << "file://%1/noise.amr" << int(VTVoice::Undecodable) << "Cannot play this note";
    QTest::newRow("id that leaves its folder")
        << "..\\x.amr" << int(VTVoice::Missing) << "Voice note unavailable";
}

void tst_VTVoice::play()
{
    QFETCH(QString, url);
    QFETCH(int, state);
    url.replace(QLatin1String("%1"), m_dir.path());
    VTVoice voice(nullptr);
    voice.setUrl(url, 12);
    QCOMPARE(voice.stateText(), QStringLiteral("0:12"));
    QSignalSpy states(&voice, &VTVoice::stateChanged);
    QTest::ignoreMessage(QtWarningMsg,
        QRegularExpression(QStringLiteral("^voice note %1 cannot be played")
                               .arg(QRegularExpression::escape(url))));
    QTest::mouseClick(&voice, Qt::LeftButton);
    QTRY_COMPARE(int(voice.state()), state);
    QTEST(voice.stateText(), "text");
    QCOMPARE(voice.toolTip(), voice.stateText());
    // Nothing to decode with: the pipeline is built only to play.
    for (const QObject *child : voice.children())
        QVERIFY(!child->inherits("QMediaPlayer"));
    if (url.startsWith(QLatin1String("https")) && voice.state() == VTVoice::NoAudioDevice)
        QVERIFY(QFile::exists(m_dir.filePath("sys/Vantor/voice/f-amr.amr")));
    QCOMPARE(states.count(), url.startsWith(QLatin1String("https")) ? 2 : 1);
}

DYNFEED_TEST_MAIN(tst_VTVoice)
#include "tst_VTVoice.moc"
