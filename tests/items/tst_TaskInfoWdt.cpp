#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "DynKeys.h"
#include "IPSVPrjTaskStorager.h"
#include "InformMsgBox.h"
#include "KMLabel.h"
#include "MessageContext.h"
#include "PSVPushService.h"
#include "PrjTaskStorager.h"
#include "ProjectManager.h"
#include "VTVoice.h"
#include "attach/DldPictureLabel.h"
#include "attach/FileDisplayWdt.h"
#include "attach/KMButton.h"
#include "common/RecordingHost.h"
#include "common/TestMain.h"
#include "common/TestMessages.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "items/ContentWdtFactory.h"
#include "items/SingleDynamicWdt.h"
#include "items/TaskInfoWdt.h"
#include "items/TaskReportWdt.h"
#include "views/DynamicPage.h"

#include <memory>

namespace {

using Hash = QVariantHash;

std::unique_ptr<AbsContentWdt> build(const Hash &content, const Hash &extra = Hash())
{
    SDynData record(SDynData::KindTask);
    record.text = QStringLiteral("发布了任务");
    record.content = content;
    record.extra = extra;
    return std::unique_ptr<AbsContentWdt>(createContentWdt(&record));
}

/// What the item shows, in one line: description, rows (highlighted with a star), attachments,
/// corner.
QString describe(const AbsContentWdt &item)
{
    QStringList parts;
    if (item.findChild<VTVoice *>())
        parts << QStringLiteral("voice");
    if (item.findChild<KMLabel *>(QStringLiteral("TaskInfoWdt_Desc")))
        parts << QStringLiteral("desc");
    for (const KMLabel *label : item.findChildren<KMLabel *>()) {
        const QString name = label->objectName();
        if (name == QLatin1String("TaskInfoWdt_Info"))
            parts << label->text();
        else if (name == QLatin1String("TaskInfoWdt_Highlight"))
            parts << QLatin1Char('*') + label->text();
        else if (name == QLatin1String("TaskInfoWdt_Mark"))
            parts << QStringLiteral("mark:") + label->text();
    }
    for (const QObject *child : item.children()) {
        if (qobject_cast<const DldPictureLabel *>(child))
            parts << QStringLiteral("picture");
        else if (qobject_cast<const FileDisplayWdt *>(child))
            parts << QStringLiteral("file:")
                    + child->findChild<KMLabel *>("FileDisplayWdt_fileNameLabel")->text();
    }
    for (const QPushButton *button : item.findChildren<QPushButton *>())
        parts << button->text() + (button->isEnabled() ? QString() : QStringLiteral("(off)"));
    return parts.join(QLatin1Char(' '));
}

Hash rows(const QString &type = QStringLiteral("问题项"))
{
    return { { DynKey::taskId, "77" }, { DynKey::type, type }, { DynKey::location, "1号楼" },
        { DynKey::people, "赵磊" }, { DynKey::time, "End Time2026-11-05 18:00" } };
}

Hash with(Hash hash, const Hash &more)
{
    for (auto it = more.cbegin(); it != more.cend(); ++it)
        hash.insert(it.key(), it.value());
    return hash;
}

Hash notification(int operateType)
{
    return { { DynKey::operateType, operateType }, { DynKey::receiverUids, QStringList { "3003" } },
        { DynKey::msgId, "9001" }, { DynKey::taskId, "77" }, { DynKey::userId, "3003" } };
}

const QString kRows = QStringLiteral("问题项 1号楼 赵磊 End Time2026-11-05 18:00");

/// What a task report shows, in its order: text or voice of the report and of the task,
/// attachments.
QString describeReport(const AbsContentWdt &report)
{
    QStringList parts;
    for (QObject *child : report.children()) {
        const QString name = child->objectName();
        const auto *label = qobject_cast<KMLabel *>(child);
        if (auto *voice = qobject_cast<VTVoice *>(child))
            parts << QStringLiteral("voice:") + voice->stateText();
        else if (auto *tile = qobject_cast<FileDisplayWdt *>(child))
            parts << QStringLiteral("file:")
                    + tile->findChild<QWidget *>()->property("filepath").toString();
        else if (qobject_cast<DldPictureLabel *>(child))
            parts << QStringLiteral("picture");
        else if (name == QLatin1String("TaskReportWdt_Text"))
            parts << QStringLiteral("text:") + label->text();
        else if (name == QLatin1String("TaskReportWdt_Spacer"))
            parts << QStringLiteral("spacer");
        else if (name == QLatin1String("TaskReportWdt_TaskDescLbl"))
            parts << QStringLiteral("task:") + label->text();
        else if (name == QLatin1String("TaskInfoWdt_Desc"))
            parts << QStringLiteral("desc:") + label->text();
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

/// The task item: what it shows for each kind of task, its button through the project store,
/// and the notifications that disable that button; the task report item: report and task part
/// as text or voice, attachments taken whole, and the View button.

class tst_TaskInfoWdt : public QObject
{
    Q_OBJECT

private slots:

    void init()
    {
        InformMsgBox::closeAll();
        ProjectManager::setCurrentUser(QStringLiteral("2002"), QStringLiteral("李工"));
    }

    void cleanup()
    {
        PrjTaskStorager::setFailAfter(-1);
        ProjectManager::installStorager(StoragerType_PrjTask, nullptr);
        InformMsgBox::closeAll();
    }

    void content_data()
    {
        QTest::addColumn<Hash>("content");
        QTest::addColumn<Hash>("extra");
        QTest::addColumn<QString>("shown");

        const Hash voice { { "desc", "https://files.example.com/voice/f-1.amr" } };
        QTest::newRow("voice note") << with(rows(), voice) << Hash() << "voice " + kRows + " View";
        QTest::newRow(".AMR is text")
            << with(rows(), { { "desc", "f-1.AMR" } }) << Hash() << "desc " + kRows + " View";
        QTest::newRow("other: no time row")
            << rows(QStringLiteral("其他")) << Hash() << "其他 1号楼 赵磊 View";
        QTest::newRow("notice: no time row")
            << rows(QStringLiteral("通知项")) << Hash() << "通知项 1号楼 赵磊 View";
        QTest::newRow("highlight people") << with(rows(), { { "highlight", "people" } }) << Hash()
                                          << "问题项 1号楼 *赵磊 End Time2026-11-05 18:00 View";
        QTest::newRow("highlight naming no row")
            << with(rows(), { { "highlight", "desc" } }) << Hash() << kRows + " View";
        QTest::newRow("done, no operation")
            << with(rows(), { { "status", 1 } }) << notification(0) << kRows + " mark:已完成";
        QTest::newRow("open, no operation, no task id")
            << Hash { { "desc", "x" }, { "status", 0 } } << notification(0) << "desc";
        QTest::newRow("notify without msgid: View")
            << rows() << Hash { { "operate_type", 3 }, { "receiver_uids", QStringList { "1" } } }
            << kRows + " View";
        QTest::newRow("notify") << rows() << notification(1) << kRows + " 立即通知他";
        QTest::newRow("done and notify share the corner") << with(rows(),
            { { "status", 1 } }) << notification(3) << kRows + " mark:已完成 立即通知他";
        QTest::newRow("acknowledge") << rows() << notification(5) << kRows + " 我知道了";
        QTest::newRow("acknowledged already")
            << rows()
            << with(notification(2),
                   { { "operator_status", 1 }, { "operate_uids", QStringList { "3003" } } })
            << kRows + " 我知道了(off)";
        QTest::newRow("notify, no user")
            << rows() << with(notification(1), { { "operator_status", 0 }, { "userid", "" } })
            << kRows + " 立即通知他(off)";
        QTest::newRow("operate type 6: View") << rows() << notification(6) << kRows + " View";
        const QStringList files { "现场.jpg-_-f-11.jpg", "方案.pdf-_-f-12", "无编号.pdf",
            "a-_-b-_-c" };
        QTest::newRow("attachments: a name and an id, or skipped") << with(rows(),
            { { "attach_list", files } }) << Hash() << kRows + " picture file:方案.pdf View";
    }

    void content()
    {
        QFETCH(Hash, content);
        QFETCH(Hash, extra);
        QFETCH(QString, shown);
        const auto item = build(content, extra);
        QVERIFY(item);
        QCOMPARE(describe(*item), shown.trimmed());
    }

    void synTaskNotify_data()
    {
        QTest::addColumn<QList<int>>("operateTypes"); // of the items, top first, all on task 77
        QTest::addColumn<int>("noteType");
        QTest::addColumn<QString>("enabled"); // per item after the note: 1 enabled, 0 disabled

        QTest::newRow("2 answers 1, once") << QList<int> { 3, 1, 1 } << 2 << "101";
        QTest::newRow("4 answers 3") << QList<int> { 1, 3 } << 4 << "10";
        QTest::newRow("2 answers no 3") << QList<int> { 3 } << 2 << "1";
        QTest::newRow("any note ends an acknowledgement") << QList<int> { 3, 5, 2 } << 1 << "101";
        QTest::newRow("other task") << QList<int> { 1, 2 } << -2 << "11";
    }

    void synTaskNotify()
    {
        QFETCH(QList<int>, operateTypes);
        QFETCH(int, noteType);
        QFETCH(QString, enabled);
        DynamicPage page(nullptr);
        std::vector<std::unique_ptr<SDynData>> records;
        for (int type : operateTypes) {
            records.push_back(std::make_unique<SDynData>(SDynData::KindTask));
            records.back()->text = QStringLiteral("任务");
            records.back()->content = rows();
            records.back()->extra = notification(type);
            page.addDynInfo(records.back().get(), true);
        }
        // A negative type stands for a note on another task.
        Hash note = notification(qAbs(noteType));
        if (noteType < 0)
            note.insert(DynKey::taskId, QStringLiteral("88"));
        page.onSynTaskNotify(note);
        page.onSynTaskNotify(note); // a second note finds the disabled buttons still there

        QString found;
        for (QPushButton *button :
            page.findChildren<QPushButton *>(QStringLiteral("TaskInfoWdt_optBtn")))
            found += button->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE(found, enabled);
    }

    void operation_data()
    {
        QTest::addColumn<int>("operateType");
        QTest::addColumn<QStringList>("receivers");
        QTest::addColumn<int>("failAfter"); // operations the store takes; -1 all
        QTest::addColumn<bool>("bareStore"); // the host's store for tasks is not a task store
        QTest::addColumn<int>("operations"); // recorded afterwards
        QTest::addColumn<int>("answers"); // messages published
        QTest::addColumn<bool>("done"); // button disabled, no failure text

        const QStringList three { "3003", "3004", "3005" };
        QTest::newRow("remind three") << 1 << three << -1 << false << 3 << 1 << true;
        QTest::newRow("remind, store full at the second")
            << 3 << three << 1 << false << 1 << 1 << false;
        QTest::newRow("remind, second is no user")
            << 1 << QStringList { "3003", "x", "3005" } << -1 << false << 1 << 1 << false;
        QTest::newRow("acknowledge, once per receiver")
            << 2 << three << -1 << false << 3 << 1 << true;
        QTest::newRow("acknowledge, store full at the second")
            << 4 << three << 1 << false << 1 << 1 << false;
        QTest::newRow("no task store") << 1 << three << -1 << true << 0 << 0 << false;
    }

    void operation()
    {
        QFETCH(int, operateType);
        QFETCH(QStringList, receivers);
        QFETCH(int, failAfter);
        QFETCH(bool, bareStore);
        QFETCH(int, operations);
        QFETCH(int, answers);
        QFETCH(bool, done);
        static int project = 9100;
        const QString prj = QString::number(++project);
        const quint64 msgId = 700000 + quint64(project);

        // The notification as the push service stores it and a personal feed converts it.
        pb_im_t_msg_item item
            = TestMessages::taskItem(1785000000, prj.toULongLong(), 77, operateType, 1, msgId);
        item.mutable_f_msg_task()->clear_f_receiver_uin();
        for (const QString &receiver : receivers)
            item.mutable_f_msg_task()->add_f_receiver_uin(receiver.toULongLong());
        const pb_clt_t_user message = TestMessages::message({ item });
        QCOMPARE(PSVPushService::publish(prj, message).size(), 1);
        DynMsgConverter converter(false);
        converter.setPrjId(prj);
        converter.setUserId(QStringLiteral("2002"));
        const QList<SDynData *> converted = converter.convert(MessageContext { prj, &message });
        QCOMPARE(converted.size(), 1);
        std::unique_ptr<SDynData> record(converted.first());
        record->extra.insert(DynKey::receiverUids, receivers); // as the test row names them

        IVestigialStorager bare;
        if (bareStore) {
            ProjectManager::installStorager(StoragerType_PrjTask, &bare);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no task store"));
        }
        PrjTaskStorager::setFailAfter(failAfter);
        if (failAfter >= 0)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot record the operation"));
        if (receivers.contains(QStringLiteral("x")))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot remind.*not a user id"));

        SingleDynamicWdt widget(nullptr);
        widget.setDynData(record.get());
        auto *button = widget.findChild<QPushButton *>(QStringLiteral("TaskInfoWdt_optBtn"));
        QVERIFY(button && button->isEnabled());
        const int prompts = InformMsgBox::promptCount();
        button->click();

        QCOMPARE(button->isEnabled(), !done);
        QCOMPARE(InformMsgBox::promptCount(), prompts + (done ? 0 : 1));
        if (!done)
            QCOMPARE(InformMsgBox::lastPrompt(), QStringLiteral("通知用户失败"));
        QCOMPARE(
            PrjTaskStorager::instance().taskOperations(QString::number(msgId)).size(), operations);
        int first = 0;
        int newest = 0;
        PSVPushService::groupSeqIds(prj, &first, &newest);
        QCOMPARE(newest - 1, answers);
    }

    void report_data()
    {
        QTest::addColumn<Hash>("content");
        QTest::addColumn<QString>("shown");

        const QStringList files { "a-_-b.pdf", "整改照片.jpg", "https://x.example/img/f-1.png" };
        QTest::newRow("text, files taken whole, task") << Hash {
            { "content", "已整改" }, { "task_desc", "补设临边防护" }, { "attach_list", files }
        } << "text:已整改 file:a-_-b.pdf picture picture spacer task:Come from task 补设临边防护";
        QTest::newRow("voice report, voice task")
            << Hash { { "content", "https://x.example/voice/f-2.amr" }, { "task_desc", "f-3.amr" },
                   { "task_desc_play_time", 9 } }
            << "voice:0:01 spacer voice:0:09 desc:Come from task ";
        QTest::newRow("no report, no task")
            << Hash { { "attach_list", QVariant(files.mid(0, 1)) } } << "file:a-_-b.pdf";
        QTest::newRow(".AMR report is text") << Hash { { "content", "f-4.AMR" } } << "text:f-4.AMR";
    }

    void report()
    {
        QFETCH(Hash, content);
        QFETCH(QString, shown);
        SDynData record(SDynData::KindTaskReport);
        record.text = QStringLiteral("杨帆回复王建国");
        record.content = content;
        std::unique_ptr<AbsContentWdt> report(createContentWdt(&record));
        QVERIFY(qobject_cast<TaskReportWdt *>(report.get()));
        QCOMPARE(describeReport(*report), shown);
    }

    void reportViewButton()
    {
        RecordingHost host;
        SDynData record(SDynData::KindTaskReport);
        record.text = QStringLiteral("汇报");
        record.content = { { DynKey::content, "完成" }, { DynKey::taskId, "5102001" } };
        std::unique_ptr<AbsContentWdt> report(createContentWdt(&record));
        auto *view = report->findChild<KMButton *>();
        QVERIFY(view);
        for (const QSize &size : { QSize(500, 300), QSize(640, 180) }) {
            report->resize(size);
            report->show();
            QTRY_COMPARE(view->x(), report->rect().right() - view->width() - 20);
            QCOMPARE(view->y(), report->rect().bottom() - view->height() - 15);
        }
        view->click();
        QCOMPARE(host.tasksShown, QStringList { QStringLiteral("5102001:0") });
    }
};

DYNFEED_TEST_MAIN(tst_TaskInfoWdt)
#include "tst_TaskInfoWdt.moc"
