#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

#include "CloudFileService.h"
#include "InformMsgBox.h"
#include "KMLabel.h"
#include "PictureViewLbl.h"
#include "VTRightClickMenu.h"
#include "VTVoice.h"
#include "common/TestEnvironment.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"
#include "findKelmiWdt.h"

/// Counts the presses that reach it from its children.
class PressCounter : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

/// Records the clicks a label delivers to slots.
class ClickReceiver : public QObject
{
    Q_OBJECT
public:
    QStringList calls;

public slots:
    void onClicked() { calls << QStringLiteral("slot"); }
    void onClickedData(const QVariant &value) { calls << value.toString(); }
};

/// The host's UI helpers: clickable label, information box, main-widget lookup, picture area,
/// line-edit menu, and the voice player without a sound device (as on CI): a note is fetched and
/// checked, and what cannot be played says so on the widget and in one log line; no media
/// pipeline is built.

class tst_UiUtility : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { QTRY_COMPARE(CloudFileStore::runningTransfers(), 0); }
    void cleanup() { InformMsgBox::closeAll(); }

private:
    QTemporaryDir m_dir;
    const ScopedEnvironment m_noAudio { "DYNFEED_NO_AUDIO", "1" };
    const ScopedEnvironment m_tmpDir { "TMPDIR", m_dir.filePath("sys").toLocal8Bit() };
private slots:

    void labelClick_data()
    {
        // Connections in order ("disable" drops them); what one click with button delivers.
        QTest::addColumn<QStringList>("connections");
        QTest::addColumn<bool>("left");
        QTest::addColumn<QStringList>("calls"); // "parent": the press went on to the parent

        const QStringList all { "onClicked()", "onClickedData(const QVariant&)", "callable" };
        QTest::newRow("slot, data slot, callable")
            << all << true << QStringList { "slot", "run", "x" };
        QTest::newRow("one slot connected three ways")
            << QStringList { "onClickedData(const QVariant&)", "onClickedData( const QVariant& )",
                   SLOT(onClickedData(QVariant)) }
            << true << QStringList { "x" };
        QTest::newRow("right button") << all << false << QStringList { "parent" };
        QTest::newRow("disabled") << (QStringList(all) << "disable") << true
                                  << QStringList { "parent" };
        QTest::newRow("connected again") << (QStringList(all) << "disable"
                                                              << "onClicked()")
                                         << true << QStringList { "slot" };
    }

    void labelClick()
    {
        QFETCH(QStringList, connections);
        QFETCH(bool, left);
        QFETCH(QStringList, calls);
        PressCounter parent;
        KMLabel label(QStringLiteral("Test_Label"), &parent);
        label.setData(QStringLiteral("x"));
        ClickReceiver receiver;
        for (const QString &slot : connections) {
            const QByteArray signature = slot.toLatin1();
            if (slot == "disable")
                label.disableClick();
            else if (slot == "callable")
                label.connectClicked(&receiver, [&receiver] { receiver.calls << "run"; });
            else if (slot.contains("Data"))
                label.connectClickedData(&receiver, signature.constData());
            else
                label.connectClicked(&receiver, signature.constData());
        }
        QTest::mouseClick(&label, left ? Qt::LeftButton : Qt::RightButton);
        if (parent.presses > 0)
            receiver.calls << QStringLiteral("parent");
        QCOMPARE(receiver.calls, calls);
        const bool clickable = !connections.isEmpty() && connections.constLast() != "disable";
        QCOMPARE(label.cursor().shape(), clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }

    void labelLifetime()
    {
        // Queued, each click carries the value it was made with.
        KMLabel label(nullptr);
        ClickReceiver receiver;
        label.connectClickedData(&receiver, "onClickedData(const QVariant&)", Qt::QueuedConnection);
        label.setData(QStringLiteral("first"));
        QTest::mouseClick(&label, Qt::LeftButton);
        label.setData(QStringLiteral("second"));
        QTest::mouseClick(&label, Qt::LeftButton);
        QVERIFY(receiver.calls.isEmpty());
        QTRY_COMPARE(receiver.calls, QStringList({ "first", "second" }));

        // A receiver may delete the label in its click; nothing runs on it afterwards.
        QPointer<KMLabel> doomed(new KMLabel(nullptr));
        doomed->connectClicked(&receiver, [&doomed] { delete doomed; });
        doomed->connectClickedData(&receiver, "onClickedData(const QVariant&)");
        QTest::mousePress(doomed, Qt::LeftButton);
        QVERIFY(doomed.isNull());
        QCOMPARE(receiver.calls.size(), 2);

        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression("^KMLabel: cannot connect .*onMissing"));
        label.connectClicked(&receiver, "onMissing()");
    }

    void prompt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fromWorker"); // without a parent

        QTest::newRow("markup stays text") << QStringLiteral("<b>bold</b> & x") << false;
        QTest::newRow("from a worker thread") << QStringLiteral("操作失败！") << true;
    }

    void prompt()
    {
        QFETCH(QString, text);
        QFETCH(bool, fromWorker);
        QWidget parent;
        const int countBefore = InformMsgBox::promptCount();
        std::unique_ptr<QThread> worker(QThread::create(InformMsgBox::prompt, text, nullptr));
        if (fromWorker) // handed to the GUI thread
            worker->start();
        else
            InformMsgBox::prompt(text, &parent);
        QVERIFY(worker->wait(10000));

        QTRY_COMPARE(InformMsgBox::promptCount(), countBefore + 1);
        QCOMPARE(InformMsgBox::lastPrompt(), text);
        QCOMPARE(InformMsgBox::openBoxes().size(), 1);
        QPointer<InformMsgBox> box = InformMsgBox::openBoxes().first();
        QVERIFY(box->isVisible() && !box->isModal() && box->thread() == qApp->thread());
        QCOMPARE(box->text(), text);
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QCOMPARE(box->parentWidget(), fromWorker ? nullptr : &parent);
        InformMsgBox::closeAll();
        QTRY_VERIFY(box.isNull() && InformMsgBox::openBoxes().isEmpty());
    }

    void findKelmiWdt_data()
    {
        // A label in a dialog that is a child window of the main window or of another one.
        QTest::addColumn<QString>("mainName");
        QTest::addColumn<bool>("dialogOfMain");
        QTest::addColumn<bool>("passWidget");
        QTest::addColumn<QString>("expected");

        QTest::newRow("main window is another top level") << "Kelmi" << false << true << "Kelmi";
        QTest::newRow("none: the widget's window") << "Other" << true << true << "Viewer";
        QTest::newRow("name differs in case") << "kelmi" << false << true << "Viewer";
        QTest::newRow("no widget") << "Kelmi" << false << false << "Kelmi";
        QTest::newRow("no widget, none") << "Other" << false << false << QString();
    }

    void findKelmiWdt()
    {
        QFETCH(QString, mainName);
        QFETCH(bool, dialogOfMain);
        QFETCH(bool, passWidget);
        QWidget mainWindow, otherWindow;
        mainWindow.setObjectName(mainName);
        mainWindow.show();
        QDialog dialog(dialogOfMain ? &mainWindow : &otherWindow);
        dialog.setObjectName(QStringLiteral("Viewer"));
        auto *inner = new QLabel(new QWidget(&dialog));
        QWidget *found = ::findKelmiWdt(QStringLiteral("Kelmi"), passWidget ? inner : nullptr);
        QTEST(found ? found->objectName() : QString(), "expected");
    }

    void pictureArea_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("expected"); // in an area of 100 by 100

        QTest::newRow("wide, scaled down") << QSize(400, 200) << QRect(0, 25, 100, 50);
        QTest::newRow("small, kept and centred") << QSize(50, 20) << QRect(25, 40, 50, 20);
    }

    void pictureArea()
    {
        QFETCH(QSize, picture);
        QFETCH(QRect, expected);
        // In a window of its own size, which a large picture may not push open.
        QWidget window;
        auto *label = new PictureViewLbl(&window);
        (new QVBoxLayout(&window))->addWidget(label);
        window.layout()->setContentsMargins(0, 0, 0, 0);
        label->setStyleSheet(QStringLiteral("background: white;"));
        QPixmap pixmap(picture);
        pixmap.fill(Qt::red);
        label->setPixmap(pixmap);
        window.resize(100, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), QSize(100, 100));
        QCOMPARE(label->pictureRect(), expected);
        // Painted there, the background around it.
        const QImage shot = label->grab().toImage();
        COMPARE_COLORS(shot.pixelColor(expected.center()), QColor(Qt::red));
        COMPARE_COLORS(shot.pixelColor(50, expected.top() - 2), QColor(Qt::white));
    }

    void lineEditMenu_data()
    {
        QTest::addColumn<QString>("text"); // typed in, so that undo has something, when it is "12"
        QTest::addColumn<QPoint>("selection"); // start and length
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QStringList>("enabled");

        const QStringList partly { "cut", "copy", "paste", "delete", "selectAll" };
        QTest::newRow("empty, clipboard has text")
            << "" << QPoint() << "c" << QStringList { "paste" };
        QTest::newRow("typed text")
            << "12" << QPoint() << "" << QStringList { "undo", "selectAll" };
        QTest::newRow("part selected") << "page 12" << QPoint(0, 4) << "c" << partly;
        QTest::newRow("read only")
            << "read only" << QPoint(5, 2) << "c" << QStringList { "copy", "selectAll" };
        QTest::newRow("password") << "password" << QPoint(0, 3) << ""
                                  << QStringList { "delete", "selectAll" };
    }

    void lineEditMenu()
    {
        QFETCH(QString, text);
        QFETCH(QPoint, selection);
        QFETCH(QString, clipboard);
        QFETCH(QStringList, enabled);
        QApplication::clipboard()->setText(clipboard);
        QLineEdit edit;
        if (text == "12")
            QTest::keyClicks(&edit, text);
        else
            edit.setText(text);
        edit.setSelection(selection.x(), selection.y());
        edit.setReadOnly(text == "read only");
        edit.setEchoMode(text == "password" ? QLineEdit::Password : QLineEdit::Normal);

        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(120, 90));
        QCOMPARE(VTRightClickMenu::popupRightClickMenu(nullptr, &event), nullptr);
        QCOMPARE(VTRightClickMenu::popupRightClickMenu(&edit, nullptr), nullptr);
        QPointer<VTRightClickMenu> menu = VTRightClickMenu::popupRightClickMenu(&edit, &event);
        QVERIFY(menu && event.isAccepted() && menu->isVisible());
        QCOMPARE(menu->pos(), QPoint(120, 90));
        QStringList enabledNames;
        for (QAction *action : menu->actions()) {
            if (action->isEnabled() && !action->isSeparator())
                enabledNames << action->objectName();
        }
        QCOMPARE(enabledNames, enabled);

        if (enabled.contains("delete")) { // the actions act on the edit
            menu->findChild<QAction *>(QStringLiteral("delete"))->trigger();
            QCOMPARE(edit.text().size(), text.size() - selection.y());
        }
        menu->close();
        QTRY_VERIFY(menu.isNull());
    }

    void initTestCase()
    {
        QVERIFY(QDir().mkpath(m_dir.filePath("sys")));
        CloudFileStore::setRootPath(m_dir.filePath("cloud"));
        QVERIFY(TestPictures::writeFile(
            CloudFileStore::filePath("f-amr.amr"), "#!AMR\n" + QByteArray(320, '\x3c')));
        QVERIFY(TestPictures::writeFile(m_dir.filePath("noise.amr"), QByteArray(320, '\x7f')));
    }

    void voice_data()
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

    void voice()
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
};

DYNFEED_TEST_MAIN(tst_UiUtility)
#include "tst_UiUtility.moc"
