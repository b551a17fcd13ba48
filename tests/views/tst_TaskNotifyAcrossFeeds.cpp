#include <QPushButton>
#include <QTest>

#include "PSVPushService.h"
#include "PrjTaskStorager.h"
#include "ProjectManager.h"
#include "common/TestMain.h"
#include "common/TestMessages.h"
#include "views/DynScrollArea.h"

namespace {

/// The operation buttons of a feed, top first, as "text:1" (enabled) or "text:0".
QStringList buttons(const DynScrollArea &feed)
{
    QStringList shown;
    for (const QPushButton *button :
        feed.findChildren<QPushButton *>(QStringLiteral("TaskInfoWdt_optBtn")))
        shown << button->text()
                + (button->isEnabled() ? QStringLiteral(":1") : QStringLiteral(":0"));
    return shown;
}

} // namespace

/// A reminder sent from one member's feed reaches another member's feed through the project
/// store and the push service, and disables the button there that it answers.

class tst_TaskNotifyAcrossFeeds : public QObject
{
    Q_OBJECT

private slots:

    void remindDisablesTheOtherFeedsButton()
    {
        const QString prj = QStringLiteral("9301");
        // Sender 3003 may remind receiver 3004 of task 77.
        pb_im_t_msg_item task = TestMessages::taskItem(1785000000, 9301, 77, 1, 0, 9001);
        task.set_f_sender_id(3003);
        task.mutable_f_msg_task()->clear_f_receiver_uin();
        task.mutable_f_msg_task()->add_f_receiver_uin(3004);
        QCOMPARE(PSVPushService::publish(prj, TestMessages::message({ task })).size(), 1);

        DynScrollArea sender(false, nullptr);
        DynScrollArea receiver(false, nullptr);
        for (DynScrollArea *feed : { &sender, &receiver }) {
            feed->resize(600, 800);
            feed->show();
        }
        sender.setProjUserId(prj, QStringLiteral("3003"));
        receiver.setProjUserId(prj, QStringLiteral("3004"));
        QTRY_COMPARE(buttons(sender), QStringList { "立即通知他:1" });
        QTRY_COMPARE(buttons(receiver), QStringList { "立即通知他:1" });

        ProjectManager::setCurrentUser(QStringLiteral("3003"), QStringLiteral("王工"));
        sender.findChild<QPushButton *>(QStringLiteral("TaskInfoWdt_optBtn"))->click();

        // The reminder arrives in both feeds on top; the receiver acknowledges it, the sender not.
        QTRY_COMPARE(buttons(receiver), (QStringList { "立即通知他:0", "我知道了:1" }));
        QTRY_COMPARE(buttons(sender), (QStringList { "立即通知他:0", "我知道了:0" }));
        QCOMPARE(PrjTaskStorager::instance().taskOperations(QStringLiteral("9001")).size(), 1);
    }
};

DYNFEED_TEST_MAIN(tst_TaskNotifyAcrossFeeds)
#include "tst_TaskNotifyAcrossFeeds.moc"
