#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

#include "InformMsgBox.h"
#include "KMLabel.h"
#include "NFramelessDlg.h"
#include "PictureViewLbl.h"
#include "VTRightClickMenu.h"
#include "findKelmiWdt.h"

Q_DECLARE_METATYPE(Qt::MouseButton)

/// Counts the presses that reach it from its children.
class PressCounter : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        ++presses;
        event->accept();
    }
};

/// Counts the clicks a label delivers to slots.
class ClickReceiver : public QObject
{
    Q_OBJECT
public:
    int clicks = 0;
    QVariantList data;

public slots:
    void onClicked() { ++clicks; }
    void onClickedData(const QVariant &value) { data.append(value); }
};

class tst_UiUtility : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void labelClick_data();
    void labelClick();
    void labelQueuedDataFollowsData();
    void labelDisableClick();
    void labelDeletedByReceiver();
    void labelUnknownSlot();

    void prompt_data();
    void prompt();
    void promptFromWorkerThread();

    void findKelmiWdt_data();
    void findKelmiWdt();

    void framelessDrag_data();
    void framelessDrag();
    void framelessButtonDoesNotDrag();

    void pictureArea_data();
    void pictureArea();
    void pictureAreaInSmallWindow();

    void lineEditMenu_data();
    void lineEditMenu();
    void lineEditMenuActs();
};

void tst_UiUtility::cleanup()
{
    InformMsgBox::closeAll();
}

// Each connection is "slot", "SLOT()", "data", "data spaced", "callable" or "data SLOT()".
void tst_UiUtility::labelClick_data()
{
    QTest::addColumn<QStringList>("connections");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("slotCalls");
    QTest::addColumn<int>("dataCalls");
    QTest::addColumn<int>("callableCalls");
    QTest::addColumn<int>("parentPresses");

    QTest::newRow("slot, one press")
        << QStringList { "slot" } << Qt::LeftButton << 1 << 1 << 0 << 0 << 0;
    QTest::newRow("slot, three presses")
        << QStringList { "slot" } << Qt::LeftButton << 3 << 3 << 0 << 0 << 0;
    QTest::newRow("slot connected twice")
        << QStringList { "slot", "slot" } << Qt::LeftButton << 1 << 1 << 0 << 0 << 0;
    QTest::newRow("same slot as SLOT() and plain")
        << QStringList { "slot", "SLOT()" } << Qt::LeftButton << 2 << 2 << 0 << 0 << 0;
    QTest::newRow("data slot connected twice, spelled differently")
        << QStringList { "data", "data spaced", "data SLOT()" } << Qt::LeftButton << 1 << 0 << 1
        << 0 << 0;
    QTest::newRow("slot and data slot")
        << QStringList { "slot", "data" } << Qt::LeftButton << 2 << 2 << 2 << 0 << 0;
    QTest::newRow("callable") << QStringList { "callable" } << Qt::LeftButton << 2 << 0 << 0 << 2
                              << 0;
    QTest::newRow("everything") << QStringList { "slot", "data", "callable" } << Qt::LeftButton << 1
                                << 1 << 1 << 1 << 0;
    QTest::newRow("right button") << QStringList { "slot", "data", "callable" } << Qt::RightButton
                                  << 2 << 0 << 0 << 0 << 2;
    QTest::newRow("middle button")
        << QStringList { "slot", "data" } << Qt::MiddleButton << 1 << 0 << 0 << 0 << 1;
    QTest::newRow("nothing connected") << QStringList {} << Qt::LeftButton << 2 << 0 << 0 << 0 << 2;
}

void tst_UiUtility::labelClick()
{
    QFETCH(QStringList, connections);
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, presses);
    QFETCH(int, slotCalls);
    QFETCH(int, dataCalls);
    QFETCH(int, callableCalls);
    QFETCH(int, parentPresses);

    PressCounter parent;
    KMLabel label(QStringLiteral("Test_Label"), &parent);
    label.setData(QStringLiteral("photo.jpg"));
    ClickReceiver receiver;
    int callableRuns = 0;
    for (const QString &kind : connections) {
        if (kind == "slot")
            label.connectClicked(&receiver, "onClicked()", Qt::DirectConnection);
        else if (kind == "SLOT()")
            label.connectClicked(&receiver, SLOT(onClicked()), Qt::DirectConnection);
        else if (kind == "data")
            label.connectClickedData(
                &receiver, "onClickedData(const QVariant&)", Qt::DirectConnection);
        else if (kind == "data spaced")
            label.connectClickedData(
                &receiver, "onClickedData( const QVariant& )", Qt::DirectConnection);
        else if (kind == "data SLOT()")
            label.connectClickedData(
                &receiver, SLOT(onClickedData(QVariant)), Qt::DirectConnection);
        else if (kind == "callable")
            label.connectClicked(
                &receiver, [&callableRuns] { ++callableRuns; }, Qt::DirectConnection);
    }
    // A spy listens as well; with nothing else connected it would make the label clickable.
    std::unique_ptr<QSignalSpy> clickedSpy;
    if (!connections.isEmpty())
        clickedSpy = std::make_unique<QSignalSpy>(&label, &KMLabel::clicked);

    for (int i = 0; i < presses; ++i) {
        QTest::mousePress(&label, button);
        QTest::mouseRelease(&label, button);
    }

    QCOMPARE(receiver.clicks, slotCalls);
    QCOMPARE(receiver.data.size(), dataCalls);
    for (const QVariant &value : qAsConst(receiver.data))
        QCOMPARE(value.toString(), QStringLiteral("photo.jpg"));
    QCOMPARE(callableRuns, callableCalls);
    QCOMPARE(parent.presses, parentPresses);
    if (!connections.isEmpty()) {
        QCOMPARE(clickedSpy->count(), button == Qt::LeftButton ? presses : 0);
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    } else {
        QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
    }
}

void tst_UiUtility::labelQueuedDataFollowsData()
{
    KMLabel label(nullptr);
    ClickReceiver receiver;
    label.connectClickedData(&receiver, "onClickedData(const QVariant&)", Qt::QueuedConnection);

    label.setData(QStringLiteral("first.png"));
    QTest::mousePress(&label, Qt::LeftButton);
    label.setData(QStringLiteral("second.png"));
    QTest::mousePress(&label, Qt::LeftButton);
    // Queued: nothing has run yet, and each click carries the value it was made with.
    QCOMPARE(receiver.data.size(), 0);
    QTRY_COMPARE(receiver.data.size(), 2);
    QCOMPARE(receiver.data.at(0).toString(), QStringLiteral("first.png"));
    QCOMPARE(receiver.data.at(1).toString(), QStringLiteral("second.png"));
}

void tst_UiUtility::labelDisableClick()
{
    QWidget parent;
    KMLabel label(&parent);
    ClickReceiver receiver;
    int callableRuns = 0;
    label.connectClicked(&receiver, "onClicked()", Qt::DirectConnection);
    label.connectClicked(
        &receiver, [&callableRuns] { ++callableRuns; }, Qt::DirectConnection);
    label.connectClickedData(&receiver, "onClickedData(const QVariant&)", Qt::DirectConnection);

    label.disableClick();
    QSignalSpy clickedSpy(&label, &KMLabel::clicked);
    QTest::mousePress(&label, Qt::LeftButton);
    QCOMPARE(clickedSpy.count(), 0);
    QCOMPARE(receiver.clicks, 0);
    QCOMPARE(receiver.data.size(), 0);
    QCOMPARE(callableRuns, 0);
    QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);

    // The earlier connections stay gone when clicking is taken up again.
    label.connectClicked(&receiver, "onClicked()", Qt::DirectConnection);
    QTest::mousePress(&label, Qt::LeftButton);
    QCOMPARE(receiver.clicks, 1);
    QCOMPARE(receiver.data.size(), 0);
    QCOMPARE(callableRuns, 0);
}

void tst_UiUtility::labelDeletedByReceiver()
{
    auto *label = new KMLabel(nullptr);
    QPointer<KMLabel> guard(label);
    ClickReceiver receiver;
    label->connectClicked(
        &receiver, [label] { delete label; }, Qt::DirectConnection);
    label->connectClickedData(&receiver, "onClickedData(const QVariant&)", Qt::DirectConnection);

    QTest::mousePress(label, Qt::LeftButton);

    QVERIFY(guard.isNull());
    QCOMPARE(receiver.data.size(), 0);
}

void tst_UiUtility::labelUnknownSlot()
{
    KMLabel label(nullptr);
    ClickReceiver receiver;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^KMLabel: cannot connect .*onMissing"));
    label.connectClicked(&receiver, "onMissing()", Qt::DirectConnection);
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression("^KMLabel: cannot connect .*onClickedData"));
    // A data slot needs the value; a clicked() connection cannot give it.
    label.connectClicked(&receiver, "onClickedData(const QVariant&)", Qt::DirectConnection);

    QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
}

void tst_UiUtility::prompt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("withParent");

    QTest::newRow("plain, with parent") << QStringLiteral("Upload failed.") << true;
    QTest::newRow("markup stays text") << QStringLiteral("<b>bold</b> & <i>x</i>") << true;
    QTest::newRow("chinese, no parent") << QStringLiteral("操作失败！") << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_UiUtility::prompt()
{
    QFETCH(QString, text);
    QFETCH(bool, withParent);

    QWidget parent;
    parent.show();
    const int countBefore = InformMsgBox::promptCount();

    InformMsgBox::prompt(text, withParent ? &parent : nullptr);

    QCOMPARE(InformMsgBox::lastPrompt(), text);
    QCOMPARE(InformMsgBox::promptCount(), countBefore + 1);
    const QList<InformMsgBox *> boxes = InformMsgBox::openBoxes();
    QCOMPARE(boxes.size(), 1);
    InformMsgBox *box = boxes.first();
    QVERIFY(box->isVisible());
    QCOMPARE(box->isModal(), false);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(box->text(), text);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->parentWidget(), withParent ? &parent : nullptr);

    QPointer<InformMsgBox> guard(box);
    InformMsgBox::closeAll();
    QVERIFY(InformMsgBox::openBoxes().isEmpty());
    QTRY_VERIFY(guard.isNull());
}

void tst_UiUtility::promptFromWorkerThread()
{
    const int countBefore = InformMsgBox::promptCount();
    std::unique_ptr<QThread> worker(
        QThread::create([] { InformMsgBox::prompt(QStringLiteral("from worker"), nullptr); }));
    worker->start();
    QVERIFY(worker->wait(10000));

    QTRY_COMPARE(InformMsgBox::promptCount(), countBefore + 1);
    QCOMPARE(InformMsgBox::lastPrompt(), QStringLiteral("from worker"));
    const QList<InformMsgBox *> boxes = InformMsgBox::openBoxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first()->thread(), QThread::currentThread());
}

// Layouts: the widget sits inside a dialog that is a child window of main; names are set per row.
void tst_UiUtility::findKelmiWdt_data()
{
    QTest::addColumn<QString>("mainName");
    QTest::addColumn<QString>("dialogName");
    QTest::addColumn<bool>("dialogChildOfMain");
    QTest::addColumn<bool>("passWidget");
    QTest::addColumn<QString>("expected");

    QTest::newRow("main window is an ancestor") << "Kelmi"
                                                << "Viewer" << true << true << "Kelmi";
    QTest::newRow("main window is another top level") << "Kelmi"
                                                      << "Viewer" << false << true << "Kelmi";
    QTest::newRow("dialog itself named") << "Other"
                                         << "Kelmi" << false << true << "Kelmi";
    QTest::newRow("no main window, falls back to the window")
        << "Other"
        << "Viewer" << true << true << "Viewer";
    QTest::newRow("name differs in case") << "kelmi"
                                          << "Viewer" << false << true << "Viewer";
    QTest::newRow("no widget, main window exists") << "Kelmi"
                                                   << "Viewer" << false << false << "Kelmi";
    QTest::newRow("no widget, nothing named") << "Other"
                                              << "Viewer" << false << false << "";
}

void tst_UiUtility::findKelmiWdt()
{
    QFETCH(QString, mainName);
    QFETCH(QString, dialogName);
    QFETCH(bool, dialogChildOfMain);
    QFETCH(bool, passWidget);
    QFETCH(QString, expected);

    QWidget mainWindow;
    mainWindow.setObjectName(mainName);
    mainWindow.show();
    QWidget otherWindow;
    QDialog dialog(dialogChildOfMain ? &mainWindow : &otherWindow);
    dialog.setObjectName(dialogName);
    auto *frame = new QWidget(&dialog);
    auto *inner = new QLabel(frame);

    QWidget *found = ::findKelmiWdt(QStringLiteral("Kelmi"), passWidget ? inner : nullptr);

    if (expected.isEmpty()) {
        QCOMPARE(found, nullptr);
        return;
    }
    QVERIFY(found);
    QCOMPARE(found->objectName(), expected);
}

void tst_UiUtility::framelessDrag_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("pressAt");
    QTest::addColumn<QPoint>("moveTo");
    QTest::addColumn<QPoint>("expectedShift");

    QTest::newRow("left, down right")
        << Qt::LeftButton << QPoint(10, 10) << QPoint(60, 40) << QPoint(50, 30);
    QTest::newRow("left, up left")
        << Qt::LeftButton << QPoint(150, 100) << QPoint(120, 95) << QPoint(-30, -5);
    QTest::newRow("right button") << Qt::RightButton << QPoint(10, 10) << QPoint(60, 40)
                                  << QPoint(0, 0);
}

void tst_UiUtility::framelessDrag()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, pressAt);
    QFETCH(QPoint, moveTo);
    QFETCH(QPoint, expectedShift);

    NFramelessDlg dialog(nullptr);
    QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
    dialog.resize(200, 150);
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();

    // Through the window, as the platform delivers them: the pointer keeps its place on the
    // dialog, so window coordinates of later events shift with every move.
    QWindow *window = dialog.windowHandle();
    QTest::mousePress(window, button, {}, pressAt);
    QTest::mouseMove(window, moveTo);
    QTRY_COMPARE(dialog.pos(), start + expectedShift);
    QTest::mouseRelease(window, button, {}, moveTo - expectedShift);
    QVERIFY(!dialog.isDragging());

    // After the release a move carries the dialog no further.
    const QPoint settled = dialog.pos();
    QTest::mouseMove(window, QPoint(30, 30));
    QCOMPARE(dialog.pos(), settled);
}

void tst_UiUtility::framelessButtonDoesNotDrag()
{
    NFramelessDlg dialog(nullptr);
    auto *button = new QPushButton(QStringLiteral("Close"), &dialog);
    button->setGeometry(10, 10, 60, 30);
    dialog.resize(200, 150);
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();

    QWindow *window = dialog.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(button->isDown());
    QVERIFY(!dialog.isDragging());
    QTest::mouseMove(window, QPoint(150, 120));
    QCOMPARE(dialog.pos(), start);
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(150, 120));
}

void tst_UiUtility::pictureArea_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("area");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("wide, scaled down")
        << QSize(400, 200) << QSize(100, 100) << QRect(0, 25, 100, 50);
    QTest::newRow("tall, scaled down")
        << QSize(90, 300) << QSize(120, 100) << QRect(45, 0, 30, 100);
    QTest::newRow("small, kept and centred")
        << QSize(50, 20) << QSize(100, 100) << QRect(25, 40, 50, 20);
    QTest::newRow("exact fit") << QSize(100, 60) << QSize(100, 60) << QRect(0, 0, 100, 60);
}

void tst_UiUtility::pictureArea()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, area);
    QFETCH(QRect, expected);

    QPixmap pixmap(picture);
    pixmap.fill(QColor(200, 30, 30));
    PictureViewLbl label(nullptr);
    label.setStyleSheet(QStringLiteral("background: white;"));
    label.setPixmap(pixmap);
    label.resize(area);

    QCOMPARE(label.pictureRect(), expected);

    // What is painted matches: inside the picture red, outside the background.
    const QImage shot = label.grab().toImage();
    QCOMPARE(QColor(shot.pixel(expected.center())), QColor(200, 30, 30));
    if (expected.top() > 1)
        QCOMPARE(QColor(shot.pixel(expected.center().x(), expected.top() - 2)), QColor(Qt::white));
    if (expected.left() > 1)
        QCOMPARE(QColor(shot.pixel(expected.left() - 2, expected.center().y())), QColor(Qt::white));
}

void tst_UiUtility::pictureAreaInSmallWindow()
{
    // A large picture must not push the viewer beyond the size it chose for itself.
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(5, 5, 5, 5);
    auto *label = new PictureViewLbl(&window);
    layout->addWidget(label);
    QPixmap pixmap(1920, 1080);
    pixmap.fill(Qt::blue);
    label->setPixmap(pixmap);
    window.resize(600, 347);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.size(), QSize(600, 347));
    QCOMPARE(label->size(), QSize(590, 337));
    QCOMPARE(label->pictureRect().size(), QSize(590, 331));
}

void tst_UiUtility::lineEditMenu_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("typed"); // typed in rather than set, so undo has something
    QTest::addColumn<int>("selectFrom");
    QTest::addColumn<int>("selectLength");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("password");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QStringList>("enabled");

    QTest::newRow("empty, clipboard empty")
        << "" << false << 0 << 0 << false << false << "" << QStringList {};
    QTest::newRow("empty, clipboard has text")
        << "" << false << 0 << 0 << false << false << "clip" << QStringList { "paste" };
    QTest::newRow("text, nothing selected")
        << "page 12" << false << 0 << 0 << false << false << "" << QStringList { "selectAll" };
    QTest::newRow("typed text") << "12" << true << 0 << 0 << false << false << ""
                                << QStringList { "undo", "selectAll" };
    QTest::newRow("part selected") << "page 12" << false << 0 << 4 << false << false << "clip"
                                   << QStringList { "cut", "copy", "paste", "delete", "selectAll" };
    QTest::newRow("all selected") << "page 12" << false << 0 << 7 << false << false << ""
                                  << QStringList { "cut", "copy", "delete" };
    QTest::newRow("read only, part selected") << "page 12" << false << 5 << 2 << true << false
                                              << "clip" << QStringList { "copy", "selectAll" };
    QTest::newRow("password, part selected") << "secret" << false << 0 << 3 << false << true << ""
                                             << QStringList { "delete", "selectAll" };
}

void tst_UiUtility::lineEditMenu()
{
    QFETCH(QString, text);
    QFETCH(bool, typed);
    QFETCH(int, selectFrom);
    QFETCH(int, selectLength);
    QFETCH(bool, readOnly);
    QFETCH(bool, password);
    QFETCH(QString, clipboard);
    QFETCH(QStringList, enabled);

    QApplication::clipboard()->setText(clipboard);
    QLineEdit edit;
    if (typed)
        QTest::keyClicks(&edit, text);
    else
        edit.setText(text);
    if (selectLength > 0)
        edit.setSelection(selectFrom, selectLength);
    edit.setReadOnly(readOnly);
    if (password)
        edit.setEchoMode(QLineEdit::Password);

    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(120, 90));
    VTRightClickMenu *menu = VTRightClickMenu::popupRightClickMenu(&edit, &event);
    QVERIFY(menu);
    QVERIFY(event.isAccepted());
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->pos(), QPoint(120, 90));

    QStringList names;
    QStringList enabledNames;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator())
            continue;
        names.append(action->objectName());
        if (action->isEnabled())
            enabledNames.append(action->objectName());
    }
    QCOMPARE(names, QStringList({ "undo", "redo", "cut", "copy", "paste", "delete", "selectAll" }));
    QCOMPARE(enabledNames, enabled);

    QPointer<VTRightClickMenu> guard(menu);
    menu->close();
    QTRY_VERIFY(guard.isNull());
}

void tst_UiUtility::lineEditMenuActs()
{
    QLineEdit edit;
    edit.setText(QStringLiteral("page 12"));
    edit.setSelection(0, 5);
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), QPoint(50, 50));
    VTRightClickMenu *menu = VTRightClickMenu::popupRightClickMenu(&edit, &event);
    QVERIFY(menu);

    menu->findChild<QAction *>(QStringLiteral("delete"))->trigger();
    QCOMPARE(edit.text(), QStringLiteral("12"));
    menu->close();

    QCOMPARE(VTRightClickMenu::popupRightClickMenu(nullptr, &event), nullptr);
    QCOMPARE(VTRightClickMenu::popupRightClickMenu(&edit, nullptr), nullptr);
}

QTEST_MAIN(tst_UiUtility)
#include "tst_UiUtility.moc"
