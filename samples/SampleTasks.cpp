#include "samples/SampleTasks.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include "samples/SampleProject.h"

#include "DynKeys.h"

namespace {

const quint64 kProjectUid = 10086;
const qint64 kMinute = 60;

struct Voice
{
    const char *id;
    int seconds;
};

// As tools/gen_voice_notes.sh speaks them.
const Voice kGuardrail { "v-guardrail.amr", 12 };
const Voice kArchive { "v-archive.amr", 10 };
const Voice kAccepted { "v-accepted.amr", 11 };
const Voice kFixed { "v-fixed.amr", 11 };
const Voice kPump { "v-pump.amr", 7 };

QString voiceUrl(const Voice &voice)
{
    return QStringLiteral("https://files.example.com/voice/%1").arg(QLatin1String(voice.id));
}

struct Task
{
    quint64 id = 0;
    int type = TaskType::Acceptance;
    QString desc; // text, or empty for a voice note
    const Voice *voice = nullptr;
    QString position;
    QList<int> receivers; // member indexes
    qint64 end = 0;
    int status = TaskStatus::InProgress;
};

/// Writes the messages one after the other, a few minutes apart.
class Writer
{
public:
    Writer()
        : m_now(QDateTime(QDate(2026, 12, 1), QTime(7, 40), Qt::OffsetFromUTC, 8 * 3600)
                    .toSecsSinceEpoch())
    { }

    QList<pb_clt_t_user> messages() const { return m_messages; }

    void nextDay() { m_now += 22 * 60 * kMinute; }

    Task task(int type, const QString &desc, const Voice *voice, const QString &position,
        const QList<int> &receivers, int daysToEnd)
    {
        Task task;
        task.id = m_nextTaskId++;
        task.type = type;
        task.desc = desc;
        task.voice = voice;
        task.position = position;
        task.receivers = receivers;
        task.end = m_now + daysToEnd * 24 * 60 * kMinute;
        return task;
    }

    /// A task message of sender about the task asking operateType (0: asks nothing).
    pb_im_t_msg_item *taskMessage(quint32 itemType, int sender, const QString &what,
        const Task &task, int operateType, const QList<int> &operators = {})
    {
        pb_im_t_msg_item *item = newItem(itemType, sender, what);
        pb_im_t_msg_task *out = item->mutable_f_msg_task();
        out->set_f_prj_id(kProjectUid);
        out->set_f_task_id(task.id);
        out->set_f_task_type(task.type);
        out->set_f_position(task.position.toStdString());
        QStringList names;
        for (int receiver : task.receivers) {
            out->add_f_receiver_uin(m_members.at(receiver).uid);
            names << m_members.at(receiver).name;
        }
        out->set_f_assign_desc(names.join(QStringLiteral("、")).toStdString());
        out->set_f_task_end(task.end);
        out->set_f_task_status(task.status);
        if (task.voice) {
            out->set_f_task_desc(voiceUrl(*task.voice).toStdString());
            out->set_f_task_desc_type(DescType::Voice);
            out->set_f_task_desc_playtime(task.voice->seconds);
        } else {
            out->set_f_task_desc(task.desc.toStdString());
            out->set_f_task_desc_type(DescType::Text);
        }
        if (operateType > 0) {
            out->set_f_operate_type(operateType);
            for (int member : operators)
                out->add_f_operate_uin(m_members.at(member).uid);
            if (!operators.isEmpty())
                out->set_f_operate_status(1);
        }
        return item;
    }

    /// A report of sponsor on the task, as text or voice, with files named by their cloud ids.
    void report(int sponsor, int replyTo, const Task &task, const QString &title,
        const QString &text, const Voice *voice, const QStringList &files)
    {
        pb_im_t_msg_item *item = taskMessage(
            MsgType::TaskFollowUp, sponsor, QStringLiteral("提交了任务汇报"), task, 0);
        pb_prj_t_task_report *report = item->mutable_f_msg_task()->mutable_f_last_report();
        report->set_f_report_id(m_nextReportId++);
        report->mutable_f_sponsor()->set_f_uid(int(m_members.at(sponsor).uid));
        report->mutable_f_sponsor()->set_f_name(m_members.at(sponsor).name.toStdString());
        report->mutable_f_reply_to()->set_f_uid(int(m_members.at(replyTo).uid));
        report->mutable_f_reply_to()->set_f_name(m_members.at(replyTo).name.toStdString());
        report->set_f_title(title.toStdString());
        if (voice) {
            report->set_f_content(voiceUrl(*voice).toStdString());
            report->set_f_content_type(ReportContentType::Voice);
            report->set_f_playtime(voice->seconds);
        } else {
            report->set_f_content(text.toStdString());
            report->set_f_content_type(ReportContentType::Text);
        }
        for (const QString &file : files) {
            pb_im_t_msg_attach *attach = report->add_f_attach_list()->mutable_f_baseinfo();
            // Named by the id it is kept under: the feed shows a report's files by name.
            attach->set_f_attach_name(file.toStdString());
            attach->set_f_attach_id(file.toStdString());
            attach->set_f_attach_size(180 * 1024 + int(qHash(file) % 90000));
            attach->set_f_attach_type(AttachType::File);
        }
    }

    /// A drawing or sheet sent with a task, which the feed shows as an attachment record.
    void attach(pb_im_t_msg_item *item, const QString &file)
    {
        pb_im_t_msg_attach *attach = item->add_f_attch();
        attach->set_f_attach_name(file.toStdString());
        attach->set_f_attach_id(file.toStdString());
        attach->set_f_attach_size(640 * 1024 + int(qHash(file) % 300000));
        attach->set_f_attach_type(AttachType::File);
    }

private:
    pb_im_t_msg_item *newItem(quint32 type, int sender, const QString &what)
    {
        m_now += (17 + int(m_nextMsgId % 5) * 11) * kMinute;
        m_messages.append(pb_clt_t_user());
        pb_im_t_msg_item *item = m_messages.last().mutable_f_im_msg()->add_f_msg();
        const SampleMember &member = m_members.at(sender);
        item->set_f_msg_type(type);
        item->set_f_msg_id(m_nextMsgId++);
        item->set_f_msg_body((member.name + what).toStdString());
        item->set_f_sender_id(member.uid);
        item->set_f_sender_name(member.name.toStdString());
        item->set_f_send_time(m_now);
        return item;
    }

    const QList<SampleMember> m_members = SampleProject::members();
    qint64 m_now = 0;
    quint64 m_nextMsgId = 6820049900001ULL;
    quint64 m_nextTaskId = 5109001;
    quint64 m_nextReportId = 889001;
    QList<pb_clt_t_user> m_messages;
};

} // namespace

namespace SampleTasks {

QList<pb_clt_t_user> messages()
{
    // Members: 0 project manager, 1 chief engineer, 2 production manager, 5 and 8 site
    // foremen, 6 safety officer, 7 quality inspector, 9 document controller.
    Writer w;
    Task acceptance
        = w.task(TaskType::Acceptance, QStringLiteral("12层梁板钢筋隐蔽验收，请质量员和监理到场"),
            nullptr, QStringLiteral("1号楼12层"), { 7, 0 }, 1);
    pb_im_t_msg_item *item = w.taskMessage(
        MsgType::Task, 2, QStringLiteral("发布了任务"), acceptance, OperateType::Assign);
    w.attach(item, QStringLiteral("1号楼12层结构施工图.dwg"));

    Task guardrail = w.task(TaskType::Problem, QString(), &kGuardrail,
        QStringLiteral("1号楼东侧外架12层"), { 5, 0 }, 1);
    // The receivers have nothing to remind: only the sender (and others) may.
    w.taskMessage(
        MsgType::Task, 6, QStringLiteral("发布了任务"), guardrail, OperateType::Remind, { 5, 0 });

    Task drill
        = w.task(TaskType::Notice, QStringLiteral("周五上午9点开展消防应急演练，各班组负责人到场"),
            nullptr, QStringLiteral("生活区"), { 5, 6, 7, 8 }, 4);
    w.taskMessage(MsgType::Task, 0, QStringLiteral("发布了任务"), drill, OperateType::Assign);

    Task archive
        = w.task(TaskType::Other, QString(), &kArchive, QStringLiteral("资料室"), { 9, 0 }, 4);
    w.taskMessage(
        MsgType::Task, 1, QStringLiteral("发布了任务"), archive, OperateType::Acknowledge);

    w.taskMessage(MsgType::TaskFollowUp, 2, QStringLiteral("提醒周婷、王建国尽快处理任务"),
        acceptance, OperateType::AssignAcknowledged, { 2 });
    w.report(5, 6, guardrail, QStringLiteral("整改回复"),
        QStringLiteral("连墙件已补设14处，临边防护已补齐，附整改前后照片。"), nullptr,
        { QStringLiteral("整改前_东侧外架.jpg"), QStringLiteral("整改后_东侧外架.jpg"),
            QStringLiteral("整改回复单.pdf") });
    w.nextDay();

    w.report(7, 2, acceptance, QStringLiteral("验收情况"), QString(), &kAccepted,
        { QStringLiteral("12层梁板钢筋隐蔽验收记录.xlsx"),
            QStringLiteral("1号楼12层结构施工图.dwg") });
    w.taskMessage(MsgType::TaskFollowUp, 6, QStringLiteral("提醒杨帆、王建国尽快处理任务"),
        guardrail, OperateType::RemindAcknowledged, { 6 });
    Task pump = w.task(
        TaskType::Problem, QString(), &kPump, QStringLiteral("1号楼12层顶板"), { 8, 0 }, 1);
    w.taskMessage(MsgType::Task, 5, QStringLiteral("发布了任务"), pump, OperateType::Assign);
    w.report(6, 5, guardrail, QStringLiteral("复查意见"), QString(), &kFixed, {});
    w.taskMessage(MsgType::TaskFollowUp, 0, QStringLiteral("确认收到了任务提醒"), acceptance,
        OperateType::AssignAcknowledged, { 0 });
    w.nextDay();

    acceptance.status = TaskStatus::Completed;
    w.taskMessage(MsgType::Task, 2, QStringLiteral("完成了任务"), acceptance, 0);
    w.report(8, 0, pump, QStringLiteral("进度汇报"),
        QStringLiteral("泵车已到场，22点开始浇筑，约380方。"), nullptr,
        { QStringLiteral("浇筑申请单.pdf"), QStringLiteral("泵车就位.jpg") });
    guardrail.status = TaskStatus::Delayed;
    w.taskMessage(MsgType::Task, 6, QStringLiteral("修改了任务截止时间"), guardrail, 0);
    return w.messages();
}

QStringList voiceNoteIds()
{
    QStringList ids;
    for (const Voice *voice : { &kGuardrail, &kArchive, &kAccepted, &kFixed, &kPump })
        ids << QLatin1String(voice->id);
    return ids;
}

} // namespace SampleTasks
