#include "samples/SampleProject.h"
#include "samples/SampleTasks.h"

#include <QDate>
#include <QStringList>
#include <QTime>

#include <string>

#include "DynKeys.h"

namespace {

const quint64 kProjectUid = 10086;
// Phase one of the same site; some tasks are posted into both groups.
const quint64 kNeighbourProjectUid = 10010;
const int kSiteUtcOffset = 8 * 3600;
const int kDays = 28;
const qint64 kDay = 24 * 3600;
const qint64 kMinute = 60;

/// A 64-bit linear congruential generator (Knuth's MMIX constants): the same numbers everywhere.
class Lcg
{
public:
    explicit Lcg(quint64 seed)
        : m_state(seed)
    { }

    quint32 next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(m_state >> 33);
    }
    int below(int n) { return n <= 0 ? 0 : int(next() % quint32(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T> const T &pick(const QList<T> &list)
    {
        return list.at(below(list.size()));
    }

private:
    quint64 m_state;
};

std::string utf8(const QString &text)
{
    return text.toStdString();
}

QDateTime siteTime(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs, Qt::OffsetFromUTC, kSiteUtcOffset);
}

struct SampleTask
{
    quint64 id = 0;
    quint64 prjId = kProjectUid;
    QString desc;
    bool voice = false;
    int playtime = 0;
    int type = TaskType::Acceptance;
    QString position;
    int creator = 0;
    QList<int> receivers;
    qint64 end = 0;
    int status = TaskStatus::InProgress;
};

struct FileKind
{
    QString suffix;
    int minKb;
    int maxKb;
};

/// Writes the sample's story day by day. One builder makes one list; the order of every random
/// draw is fixed by the code, so the list never varies.
class SampleBuilder
{
public:
    SampleBuilder();
    QList<pb_clt_t_user> build();

private:
    void startDay(int day);
    void advance(int minMinutes, int maxMinutes);
    void scripted(int day);
    void randomEvent();
    void projectLog(int day);

    // Events; each appends one message.
    void chat(int member, const QString &text, int pictures = 0);
    void pictures(int member, int count);
    void fileMessage(int member);
    void voiceMessage(int member);
    SampleTask &newTask(int creator, int templateIndex = -1, bool voice = false);
    void remindTask(SampleTask &task);
    void acknowledgeTask(SampleTask &task, int member);
    void reportTask(SampleTask &task, quint32 itemType, bool sponsorNamed = true);
    void taskRecord(SampleTask &task, int recordType, int member);
    void reportRecord(SampleTask &task);
    void fileRecord(int recordType, int member, int fileCount);
    void plainRecord(int recordType, int member, const QString &text);
    void invite(int inviter, const QList<int> &invitees);
    void joined(int inviter, const QList<int> &newMembers);
    void editProjectInfo(int member, int variant);
    void taskDetailsOnly(const SampleTask &task);

    // Hostile messages: what a broken or malicious client could send.
    void markupName();
    void markupBody();
    void pathFileNames();
    void longBody();
    void emptySenderName();
    void controlCharsInName();
    void hostileReportAttachments();
    void typeSixWithoutTask();
    void forwardedConversation();

    pb_clt_t_user &newMessage();
    pb_im_t_msg_item *addItem(
        pb_clt_t_user &message, quint32 type, const SampleMember &sender, const QString &body);
    pb_im_t_msg_item *addRecordItem(
        pb_clt_t_user &message, int recordType, const SampleMember &sender, const QString &body);
    void setUser(pb_im_t_msg_prj_record_base_user *user, const SampleMember &member);
    void fillTask(pb_im_t_msg_task *out, const SampleTask &task);
    void fillFile(pb_im_t_msg_attach *attach, const QString &name);
    void fillPicture(pb_im_t_msg_attach *attach, qint64 takenAt);
    QString fileId();
    QString randomFileName();
    int randomMember();
    int randomManager();
    SampleTask *randomOpenTask();
    QString namesOf(const QList<int> &members) const;
    int floorOfDay(int day) const { return 12 + day / 3; }

    Lcg m_rng { 20261102 };
    QList<SampleMember> m_members = SampleProject::members();
    int m_joined = 5; // members 0..4 founded the project group
    qint64 m_start = SampleProject::startTime().toSecsSinceEpoch();
    qint64 m_dayStart = 0;
    qint64 m_now = 0;
    int m_day = 0;
    int m_itemCount = 0;
    int m_nextSeq = 1;
    quint64 m_nextMsgId = 6820041300001ULL;
    quint64 m_nextTaskId = 5102001;
    quint64 m_nextReportId = 880301;
    int m_reportCount = 0;
    QList<SampleTask> m_tasks;
    QList<pb_clt_t_user> m_messages;
};

SampleBuilder::SampleBuilder() = default;

QList<pb_clt_t_user> SampleBuilder::build()
{
    for (int day = 0; day < kDays; ++day) {
        startDay(day);
        const int weekday = QDate(2026, 11, 2).addDays(day).dayOfWeek();
        const int events = weekday == 7 ? m_rng.between(2, 4) : m_rng.between(7, 10);
        for (int i = 0; i < events; ++i) {
            // The project is set up before anything else happens on it.
            if (i == (day < 2 ? 0 : 1))
                scripted(day);
            randomEvent();
        }
        if (weekday != 7)
            projectLog(day);
    }
    return m_messages;
}

void SampleBuilder::startDay(int day)
{
    m_day = day;
    m_dayStart = m_start + day * kDay;
    m_now = qMax(m_now, m_dayStart + m_rng.between(0, 15) * kMinute);
}

void SampleBuilder::advance(int minMinutes, int maxMinutes)
{
    m_now += m_rng.between(minMinutes, maxMinutes) * kMinute + m_rng.below(60);
}

pb_clt_t_user &SampleBuilder::newMessage()
{
    advance(12, 75);
    m_messages.append(pb_clt_t_user());
    return m_messages.last();
}

pb_im_t_msg_item *SampleBuilder::addItem(
    pb_clt_t_user &message, quint32 type, const SampleMember &sender, const QString &body)
{
    pb_im_t_msg_item *item = message.mutable_f_im_msg()->add_f_msg();
    item->set_f_msg_type(type);
    // Every ninth item comes without a sequence number, as older clients sent them.
    if (m_itemCount++ % 9 != 4)
        item->set_f_msg_seq_id(m_nextSeq++);
    item->set_f_msg_id(m_nextMsgId++);
    item->set_f_msg_body(utf8(body));
    item->set_f_sender_id(sender.uid);
    item->set_f_sender_name(utf8(sender.name));
    item->set_f_send_time(m_now);
    return item;
}

pb_im_t_msg_item *SampleBuilder::addRecordItem(
    pb_clt_t_user &message, int recordType, const SampleMember &sender, const QString &body)
{
    pb_im_t_msg_item *item = addItem(message, MsgType::ProjectRecord, sender, body);
    pb_im_t_msg_prj_record *record = item->mutable_f_msg_prj_record();
    record->set_record_type(recordType);
    setUser(record->mutable_sender(), sender);
    return item;
}

void SampleBuilder::setUser(pb_im_t_msg_prj_record_base_user *user, const SampleMember &member)
{
    user->set_f_uid(member.uid);
    user->set_f_name(utf8(member.name));
    user->set_f_job_type(utf8(member.jobTitle));
}

QString SampleBuilder::fileId()
{
    return QStringLiteral("f-%1").arg(m_rng.next() & 0xffffff, 6, 16, QLatin1Char('0'));
}

void SampleBuilder::fillFile(pb_im_t_msg_attach *attach, const QString &name)
{
    static const QList<FileKind> kinds {
        { QStringLiteral("pdf"), 180, 6400 },
        { QStringLiteral("docx"), 30, 2100 },
        { QStringLiteral("xlsx"), 18, 900 },
        { QStringLiteral("dwg"), 900, 8600 },
        { QStringLiteral("zip"), 4800, 62000 },
        { QStringLiteral("jpg"), 700, 4200 },
        { QStringLiteral("png"), 160, 3100 },
    };
    const QString suffix = name.section(QLatin1Char('.'), -1).toLower();
    FileKind kind { QString(), 10, 500 };
    for (const FileKind &known : kinds) {
        if (known.suffix == suffix)
            kind = known;
    }
    const QString id = fileId();
    const int kb = m_rng.between(kind.minKb, kind.maxKb);
    const int extraBytes = m_rng.below(1024);
    attach->set_f_attach_name(utf8(name));
    attach->set_f_attach_size(kb * 1024 + extraBytes);
    attach->set_f_attach_id(utf8(id));
    attach->set_f_attach_url(utf8(QStringLiteral("https://files.example.com/f/") + id));
    attach->set_f_attach_type(AttachType::File);
}

void SampleBuilder::fillPicture(pb_im_t_msg_attach *attach, qint64 takenAt)
{
    const QString id = fileId();
    const int kb = m_rng.between(900, 4300);
    const int extraBytes = m_rng.below(1024);
    const QString name = QStringLiteral("IMG_%1.jpg")
                             .arg(siteTime(takenAt).toString(QStringLiteral("yyyyMMdd_hhmmss")));
    attach->set_f_attach_name(utf8(name));
    attach->set_f_attach_size(kb * 1024 + extraBytes);
    attach->set_f_attach_id(utf8(id));
    // Pictures are addressed by their URL, which ends in the picture's suffix.
    attach->set_f_attach_url(utf8(QStringLiteral("https://files.example.com/img/%1.jpg").arg(id)));
    attach->set_f_attach_type(AttachType::Picture);
}

QString SampleBuilder::randomFileName()
{
    static const QStringList names {
        QStringLiteral("1号楼%1层结构施工图.dwg"),
        QStringLiteral("超高层施工组织设计（修订版）.pdf"),
        QStringLiteral("塔吊安拆专项方案.docx"),
        QStringLiteral("11月份进度计划.xlsx"),
        QStringLiteral("钢筋进场台账.xlsx"),
        QStringLiteral("%1层隐蔽验收记录.docx"),
        QStringLiteral("幕墙深化图纸（第二版）.zip"),
        QStringLiteral("安全检查通报第%2期.pdf"),
        QStringLiteral("样板间效果图.jpg"),
        QStringLiteral("现场平面布置图.png"),
        QStringLiteral("监理例会纪要%3.docx"),
        QStringLiteral("混凝土浇筑申请单（%1层顶板）.pdf"),
        QStringLiteral("核心筒爬模系统计算书.pdf"),
        QStringLiteral("机电预留预埋图%1F.dwg"),
        QStringLiteral("劳务人员花名册.xlsx"),
        QStringLiteral("BIM模型_1号楼_结构.zip"),
    };
    const QString name = m_rng.pick(names);
    QString result = name;
    if (result.contains(QLatin1String("%1")))
        result = result.arg(floorOfDay(m_day));
    if (result.contains(QLatin1String("%2")))
        result = result.arg(21 + m_day / 7);
    if (result.contains(QLatin1String("%3")))
        result = result.arg(siteTime(m_now).toString(QStringLiteral("MMdd")));
    return result;
}

int SampleBuilder::randomMember()
{
    return m_rng.below(m_joined);
}

int SampleBuilder::randomManager()
{
    // Tasks come from the managers, the chief engineer and the safety and quality officers.
    static const QList<int> managers { 0, 1, 2, 4, 6, 7 };
    int member = m_rng.pick(managers);
    return member < m_joined ? member : 0;
}

SampleTask *SampleBuilder::randomOpenTask()
{
    QList<int> open;
    for (int i = 0; i < m_tasks.size(); ++i) {
        if (m_tasks.at(i).status != TaskStatus::Completed && m_tasks.at(i).prjId == kProjectUid)
            open << i;
    }
    if (open.isEmpty())
        return nullptr;
    return &m_tasks[m_rng.pick(open)];
}

QString SampleBuilder::namesOf(const QList<int> &members) const
{
    QStringList names;
    for (int member : members)
        names << m_members.at(member).name;
    return names.join(QStringLiteral("、"));
}

void SampleBuilder::fillTask(pb_im_t_msg_task *out, const SampleTask &task)
{
    out->set_f_prj_id(task.prjId);
    out->set_f_task_id(task.id);
    out->set_f_task_desc(utf8(task.desc));
    out->set_f_task_type(task.type);
    out->set_f_position(utf8(task.position));
    out->set_f_assign_desc(utf8(namesOf(task.receivers)));
    out->set_f_task_end(task.end);
    out->set_f_task_status(task.status);
    if (task.voice) {
        out->set_f_task_desc_type(DescType::Voice);
        out->set_f_task_desc_playtime(task.playtime);
    } else {
        out->set_f_task_desc_type(DescType::Text);
    }
}

void SampleBuilder::randomEvent()
{
    const int roll = m_rng.below(100);
    const int member = randomMember();
    if (roll < 26) {
        chat(member, QString());
    } else if (roll < 32) {
        chat(member, QString(), m_rng.between(1, 4));
    } else if (roll < 38) {
        pictures(member, m_rng.between(1, 6));
    } else if (roll < 44) {
        fileMessage(member);
    } else if (roll < 47) {
        voiceMessage(member);
    } else if (roll < 59) {
        newTask(randomManager(), -1, m_rng.chance(30));
    } else if (roll < 65) {
        if (SampleTask *task = randomOpenTask()) {
            if (m_rng.chance(50))
                remindTask(*task);
            else
                acknowledgeTask(*task, task->receivers.first());
        } else {
            newTask(randomManager());
        }
    } else if (roll < 77) {
        if (SampleTask *task = randomOpenTask())
            reportTask(*task, m_reportCount % 5 == 2 ? MsgType::Task : MsgType::TaskFollowUp);
        else
            newTask(randomManager());
    } else if (roll < 87) {
        if (SampleTask *task = randomOpenTask()) {
            static const QList<int> types { RecordType::TaskCreated,
                RecordType::TaskDeadlineChanged, RecordType::TaskCompleted,
                RecordType::TaskCompleted, RecordType::TaskHandedOver };
            const int type = m_rng.pick(types);
            taskRecord(*task, type,
                type == RecordType::TaskCompleted ? task->receivers.first() : task->creator);
        } else {
            newTask(randomManager());
        }
    } else if (roll < 91) {
        if (SampleTask *task = randomOpenTask())
            reportRecord(*task);
        else
            chat(member, QString());
    } else if (roll < 95) {
        fileRecord(RecordType::FileUploaded, member, m_rng.chance(25) ? 3 : 1);
    } else if (roll < 98) {
        fileRecord(RecordType::FileShared, member, 1);
    } else {
        static const QStringList notices {
            QStringLiteral(
                "发布了项目公告：本周六上午进行塔吊加节，期间塔吊覆盖范围内禁止交叉作业"),
            QStringLiteral("发布了项目公告：现场即日起实行实名制门禁，未录入人员不得进场"),
            QStringLiteral("更新了项目通讯录"),
        };
        plainRecord(RecordType::Announcement, 0, m_rng.pick(notices));
    }
}

void SampleBuilder::chat(int member, const QString &text, int pictureCount)
{
    static const QStringList lines {
        QStringLiteral("明天上午8点项目部会议室开周例会，各部门负责人准时参加。"),
        QStringLiteral("今天完成了%1层核心筒墙柱钢筋绑扎，下午报验。"),
        QStringLiteral("商砼站反馈今晚22点开始浇筑%1层楼板，约380方，请施工员提前安排夜班。"),
        QStringLiteral("东侧外架连墙件已补齐，请安全员复查。"),
        QStringLiteral("本周安全检查发现的问题已汇总，下午发群里。"),
        QStringLiteral("监理通知明天上午9点联合验收%1层梁板钢筋。"),
        QStringLiteral("塔吊司机证件年审资料请今天下班前交到资料室。"),
        QStringLiteral("进场的HRB400E钢筋已取样送检，报告周五出。"),
        QStringLiteral("Φ25钢筋库存不足，明天需补一车，商务部联系一下供应商。"),
        QStringLiteral("%1层顶板混凝土试块已制作，标养12组，同条件6组。"),
        QStringLiteral("劳务队今日出勤136人，其中钢筋工48人、木工52人。"),
        QStringLiteral("甲方代表下午两点来现场看样板间，请保持施工通道整洁。"),
        QStringLiteral("测量复核：%1层轴线偏差最大3mm，在允许范围内。"),
        QStringLiteral("下周一起生活区食堂错峰用餐，11:00开饭。"),
        QStringLiteral("收到，马上安排。"),
        QStringLiteral("好的，我下午过去看看。"),
        QStringLiteral("雨天注意临时用电，配电箱全部加盖防雨罩。"),
        QStringLiteral("本月进度款申报资料请各分包周三前报商务部。"),
        QStringLiteral("幕墙预埋件第二批已到场，存放在南侧堆场。"),
        QStringLiteral("施工电梯今天下午3点到5点停运维保，请各班组提前安排材料运输。"),
        QStringLiteral("核心筒爬模已顶升到位，明天开始%1层墙体钢筋。"),
        QStringLiteral("钢筋加工棚的切断机防护罩坏了，已停用报修。"),
    };
    QString line = text.isEmpty() ? m_rng.pick(lines) : text;
    if (line.contains(QLatin1String("%1")))
        line = line.arg(floorOfDay(m_day));
    const SampleMember &sender = m_members.at(member);
    pb_clt_t_user &message = newMessage();
    addItem(message, MsgType::Plain, sender, sender.name + QStringLiteral("：") + line);
    if (pictureCount > 0) {
        // A text with its photos, sent together.
        pb_im_t_msg_item *item = addItem(
            message, MsgType::Picture, sender, sender.name + QStringLiteral("发送了图片"));
        for (int i = 0; i < pictureCount; ++i)
            fillPicture(item->add_f_attch(), m_now - 60 * (pictureCount - i));
    }
}

void SampleBuilder::pictures(int member, int count)
{
    const SampleMember &sender = m_members.at(member);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item
        = addItem(message, MsgType::Picture, sender, sender.name + QStringLiteral("发送了图片"));
    for (int i = 0; i < count; ++i)
        fillPicture(item->add_f_attch(), m_now - 45 * (count - i));
}

void SampleBuilder::fileMessage(int member)
{
    const SampleMember &sender = m_members.at(member);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item
        = addItem(message, MsgType::File, sender, sender.name + QStringLiteral("发送了文件"));
    const QString name = randomFileName();
    if (name.endsWith(QLatin1String(".jpg")) || name.endsWith(QLatin1String(".png"))) {
        fillFile(item->add_f_attch(), name);
        item->mutable_f_attch(0)->set_f_attach_type(AttachType::Picture);
        item->mutable_f_attch(0)->set_f_attach_url(
            utf8(QStringLiteral("https://files.example.com/img/%1.%2")
                     .arg(QString::fromStdString(item->f_attch(0).f_attach_id()),
                         name.section(QLatin1Char('.'), -1))));
    } else {
        fillFile(item->add_f_attch(), name);
    }
}

void SampleBuilder::voiceMessage(int member)
{
    const SampleMember &sender = m_members.at(member);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item
        = addItem(message, MsgType::Voice, sender, sender.name + QStringLiteral("发送了语音"));
    pb_im_t_msg_attach *attach = item->add_f_attch();
    const QString id = fileId();
    const int seconds = m_rng.between(2, 59);
    attach->set_f_attach_name(utf8(QStringLiteral("%1.amr").arg(id)));
    attach->set_f_attach_size(seconds * 1650 + 6);
    attach->set_f_attach_id(utf8(id));
    attach->set_f_attach_url(
        utf8(QStringLiteral("https://files.example.com/voice/%1.amr").arg(id)));
    attach->set_f_attach_type(AttachType::Voice);
    attach->set_f_attach_playtime(seconds);
}

SampleTask &SampleBuilder::newTask(int creator, int templateIndex, bool voice)
{
    struct Template
    {
        int type;
        QString desc;
        QString position;
        QList<int> receivers;
    };
    static const QList<Template> templates {
        { TaskType::Acceptance, QStringLiteral("%1层梁板钢筋隐蔽验收，请质量员和监理到场"),
            QStringLiteral("1号楼%1层"), { 7, 5 } },
        { TaskType::Problem, QStringLiteral("东侧外架%1层连墙件缺失，今天下班前整改完毕"),
            QStringLiteral("1号楼东侧外架"), { 5, 6 } },
        { TaskType::Problem, QStringLiteral("B2层后浇带模板支撑立杆间距偏大，限期整改"),
            QStringLiteral("地下室B2层后浇带"), { 8 } },
        { TaskType::Problem, QStringLiteral("3号塔吊基础周边积水，排水并复核沉降观测点"),
            QStringLiteral("3号塔吊"), { 10, 6 } },
        { TaskType::Problem, QStringLiteral("%1层楼梯间临边防护缺失，立即补设"),
            QStringLiteral("1号楼%1层楼梯间"), { 6, 8 } },
        { TaskType::Notice, QStringLiteral("周四上午开展消防应急演练，各班组负责人到场"),
            QStringLiteral("生活区"), { 5, 6, 7, 8, 11 } },
        { TaskType::Notice, QStringLiteral("夜间施工须办理夜间施工许可，未办理不得施工"),
            QStringLiteral("项目部"), { 2, 5, 8 } },
        { TaskType::Other, QStringLiteral("整理10月份隐蔽验收资料并归档"), QStringLiteral("资料室"),
            { 9 } },
        { TaskType::Other, QStringLiteral("核对本月钢筋进场量与结算量"), QStringLiteral("商务部"),
            { 3, 9 } },
        { TaskType::Acceptance, QStringLiteral("%1层核心筒墙体模板垂直度复测"),
            QStringLiteral("1号楼%1层核心筒"), { 10, 7 } },
        { TaskType::Acceptance, QStringLiteral("幕墙预埋件位置复核（%1层）"),
            QStringLiteral("1号楼%1层外圈梁"), { 4, 10 } },
        { TaskType::Problem, QStringLiteral("钢筋加工棚电箱无漏电保护，停用整改"),
            QStringLiteral("钢筋加工棚"), { 6, 11 } },
    };
    const int index = templateIndex >= 0 ? templateIndex : m_rng.below(templates.size());
    const Template &tmpl = templates.at(index);

    SampleTask task;
    task.id = m_nextTaskId++;
    task.type = tmpl.type;
    task.position = tmpl.position.contains(QLatin1String("%1"))
        ? tmpl.position.arg(floorOfDay(m_day))
        : tmpl.position;
    task.creator = creator;
    // Members who have not joined yet are stood in for by the technician.
    for (int receiver : tmpl.receivers) {
        const int joined = receiver < m_joined ? receiver : 4;
        if (joined != creator && !task.receivers.contains(joined))
            task.receivers << joined;
    }
    if (task.receivers.isEmpty())
        task.receivers << (creator == 5 ? 4 : 5) % m_joined;
    const int daysToEnd = m_rng.between(1, 5);
    // Due at 18:00 site time.
    task.end = m_dayStart + daysToEnd * kDay + 630 * kMinute;
    if (voice) {
        const QString id = fileId();
        task.voice = true;
        task.playtime = m_rng.between(3, 58);
        task.desc = QStringLiteral("https://files.example.com/voice/%1.amr").arg(id);
    } else {
        task.desc = tmpl.desc.contains(QLatin1String("%1")) ? tmpl.desc.arg(floorOfDay(m_day))
                                                            : tmpl.desc;
    }

    const SampleMember &sender = m_members.at(creator);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item
        = addItem(message, MsgType::Task, sender, sender.name + QStringLiteral("发布了任务"));
    pb_im_t_msg_task *out = item->mutable_f_msg_task();
    fillTask(out, task);
    out->set_f_operate_type(OperateType::Assign);
    for (int receiver : task.receivers)
        out->add_f_receiver_uin(m_members.at(receiver).uid);
    // Problem items usually come with photos of the problem, acceptance items with a drawing.
    if (task.type == TaskType::Problem && m_rng.chance(60)) {
        const int count = m_rng.between(1, 3);
        for (int i = 0; i < count; ++i)
            fillPicture(item->add_f_attch(), m_now - 120 * (count - i));
    } else if (task.type == TaskType::Acceptance && m_rng.chance(40)) {
        fillFile(
            item->add_f_attch(), QStringLiteral("1号楼%1层结构施工图.dwg").arg(floorOfDay(m_day)));
    }
    m_tasks.append(task);
    return m_tasks.last();
}

void SampleBuilder::remindTask(SampleTask &task)
{
    const SampleMember &sender = m_members.at(task.creator);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item = addItem(message, MsgType::TaskFollowUp, sender,
        sender.name + QStringLiteral("提醒%1尽快处理任务").arg(namesOf(task.receivers)));
    pb_im_t_msg_task *out = item->mutable_f_msg_task();
    fillTask(out, task);
    out->set_f_operate_type(OperateType::Remind);
    for (int receiver : task.receivers)
        out->add_f_receiver_uin(m_members.at(receiver).uid);
}

void SampleBuilder::acknowledgeTask(SampleTask &task, int member)
{
    const SampleMember &sender = m_members.at(member);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item = addItem(
        message, MsgType::TaskFollowUp, sender, sender.name + QStringLiteral("确认收到了任务提醒"));
    pb_im_t_msg_task *out = item->mutable_f_msg_task();
    fillTask(out, task);
    out->set_f_operate_type(OperateType::RemindAcknowledged);
    for (int receiver : task.receivers)
        out->add_f_receiver_uin(m_members.at(receiver).uid);
    out->add_f_operate_uin(sender.uid);
    out->set_f_operate_status(1);
}

void SampleBuilder::reportTask(SampleTask &task, quint32 itemType, bool sponsorNamed)
{
    static const QStringList titles {
        QStringLiteral("整改回复"),
        QStringLiteral("进度汇报"),
        QStringLiteral("验收情况"),
        QStringLiteral("完成情况说明"),
    };
    static const QStringList texts {
        QStringLiteral("已按要求整改完毕，请复查。"),
        QStringLiteral("连墙件已补设14处，附现场照片。"),
        QStringLiteral("排水完成，沉降观测点复核无异常，累计沉降2.1mm。"),
        QStringLiteral("钢筋验收监理已签字，可以进入下道工序。"),
        QStringLiteral("模板立杆已加密至900mm，水平杆加设一道，扫地杆已补齐。"),
        QStringLiteral("目前完成约70%，预计明天中午完成。"),
        QStringLiteral("试块报告已出，28天强度达到设计值的112%。"),
        QStringLiteral("临边防护已补设，挂设安全警示牌，请安全员验收。"),
    };
    const int reporter = task.receivers.at(m_rng.below(task.receivers.size()));
    const SampleMember &sponsor = m_members.at(reporter);
    const SampleMember &replyTo = m_members.at(task.creator);
    ++m_reportCount;

    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item
        = addItem(message, itemType, sponsor, sponsor.name + QStringLiteral("提交了任务汇报"));
    pb_im_t_msg_task *out = item->mutable_f_msg_task();
    fillTask(out, task);
    pb_prj_t_task_report *report = out->mutable_f_last_report();
    report->set_f_report_id(m_nextReportId++);
    report->mutable_f_sponsor()->set_f_uid(int(sponsor.uid));
    if (sponsorNamed)
        report->mutable_f_sponsor()->set_f_name(utf8(sponsor.name));
    report->mutable_f_reply_to()->set_f_uid(int(replyTo.uid));
    report->mutable_f_reply_to()->set_f_name(utf8(replyTo.name));
    report->set_f_title(utf8(m_rng.pick(titles)));

    const int form = m_rng.below(100);
    if (form < 55) {
        report->set_f_content(utf8(m_rng.pick(texts)));
        report->set_f_content_type(ReportContentType::Text);
    } else if (form < 80) {
        const QString id = fileId();
        report->set_f_content(
            utf8(QStringLiteral("https://files.example.com/voice/%1.amr").arg(id)));
        report->set_f_content_type(ReportContentType::Voice);
        report->set_f_playtime(m_rng.between(3, 59));
    } else {
        report->set_f_content_type(ReportContentType::PicturesOnly);
    }
    const int pictureCount = form >= 80 ? m_rng.between(1, 4) : m_rng.below(3);
    for (int i = 0; i < pictureCount; ++i)
        fillPicture(report->add_f_attach_list()->mutable_f_baseinfo(), m_now - 90 * (i + 1));
    if (m_rng.chance(15))
        fillFile(
            report->add_f_attach_list()->mutable_f_baseinfo(), QStringLiteral("整改回复单.pdf"));
}

void SampleBuilder::taskRecord(SampleTask &task, int recordType, int member)
{
    const SampleMember &sender = m_members.at(member);
    QString body;
    switch (recordType) {
    case RecordType::TaskCreated:
        body = sender.name + QStringLiteral("创建了任务");
        break;
    case RecordType::TaskDeadlineChanged:
        task.end += kDay;
        if (m_rng.chance(50))
            task.status = TaskStatus::Delayed;
        body = sender.name + QStringLiteral("修改了任务截止时间");
        break;
    case RecordType::TaskCompleted:
        task.status = TaskStatus::Completed;
        body = sender.name + QStringLiteral("完成了任务");
        break;
    default: { // handed over
        int next = (task.receivers.first() + 1 + m_rng.below(m_joined - 1)) % m_joined;
        if (next == task.creator)
            next = (next + 1) % m_joined;
        task.receivers = { next };
        body = sender.name + QStringLiteral("将任务转交给") + m_members.at(next).name;
        break;
    }
    }
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item = addRecordItem(message, recordType, sender, body);
    pb_im_t_msg_prj_record *record = item->mutable_f_msg_prj_record();
    for (int receiver : task.receivers)
        setUser(record->add_receivers(), m_members.at(receiver));
    fillTask(record->mutable_f_task_info(), task);
    if (recordType == RecordType::TaskCreated)
        fillFile(record->add_f_files()->mutable_f_baseinfo(), QStringLiteral("任务说明.docx"));
}

void SampleBuilder::reportRecord(SampleTask &task)
{
    const int reporter = task.receivers.first();
    const SampleMember &sponsor = m_members.at(reporter);
    const SampleMember &replyTo = m_members.at(task.creator);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item = addRecordItem(message, RecordType::TaskReport, sponsor,
        sponsor.name + QStringLiteral("回复了") + replyTo.name);
    pb_im_t_msg_prj_record *record = item->mutable_f_msg_prj_record();
    setUser(record->add_receivers(), replyTo);
    pb_im_t_msg_task *out = record->mutable_f_task_info();
    fillTask(out, task);
    pb_prj_t_task_report *report = out->mutable_f_last_report();
    report->set_f_report_id(m_nextReportId++);
    report->mutable_f_sponsor()->set_f_uid(int(sponsor.uid));
    report->mutable_f_sponsor()->set_f_name(utf8(sponsor.name));
    report->mutable_f_reply_to()->set_f_uid(int(replyTo.uid));
    report->mutable_f_reply_to()->set_f_name(utf8(replyTo.name));
    report->set_f_title(utf8(QStringLiteral("现场复查")));
    report->set_f_content(utf8(QStringLiteral("复查合格，同意销项。")));
    report->set_f_content_type(ReportContentType::Text);
    fillPicture(report->add_f_attach_list()->mutable_f_baseinfo(), m_now - 300);
}

void SampleBuilder::fileRecord(int recordType, int member, int fileCount)
{
    const SampleMember &sender = m_members.at(member);
    const QString body = sender.name
        + (recordType == RecordType::FileUploaded ? QStringLiteral("上传了文件")
                                                  : QStringLiteral("分享了文件"));
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item = addRecordItem(message, recordType, sender, body);
    pb_im_t_msg_prj_record *record = item->mutable_f_msg_prj_record();
    for (int i = 0; i < fileCount; ++i)
        fillFile(record->add_f_files()->mutable_f_baseinfo(), randomFileName());
}

void SampleBuilder::plainRecord(int recordType, int member, const QString &text)
{
    const SampleMember &sender = m_members.at(member);
    pb_clt_t_user &message = newMessage();
    addRecordItem(message, recordType, sender, sender.name + text);
}

void SampleBuilder::invite(int inviter, const QList<int> &invitees)
{
    const SampleMember &sender = m_members.at(inviter);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item = addRecordItem(message, RecordType::MembersInvited, sender,
        sender.name + QStringLiteral("邀请了%1加入项目").arg(namesOf(invitees)));
    for (int invitee : invitees)
        setUser(item->mutable_f_msg_prj_record()->add_receivers(), m_members.at(invitee));
}

void SampleBuilder::joined(int inviter, const QList<int> &newMembers)
{
    const SampleMember &sender = m_members.at(inviter);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item = addRecordItem(message, RecordType::MemberJoined, sender,
        namesOf(newMembers) + QStringLiteral("加入了项目"));
    for (int member : newMembers)
        setUser(item->mutable_f_msg_prj_record()->add_receivers(), m_members.at(member));
    m_joined = qMax(m_joined, newMembers.last() + 1);
}

void SampleBuilder::editProjectInfo(int member, int variant)
{
    const SampleMember &sender = m_members.at(member);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item = addRecordItem(message, RecordType::ProjectInfoEdited, sender,
        sender.name + QStringLiteral("修改了项目信息"));
    pb_prj_t_info *info = item->mutable_f_msg_prj_record()->mutable_f_prj_info();
    const qint64 begin
        = QDateTime(QDate(2025, 3, 18), QTime(0, 0), Qt::OffsetFromUTC, kSiteUtcOffset)
              .toSecsSinceEpoch();
    const qint64 end = QDateTime(QDate(2028, 6, 30), QTime(0, 0), Qt::OffsetFromUTC, kSiteUtcOffset)
                           .toSecsSinceEpoch();
    switch (variant) {
    case 0: // the whole record, as the project was set up
        info->set_f_prj_name(utf8(SampleProject::projectName()));
        info->set_f_prj_type(1);
        info->set_f_province(utf8(QStringLiteral("浙江省")));
        info->set_f_city(utf8(QStringLiteral("杭州市")));
        info->set_f_prj_address(utf8(QStringLiteral("滨江区江晖路与滨盛路交叉口东北角")));
        info->set_f_float_floor_area(18.65f);
        info->set_f_prj_begin(begin);
        info->set_f_prj_end(end);
        info->set_f_jianzhu_danwei(utf8(QStringLiteral("杭州滨江中心置业有限公司")));
        info->set_f_shigong_danwei(utf8(QStringLiteral("浙江恒筑建设集团有限公司")));
        info->set_f_jianli_danwei(utf8(QStringLiteral("杭州正衡工程监理有限公司")));
        info->set_f_fenbao_danwei(utf8(QStringLiteral("浙江安固幕墙工程有限公司")));
        break;
    case 1: // the completion date moved
        info->set_f_prj_end(end + 45 * kDay);
        break;
    case 2: // a second subcontractor, area not yet measured again
        info->set_f_float_floor_area(0.0f);
        info->set_f_prj_begin(begin);
        info->set_f_fenbao_danwei(utf8(QStringLiteral("杭州中恒机电安装有限公司")));
        break;
    default: // markup typed into the address fields
        info->set_f_city(utf8(QStringLiteral("杭州市")));
        info->set_f_prj_address(
            utf8(QStringLiteral("<b>滨江区</b></p><p style='color:red'>项目已停工<img "
                                "src='http://evil.example/x.png'>")));
        info->set_f_fenbao_danwei(utf8(QStringLiteral("<script>alert(1)</script>")));
        break;
    }
}

void SampleBuilder::taskDetailsOnly(const SampleTask &task)
{
    pb_clt_t_user &message = newMessage();
    message.mutable_f_task_details()->set_f_task_id(task.id);
    message.mutable_f_task_details()->set_f_prj_id(task.prjId);
}

void SampleBuilder::projectLog(int day)
{
    static const QStringList weather {
        QStringLiteral("晴 12~20℃"),
        QStringLiteral("多云 13~21℃"),
        QStringLiteral("阴 11~17℃"),
        QStringLiteral("小雨 10~15℃"),
    };
    static const QStringList works {
        QStringLiteral("1号楼%1层核心筒墙柱钢筋绑扎完成，模板安装约60%"),
        QStringLiteral("%1层顶板模板支设完成，开始绑扎梁板钢筋"),
        QStringLiteral("%2层楼板混凝土浇筑完成，计386方"),
        QStringLiteral("外架提升至%1层，连墙件随层设置"),
        QStringLiteral("地下室B2层后浇带清理完毕，准备封闭"),
        QStringLiteral("幕墙预埋件安装至%2层"),
    };
    static const QStringList safety {
        QStringLiteral("班前讲话3次，巡查发现临边防护缺失1处，已整改"),
        QStringLiteral("塔吊例行检查正常，施工电梯限位试验合格"),
        QStringLiteral("动火作业2处，均已办理动火证并配备看火人"),
        QStringLiteral("新进场工人28人完成三级安全教育"),
    };
    const QDateTime dayTime = siteTime(m_dayStart);
    const QString date = dayTime.toString(QStringLiteral("MM月dd日"));
    const QString sky = m_rng.pick(weather);
    const QString work = m_rng.pick(works);
    const QString check = m_rng.pick(safety);
    const int workers = m_rng.between(118, 152);
    const int steel = m_rng.between(18, 46);

    const QString floor = QString::number(floorOfDay(day));
    const QString poured = QString::number(floorOfDay(day) - 2);
    const QString workText
        = QString(work).replace(QLatin1String("%1"), floor).replace(QLatin1String("%2"), poured);

    m_now = qMax(m_now + 10 * kMinute, m_dayStart + 660 * kMinute);
    m_messages.append(pb_clt_t_user());
    pb_prj_t_details *details = m_messages.last().mutable_f_prj_details();
    pb_prj_t_log *log = details->add_f_prj_log();
    log->set_f_log_content(
        utf8(QStringLiteral("%1 施工日志：%2；%3；出勤%4人，进场钢筋%5吨。")
                 .arg(date, sky, workText, QString::number(workers), QString::number(steel))));
    log->set_f_add_time(m_now);
    log = details->add_f_prj_log();
    log->set_f_log_content(utf8(QStringLiteral("%1 安全日志：%2。").arg(date, check)));
    log->set_f_add_time(m_now + 2 * kMinute);
    if (day % 3 == 1) {
        // A line still being written: no time yet, so the feed leaves it out.
        log = details->add_f_prj_log();
        log->set_f_log_content(utf8(QStringLiteral("%1 质量日志：（待填写）").arg(date)));
    }
    m_now += 2 * kMinute;
}

void SampleBuilder::markupName()
{
    SampleMember stranger;
    stranger.uid = 100199;
    stranger.name = QStringLiteral("<b>临时工</b><img src=x onerror=alert(1)>");
    stranger.jobTitle = QStringLiteral("<i>劳务</i>");
    pb_clt_t_user &message = newMessage();
    addItem(message, MsgType::Plain, stranger,
        stranger.name + QStringLiteral("：<font color=red size=7>工资什么时候发？</font>"));
}

void SampleBuilder::markupBody()
{
    const SampleMember &sender = m_members.at(4);
    pb_clt_t_user &message = newMessage();
    addItem(message, MsgType::Plain, sender,
        sender.name
            + QStringLiteral(
                "：<b>注意</b><script>alert('x')</script>新版图纸见"
                "<a href=\"file:///C:/Windows/System32\">图纸目录</a>&amp;<br/>| 请查收"));
}

void SampleBuilder::pathFileNames()
{
    const SampleMember &sender = m_members.at(10);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item
        = addItem(message, MsgType::File, sender, sender.name + QStringLiteral("发送了文件"));
    fillFile(item->add_f_attch(), QStringLiteral("../../etc/passwd"));
    fillFile(item->add_f_attch(), QStringLiteral("a\\b.doc"));
    fillFile(item->add_f_attch(), QStringLiteral(".."));
    fillFile(item->add_f_attch(), QString());
    // A file id that would leave its directory.
    pb_im_t_msg_attach *attach = item->add_f_attch();
    fillFile(attach, QStringLiteral("控制点坐标成果表.xlsx"));
    attach->set_f_attach_id("../../f-0badf1");
}

void SampleBuilder::longBody()
{
    const SampleMember &sender = m_members.at(9);
    QString body = sender.name + QStringLiteral("：本月资料归档清单如下\n");
    for (int i = 1; i <= 160; ++i) {
        body += QStringLiteral("%1.\t%2层隐蔽工程验收记录（钢筋、模板、预埋）\t已归档\n")
                    .arg(i, 3, 10, QLatin1Char('0'))
                    .arg(1 + i % 30);
    }
    body += QStringLiteral("以上，请各位核对。");
    pb_clt_t_user &message = newMessage();
    addItem(message, MsgType::Plain, sender, body);
}

void SampleBuilder::emptySenderName()
{
    SampleMember nameless = m_members.at(11);
    nameless.name.clear();
    pb_clt_t_user &message = newMessage();
    addItem(message, MsgType::Plain, nameless,
        QStringLiteral("系统通知：塔吊安拆专项方案已通过专家论证"));
}

void SampleBuilder::controlCharsInName()
{
    SampleMember odd = m_members.at(6);
    odd.name = QStringLiteral("赵磊\n（安全）\t\u202e");
    pb_clt_t_user &message = newMessage();
    addItem(message, MsgType::Plain, odd,
        odd.name + QStringLiteral("：第一行\r\n第二行\t制表\u2028第三行\u202egpj.exe"));
    // Windows paths in a shared file.
    pb_im_t_msg_item *item = addRecordItem(message, RecordType::FileShared, m_members.at(6),
        m_members.at(6).name + QStringLiteral("分享了文件"));
    fillFile(item->mutable_f_msg_prj_record()->add_f_files()->mutable_f_baseinfo(),
        QStringLiteral("..\\..\\Windows\\win.ini"));
}

void SampleBuilder::hostileReportAttachments()
{
    SampleTask *task = randomOpenTask();
    if (!task)
        task = &newTask(1, 2);
    reportTask(*task, MsgType::TaskFollowUp);
    pb_prj_t_task_report *report = m_messages.last()
                                       .mutable_f_im_msg()
                                       ->mutable_f_msg(0)
                                       ->mutable_f_msg_task()
                                       ->mutable_f_last_report();
    pb_im_t_msg_attach *byUrl = report->add_f_attach_list()->mutable_f_baseinfo();
    fillPicture(byUrl, m_now);
    byUrl->set_f_attach_url("https://files.example.com/img/../../../etc/shadow.jpg");
    pb_im_t_msg_attach *byName = report->add_f_attach_list()->mutable_f_baseinfo();
    fillFile(byName, QStringLiteral("../../tmp/evil.jpg"));
    // An entry without its file record.
    report->add_f_attach_list();
}

void SampleBuilder::typeSixWithoutTask()
{
    const SampleMember &sender = m_members.at(1);
    pb_clt_t_user &message = newMessage();
    pb_im_t_msg_item *item
        = addItem(message, MsgType::Task, sender, sender.name + QStringLiteral("补发了任务附件"));
    fillFile(item->add_f_attch(), QStringLiteral("B2层后浇带支模方案.pdf"));
    fillFile(item->add_f_attch(), QStringLiteral("后浇带节点详图.dwg"));
}

void SampleBuilder::forwardedConversation()
{
    // Three short texts that arrived in one push.
    pb_clt_t_user &message = newMessage();
    const SampleMember &a = m_members.at(2);
    const SampleMember &b = m_members.at(5);
    addItem(message, MsgType::Plain, a, a.name + QStringLiteral("：今晚浇筑的泵车到了吗？"));
    m_now += 40;
    addItem(message, MsgType::Plain, b, b.name + QStringLiteral("：到了，两台，已就位。"));
    m_now += 35;
    addItem(message, MsgType::Plain, a, a.name + QStringLiteral("：好，注意振捣，别漏振。"));
}

void SampleBuilder::scripted(int day)
{
    switch (day) {
    case 0:
        editProjectInfo(0, 0);
        invite(0, { 5, 6 });
        joined(0, { 5, 6 });
        break;
    case 1:
        invite(0, { 7, 8, 9, 10, 11 });
        for (int member = 7; member <= 11; ++member)
            joined(0, { member });
        newTask(2, 1);
        break;
    case 2: {
        SampleTask &task = newTask(1, 0, true);
        taskRecord(task, RecordType::TaskCreated, 1);
        taskDetailsOnly(task);
        break;
    }
    case 3:
        markupName();
        if (SampleTask *task = randomOpenTask())
            taskRecord(*task, RecordType::TaskDeadlineChanged, task->creator);
        break;
    case 4:
        markupBody();
        if (SampleTask *task = randomOpenTask())
            taskRecord(*task, RecordType::TaskHandedOver, task->creator);
        break;
    case 5:
        pathFileNames();
        break;
    case 6: {
        // A phase-one task posted into this group as well.
        SampleTask &task = newTask(0, 6);
        task.prjId = kNeighbourProjectUid;
        m_messages.last().mutable_f_im_msg()->mutable_f_msg(0)->mutable_f_msg_task()->set_f_prj_id(
            kNeighbourProjectUid);
        break;
    }
    case 7: {
        SampleTask &task = newTask(7, 9);
        acknowledgeTask(task, task.receivers.first());
        reportTask(task, MsgType::Task);
        reportTask(task, MsgType::TaskFollowUp, false);
        reportRecord(task);
        taskRecord(task, RecordType::TaskCompleted, task.receivers.first());
        break;
    }
    case 8:
        typeSixWithoutTask();
        plainRecord(RecordType::Announcement, 0,
            QStringLiteral("发布了项目公告：11月14日起进行3号塔吊加节，期间禁止交叉作业"));
        plainRecord(RecordType::ProjectSettingsChanged, 0, QStringLiteral("将郑浩设为项目管理员"));
        fileRecord(RecordType::FileUploaded, 3, 1);
        fileRecord(RecordType::FileShared, 4, 1);
        break;
    case 9:
        longBody();
        break;
    case 10:
        editProjectInfo(0, 1);
        break;
    case 11:
        forwardedConversation();
        break;
    case 12:
        emptySenderName();
        break;
    case 15:
        controlCharsInName();
        break;
    case 16:
        if (SampleTask *task = randomOpenTask())
            taskDetailsOnly(*task);
        break;
    case 17:
        hostileReportAttachments();
        break;
    case 18:
        editProjectInfo(3, 2);
        break;
    case 20:
        editProjectInfo(0, 3);
        break;
    case 22:
        plainRecord(RecordType::ProjectSettingsChanged, 0, QStringLiteral("修改了项目封面"));
        break;
    default:
        break;
    }
}

} // namespace

namespace SampleProject {

QString projectId()
{
    return QString::number(kProjectUid);
}

QString projectName()
{
    return QStringLiteral("滨江中心二期超高层项目");
}

QDateTime startTime()
{
    return QDateTime(QDate(2026, 11, 2), QTime(7, 30), Qt::OffsetFromUTC, kSiteUtcOffset);
}

QList<SampleMember> members()
{
    return {
        { 100101, QStringLiteral("王建国"), QStringLiteral("项目经理") },
        { 100102, QStringLiteral("李志强"), QStringLiteral("项目总工") },
        { 100103, QStringLiteral("张伟"), QStringLiteral("生产经理") },
        { 100104, QStringLiteral("刘芳"), QStringLiteral("商务经理") },
        { 100105, QStringLiteral("陈晓东"), QStringLiteral("技术员") },
        { 100106, QStringLiteral("杨帆"), QStringLiteral("施工员") },
        { 100107, QStringLiteral("赵磊"), QStringLiteral("安全员") },
        { 100108, QStringLiteral("周婷"), QStringLiteral("质量员") },
        { 100109, QStringLiteral("吴海军"), QStringLiteral("施工员") },
        { 100110, QStringLiteral("孙丽"), QStringLiteral("资料员") },
        { 100111, QStringLiteral("郑浩"), QStringLiteral("测量员") },
        { 100112, QStringLiteral("黄明"), QStringLiteral("其他") },
    };
}

QList<pb_clt_t_user> messages()
{
    return SampleBuilder().build() + SampleTasks::messages();
}

QList<pb_prj_t_prj_weather> weather()
{
    struct Day
    {
        QString info;
        int type;
        QList<std::pair<QString, int>> reminders;
    };
    const QList<Day> days {
        { QStringLiteral("多云 13~21℃ 东北风2级"), 0,
            { { QStringLiteral("早晚温差大，注意混凝土养护"), 2 } } },
        { QStringLiteral("雷阵雨 15~22℃ 南风3级"), WeatherType::ThunderShower,
            { { QStringLiteral("雷阵雨天气，暂停塔吊及高处作业"), 1 },
                { QStringLiteral("注意临时用电防潮"), 3 } } },
        { QStringLiteral("阴 12~18℃ 北风3级"), 0, {} },
        { QStringLiteral("小雨 10~15℃ 北风4级"), 0,
            { { QStringLiteral("雨天路滑，注意基坑边坡"), 3 } } },
        { QStringLiteral("晴 9~19℃ 西北风2级"), 0,
            { { QStringLiteral("夜间降温，做好混凝土覆盖保温"), 2 } } },
        { QStringLiteral("雷阵雨 14~20℃ 东南风5级"), WeatherType::ThunderShower,
            { { QStringLiteral("大风预警，塔吊停止作业并放松回转制动"), 1 },
                { QStringLiteral("检查外架密目网及防护棚"), 3 } } },
        { QStringLiteral("多云 11~19℃ 东风2级"), 0, { { QStringLiteral("适宜室外作业"), 4 } } },
    };
    QList<pb_prj_t_prj_weather> list;
    const QDate first = startTime().date();
    for (int i = 0; i < days.size(); ++i) {
        // One forecast a day, pushed in the morning.
        pb_prj_t_prj_weather forecast;
        forecast.set_f_prj_id(kProjectUid);
        pb_prj_t_weather_details *details = forecast.add_f_weather_info();
        details->set_f_weather_info(utf8(days.at(i).info));
        details->set_f_weather_type(days.at(i).type);
        details->set_f_date(utf8(first.addDays(i).toString(QStringLiteral("yyyy-MM-dd"))));
        for (const auto &reminder : days.at(i).reminders) {
            pb_prj_t_reminder *out = details->add_f_reminders();
            out->set_f_reminder_title(utf8(reminder.first));
            out->set_f_reminder_type(reminder.second);
        }
        list.append(forecast);
    }
    return list;
}

namespace {

    void appendVarint(QByteArray &out, quint64 value)
    {
        while (value >= 0x80) {
            out.append(char((value & 0x7f) | 0x80));
            value >>= 7;
        }
        out.append(char(value));
    }

    template <typename Message> QByteArray delimited(const QList<Message> &messages)
    {
        QByteArray out;
        for (const Message &message : messages) {
            const std::string bytes = message.SerializeAsString();
            appendVarint(out, bytes.size());
            out.append(bytes.data(), int(bytes.size()));
        }
        return out;
    }

} // namespace

QByteArray toDelimitedStream(const QList<pb_clt_t_user> &messages)
{
    return delimited(messages);
}

QByteArray toDelimitedStream(const QList<pb_prj_t_prj_weather> &weather)
{
    return delimited(weather);
}

QList<pb_clt_t_user> messagesFromDelimitedStream(const QByteArray &stream, bool *ok)
{
    QList<pb_clt_t_user> list;
    int pos = 0;
    bool good = true;
    while (pos < stream.size()) {
        quint64 length = 0;
        int shift = 0;
        bool lengthDone = false;
        while (pos < stream.size() && shift < 64) {
            const auto byte = quint8(stream.at(pos++));
            length |= quint64(byte & 0x7f) << shift;
            shift += 7;
            if (!(byte & 0x80)) {
                lengthDone = true;
                break;
            }
        }
        if (!lengthDone || length > quint64(stream.size() - pos)) {
            good = false;
            break;
        }
        pb_clt_t_user message;
        if (!message.ParseFromArray(stream.constData() + pos, int(length))) {
            good = false;
            break;
        }
        pos += int(length);
        list.append(message);
    }
    if (ok)
        *ok = good;
    return list;
}

} // namespace SampleProject
