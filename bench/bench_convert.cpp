// Cost of turning a push message into feed records, against the cost of parsing the message.
// Target: parse, convert and delete the records at most three times parse alone.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "DynKeys.h"
#include "MessageContext.h"
#include "feed/ConvertText_p.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "msl.pb.h"

namespace {

const quint64 kPrjId = 10086;
const qint64 kStart = 1618900000; // 2021-04-20 06:26:40 UTC

pb_im_t_msg_item *addItem(pb_clt_t_user &user, quint32 type, const std::string &body, int n)
{
    pb_im_t_msg_item *item = user.mutable_f_im_msg()->add_f_msg();
    item->set_f_msg_type(type);
    // No sequence number: every iteration converts every item, nothing is skipped as seen.
    item->set_f_msg_id(7000000000ULL + n);
    item->set_f_msg_body(body);
    item->set_f_sender_id(200100 + n % 7);
    item->set_f_sender_name(n % 2 ? "张建国" : "李秀英");
    item->set_f_send_time(kStart + 47 * n);
    return item;
}

void setAttachment(pb_im_t_msg_attach *attach, int n, int type = AttachType::File)
{
    attach->set_f_attach_name("现场照片_" + std::to_string(n) + ".jpg");
    attach->set_f_attach_size(180000 + 1000 * n);
    attach->set_f_attach_url("http://files.example/prj/10086/" + std::to_string(n));
    attach->set_f_attach_id("cf-8f14e45fceea167a5a36dedd4bea2543-" + std::to_string(n));
    attach->set_f_attach_type(type);
}

void fillTask(pb_im_t_msg_task *task, int n)
{
    task->set_f_prj_id(kPrjId);
    task->set_f_task_id(900000 + n);
    task->set_f_task_desc("3号楼12层剪力墙模板加固，浇筑前完成自检并上传照片");
    task->set_f_task_type(1 + n % 4);
    task->set_f_position("3号楼12层");
    task->set_f_assign_desc("王志强、赵磊");
    task->set_f_task_end(kStart + 3 * 86400 + 600 * n);
    task->set_f_task_status(n % 3);
    task->set_f_operate_type(1 + n % 5);
    task->add_f_receiver_uin(200101);
    task->add_f_receiver_uin(200102);
    task->add_f_operate_uin(200100 + n % 7);
    task->set_f_operate_status(0);
}

void fillReport(pb_im_t_msg_task *task, int n)
{
    fillTask(task, n);
    pb_prj_t_task_report *report = task->mutable_f_last_report();
    report->set_f_report_id(5500000 + n);
    report->mutable_f_sponsor()->set_f_uid(200101);
    report->mutable_f_sponsor()->set_f_name("王志强");
    report->mutable_f_reply_to()->set_f_uid(200100);
    report->mutable_f_reply_to()->set_f_name("李秀英");
    report->set_f_title("整改回复");
    report->set_f_content("模板已加固，支撑间距已按方案调整，请复查。");
    report->set_f_content_type(ReportContentType::Text);
    setAttachment(report->add_f_attach_list()->mutable_f_baseinfo(), n, AttachType::Picture);
    setAttachment(report->add_f_attach_list()->mutable_f_baseinfo(), n + 1, AttachType::File);
}

pb_im_t_msg_prj_record *addRecord(pb_clt_t_user &user, int type, const std::string &body, int n)
{
    pb_im_t_msg_prj_record *record
        = addItem(user, MsgType::ProjectRecord, body, n)->mutable_f_msg_prj_record();
    record->set_record_type(type);
    record->mutable_sender()->set_f_uid(200100 + n % 7);
    record->mutable_sender()->set_f_name(n % 2 ? "张建国" : "李秀英");
    record->mutable_sender()->set_f_job_type(n % 3 ? "项目经理" : "施工员");
    return record;
}

/// Item n of a realistic mix: plain notices, tasks, reports, attachments, project records.
void addMixedItem(pb_clt_t_user &user, int n)
{
    switch (n % 20) {
    case 0:
        fillTask(
            addItem(user, MsgType::Task, "张建国布置了任务：模板加固", n)->mutable_f_msg_task(), n);
        break;
    case 1:
    case 5:
    case 9:
    case 13:
    case 17:
        addItem(user, MsgType::Plain,
            "李秀英：明天上午九点在项目部召开安全例会，请各班组长准时参加。", n);
        break;
    case 2:
    case 10:
        fillTask(addItem(user, MsgType::TaskFollowUp, "通知了任务", n)->mutable_f_msg_task(), n);
        break;
    case 3:
    case 11:
    case 15:
        fillReport(addItem(user, MsgType::TaskFollowUp, "回复了任务", n)->mutable_f_msg_task(), n);
        break;
    case 4: {
        // A type the converter does not know: its attachments make the records.
        pb_im_t_msg_item *item = addItem(user, 9, "上传了照片", n);
        setAttachment(item->add_f_attch(), n);
        setAttachment(item->add_f_attch(), n + 1);
        break;
    }
    case 6:
        setAttachment(addItem(user, MsgType::Task, "发送了文件", n)->add_f_attch(), n);
        break;
    case 7: {
        pb_prj_t_info *info = addRecord(user, RecordType::ProjectInfoEdited, "修改了项目信息", n)
                                  ->mutable_f_prj_info();
        info->set_f_prj_name("锦绣花园二期");
        info->set_f_prj_type(1);
        info->set_f_province("广东省");
        info->set_f_city("深圳市");
        info->set_f_prj_address("南山区科技园南区");
        info->set_f_float_floor_area(12.5f);
        info->set_f_prj_begin(kStart - 200 * 86400);
        info->set_f_prj_end(kStart + 400 * 86400);
        info->set_f_jianzhu_danwei("深圳锦绣置业有限公司");
        info->set_f_shigong_danwei("中建某局第三建设有限公司");
        break;
    }
    case 8:
        setAttachment(addRecord(user, RecordType::FileUploaded, "上传了文件", n)
                          ->add_f_files()
                          ->mutable_f_baseinfo(),
            n);
        break;
    case 12:
        addRecord(
            user, RecordType::MembersInvited, "邀请了王志强、赵磊、陈静、刘洋、孙伟加入项目", n);
        break;
    case 14: {
        pb_im_t_msg_prj_record *record
            = addRecord(user, RecordType::MemberJoined, "陈静加入了项目", n);
        pb_im_t_msg_prj_record_base_user *receiver = record->add_receivers();
        receiver->set_f_uid(200120);
        receiver->set_f_name("陈静");
        receiver->set_f_job_type("质量员");
        break;
    }
    case 16:
        fillTask(
            addRecord(user, RecordType::TaskCompleted, "完成了任务", n)->mutable_f_task_info(), n);
        break;
    case 18:
        fillReport(
            addRecord(user, RecordType::TaskReport, "回复了任务", n)->mutable_f_task_info(), n);
        break;
    default:
        addRecord(user, RecordType::Announcement, "更新了项目进度", n);
        break;
    }
}

/// The wire bytes of a message of `items` items; a single item is a task notification.
const std::string &messageBytes(int items)
{
    static std::string single;
    static std::string twenty;
    std::string &bytes = items == 1 ? single : twenty;
    if (bytes.empty()) {
        pb_clt_t_user user;
        for (int n = 0; n < items; ++n)
            addMixedItem(user, n);
        bytes = user.SerializeAsString();
    }
    return bytes;
}

void BM_Parse(benchmark::State &state)
{
    const std::string &bytes = messageBytes(int(state.range(0)));
    int items = 0;
    for (auto _ : state) {
        pb_clt_t_user user;
        if (!user.ParseFromString(bytes))
            state.SkipWithError("message does not parse");
        items = user.f_im_msg().f_msg_size();
        benchmark::DoNotOptimize(user);
    }
    state.SetItemsProcessed(state.iterations() * items);
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

/// What the controller pays per message: the parse, the conversion, and the deletion of the
/// records when its list is cleared.
void BM_ParseConvert(benchmark::State &state)
{
    const std::string &bytes = messageBytes(int(state.range(0)));
    DynMsgConverter converter(state.range(1) != 0);
    converter.setPrjId(QString::number(kPrjId));
    converter.setUserId(QStringLiteral("200100"));

    int items = 0;
    int records = 0;
    for (auto _ : state) {
        pb_clt_t_user user;
        if (!user.ParseFromString(bytes))
            state.SkipWithError("message does not parse");
        MessageContext context;
        context.user = &user;
        const QList<SDynData *> converted = converter.convert(context);
        items = user.f_im_msg().f_msg_size();
        records = converted.size();
        qDeleteAll(converted);
    }
    state.SetItemsProcessed(state.iterations() * items);
    state.counters["records"]
        = benchmark::Counter(double(state.iterations()) * records, benchmark::Counter::kIsRate);
}

// ---- Each hand-written helper of the conversion beside the plain Qt call it stands for: a
// helper earns its place only where its row is clearly faster. Argument: 1 the helper, 0 Qt.

const std::string kBody = "张建国：3号楼12层剪力墙模板加固，浇筑前完成自检并上传照片";
const std::string kFileId = "cf-8f14e45fceea167a5a36dedd4bea2543-17";

void BM_TextHelpers_Utf8Chinese(benchmark::State &state)
{
    for (auto _ : state) {
        QString text = state.range(0) ? ConvertText::fromUtf8(kBody)
                                      : QString::fromUtf8(kBody.data(), int(kBody.size()));
        benchmark::DoNotOptimize(text);
    }
}

void BM_TextHelpers_Utf8Ascii(benchmark::State &state)
{
    for (auto _ : state) {
        QString text = state.range(0) ? ConvertText::fromUtf8(kFileId)
                                      : QString::fromUtf8(kFileId.data(), int(kFileId.size()));
        benchmark::DoNotOptimize(text);
    }
}

void BM_TextHelpers_Escaped(benchmark::State &state)
{
    const QString unit = QStringLiteral("中建三局 <第二项目部> & 监理组 \"西区\"");
    for (auto _ : state) {
        QString text;
        if (state.range(0)) {
            ConvertText::TextBuilder builder;
            builder.appendEscaped(unit);
            text = builder.text();
        } else {
            text = unit.toHtmlEscaped();
        }
        benchmark::DoNotOptimize(text);
    }
}

void BM_TextHelpers_Decimal(benchmark::State &state)
{
    quint64 id = 7000000000ULL;
    for (auto _ : state) {
        QString text = state.range(0) ? ConvertText::decimal(++id) : QString::number(++id);
        benchmark::DoNotOptimize(text);
    }
}

void BM_TextHelpers_Date(benchmark::State &state)
{
    const QDate date(2021, 4, 20);
    for (auto _ : state) {
        QString text = state.range(0) ? ConvertText::dateText(date)
                                      : date.toString(QStringLiteral("yyyy-MM-dd"));
        benchmark::DoNotOptimize(text);
    }
}

void BM_TextHelpers_LabelledMinute(benchmark::State &state)
{
    const QString label = QStringLiteral("End Time");
    const QDateTime when(QDate(2021, 4, 23), QTime(16, 40));
    for (auto _ : state) {
        QString text = state.range(0) ? ConvertText::labelledMinute(label, 2021, 4, 23, 16, 40)
                                      : label + when.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
        benchmark::DoNotOptimize(text);
    }
}

} // namespace

BENCHMARK(BM_TextHelpers_Utf8Chinese)->ArgName("helper")->Arg(1)->Arg(0);
BENCHMARK(BM_TextHelpers_Utf8Ascii)->ArgName("helper")->Arg(1)->Arg(0);
BENCHMARK(BM_TextHelpers_Escaped)->ArgName("helper")->Arg(1)->Arg(0);
BENCHMARK(BM_TextHelpers_Decimal)->ArgName("helper")->Arg(1)->Arg(0);
BENCHMARK(BM_TextHelpers_Date)->ArgName("helper")->Arg(1)->Arg(0);
BENCHMARK(BM_TextHelpers_LabelledMinute)->ArgName("helper")->Arg(1)->Arg(0);

BENCHMARK(BM_Parse)->ArgName("items")->Arg(1)->Arg(20);
BENCHMARK(BM_ParseConvert)->ArgNames({ "items", "group" })->ArgsProduct({ { 1, 20 }, { 1, 0 } });

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("TZ")) {
        // Same zone, but glibc then reads the zone file once instead of on every local time.
        qputenv("TZ", ":/etc/localtime");
        tzset();
        std::printf("TZ was unset: set to :/etc/localtime for this run\n");
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
