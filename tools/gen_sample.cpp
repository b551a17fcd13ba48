// Writes the sample project into a directory and prints what it holds.
//
//   gen_sample [directory]     (default: ./sample)
//   gen_sample --corpus <directory>
//
// messages.bin and weather.bin are streams of length-delimited messages (a varint length, then
// the message); members.tsv lists user id, name and job title. The same bytes on every run.
//
// --corpus writes the seed inputs of the fuzzers in fuzz/ instead: convert/ holds one file per
// message and per weather day, as serialised; push_store/ holds the rows the push service's store
// reads for ranges of the sample project as published, in the layout fuzz_push_store reads.

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSaveFile>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

#include "samples/SampleProject.h"

namespace {

QString itemTypeName(quint32 type)
{
    switch (type) {
    case 2:
        return QStringLiteral("picture");
    case 3:
        return QStringLiteral("voice");
    case 4:
        return QStringLiteral("file");
    case 5:
        return QStringLiteral("plain message");
    case 6:
    case 7:
        return QStringLiteral("task message");
    case 14:
        return QStringLiteral("project record");
    default:
        return QStringLiteral("other");
    }
}

QString recordTypeName(int type)
{
    switch (type) {
    case 0:
    case 3:
        return QStringLiteral("plain");
    case 1:
        return QStringLiteral("members invited");
    case 2:
        return QStringLiteral("project information edited");
    case 4:
    case 5:
    case 6:
    case 10:
        return QStringLiteral("task");
    case 7:
        return QStringLiteral("file uploaded");
    case 8:
        return QStringLiteral("file");
    case 9:
        return QStringLiteral("member joined");
    case 11:
        return QStringLiteral("task report");
    default:
        return QStringLiteral("unknown");
    }
}

bool writeFile(const QString &path, const QByteArray &bytes, QTextStream &err)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        err << "gen_sample: cannot write " << path << ": " << file.errorString() << '\n';
        return false;
    }
    return true;
}

/// Counts of the sample's contents, keyed so that the summary prints in a fixed order.
struct Summary
{
    int messages = 0;
    int items = 0;
    int itemsWithoutSeq = 0;
    int severalItems = 0;
    int attachments = 0;
    int logLines = 0;
    int taskDetails = 0;
    int withReport = 0;
    QMap<quint32, int> itemTypes;
    QMap<int, int> recordTypes;
};

Summary summarise(const QList<pb_clt_t_user> &messages)
{
    Summary summary;
    summary.messages = messages.size();
    for (const pb_clt_t_user &message : messages) {
        if (message.has_f_prj_details())
            summary.logLines += message.f_prj_details().f_prj_log_size();
        else if (!message.has_f_im_msg() && message.has_f_task_details())
            ++summary.taskDetails;
        const auto &items = message.f_im_msg().f_msg();
        if (items.size() > 1)
            ++summary.severalItems;
        for (const pb_im_t_msg_item &item : items) {
            ++summary.items;
            if (!item.has_f_msg_seq_id())
                ++summary.itemsWithoutSeq;
            ++summary.itemTypes[item.f_msg_type()];
            summary.attachments += item.f_attch_size();
            if (item.has_f_msg_task() && item.f_msg_task().has_f_last_report())
                ++summary.withReport;
            if (item.f_msg_type() == 14)
                ++summary.recordTypes[item.f_msg_prj_record().record_type()];
        }
    }
    return summary;
}

void appendVarint(QByteArray &out, quint64 value)
{
    while (value >= 0x80) {
        out += char((value & 0x7f) | 0x80);
        value >>= 7;
    }
    out += char(value);
}

void appendZigZag(QByteArray &out, qint32 value)
{
    appendVarint(out, (quint32(value) << 1) ^ quint32(value >> 31));
}

QByteArray serialised(const google::protobuf::MessageLite &message)
{
    const std::string bytes = message.SerializeAsString();
    return QByteArray(bytes.data(), int(bytes.size()));
}

/// One stored row of the push service: the message with its items numbered from firstSeqId.
struct StoredRow
{
    int firstSeqId = 0;
    int lastSeqId = 0;
    QByteArray payload;
};

/// The sample as the push service stores it when published in order into an empty group.
QList<StoredRow> storedRows(const QList<pb_clt_t_user> &messages)
{
    QList<StoredRow> rows;
    int lastSeqId = 0;
    for (pb_clt_t_user message : messages) {
        const int count = message.has_f_im_msg() ? message.f_im_msg().f_msg_size() : 0;
        for (int i = 0; i < count; ++i)
            message.mutable_f_im_msg()->mutable_f_msg(i)->set_f_msg_seq_id(lastSeqId + 1 + i);
        StoredRow row;
        row.firstSeqId = lastSeqId + 1;
        lastSeqId += std::max(1, count);
        row.lastSeqId = lastSeqId;
        row.payload = serialised(message);
        rows.append(row);
    }
    return rows;
}

/// A fuzz_push_store input: the range bounds, then the rows a read of that range takes (the last
/// row beginning at or before the range when it reaches into it, then those beginning inside),
/// each as its first sequence number and its payload's length and bytes. Numbers are zigzag
/// varints, lengths plain varints.
QByteArray rangeInput(const QList<StoredRow> &rows, int afterSeqId, int upToSeqId)
{
    QByteArray input;
    appendZigZag(input, afterSeqId);
    appendZigZag(input, upToSeqId);
    const auto appendRow = [&input](const StoredRow &row) {
        appendZigZag(input, row.firstSeqId);
        appendVarint(input, quint64(row.payload.size()));
        input += row.payload;
    };
    const StoredRow *before = nullptr;
    for (const StoredRow &row : rows) {
        if (row.firstSeqId <= afterSeqId)
            before = &row;
    }
    if (before && before->lastSeqId > afterSeqId)
        appendRow(*before);
    for (const StoredRow &row : rows) {
        if (row.firstSeqId > afterSeqId && row.firstSeqId <= upToSeqId)
            appendRow(row);
    }
    return input;
}

int writeCorpus(const QString &dirPath, QTextStream &out, QTextStream &err)
{
    QDir dir(dirPath);
    const QString convertDir = QStringLiteral("convert");
    const QString storeDir = QStringLiteral("push_store");
    if (!dir.mkpath(convertDir) || !dir.mkpath(storeDir)) {
        err << "gen_sample: cannot create " << dirPath << '\n';
        return 1;
    }
    const QList<pb_clt_t_user> messages = SampleProject::messages();
    const QList<pb_prj_t_prj_weather> weather = SampleProject::weather();
    int files = 0;
    const auto write = [&](const QString &sub, const QString &name, const QByteArray &bytes) {
        ++files;
        return writeFile(dir.filePath(sub + QLatin1Char('/') + name), bytes, err);
    };
    for (int i = 0; i < messages.size(); ++i) {
        if (!write(convertDir, QStringLiteral("message_%1").arg(i, 4, 10, QLatin1Char('0')),
                serialised(messages.at(i))))
            return 1;
    }
    for (int i = 0; i < weather.size(); ++i) {
        if (!write(convertDir, QStringLiteral("weather_%1").arg(i, 2, 10, QLatin1Char('0')),
                serialised(weather.at(i))))
            return 1;
    }

    // Pages of twenty as a client fetches them, and the newest ten a subscriber receives.
    const QList<StoredRow> rows = storedRows(messages);
    const int seq = rows.isEmpty() ? 0 : rows.constLast().lastSeqId;
    constexpr int PageSize = 20;
    for (int after = 0; after < seq; after += PageSize) {
        if (!write(storeDir, QStringLiteral("page_%1").arg(after, 5, 10, QLatin1Char('0')),
                rangeInput(rows, after, std::min(after + PageSize, seq))))
            return 1;
    }
    if (!write(storeDir, QStringLiteral("newest"), rangeInput(rows, std::max(0, seq - 10), seq)))
        return 1;

    // The sample has no message with both items and parts beside them; a publisher may send one.
    const auto withItems = std::find_if(messages.cbegin(), messages.cend(),
        [](const pb_clt_t_user &message) { return message.f_im_msg().f_msg_size() > 1; });
    const auto withDetails = std::find_if(messages.cbegin(), messages.cend(),
        [](const pb_clt_t_user &message) { return message.has_f_prj_details(); });
    if (withItems != messages.cend() && withDetails != messages.cend()) {
        pb_clt_t_user both = *withItems;
        both.MergeFrom(*withDetails);
        const QList<StoredRow> bothRows = storedRows({ *withItems, both, *withItems });
        if (!write(storeDir, QStringLiteral("items_and_details"),
                rangeInput(bothRows, bothRows.constFirst().lastSeqId - 1,
                    bothRows.constLast().firstSeqId)))
            return 1;
    }

    out << files << " seed inputs written to " << QDir::cleanPath(dir.absolutePath()) << '\n';
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");

    if (argc > 1 && qstrcmp(argv[1], "--corpus") == 0) {
        if (argc != 3) {
            err << "usage: gen_sample --corpus <directory>\n";
            return 2;
        }
        return writeCorpus(QString::fromLocal8Bit(argv[2]), out, err);
    }

    const QString dirPath = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("sample");
    QDir dir(dirPath);
    if (!dir.mkpath(QStringLiteral("."))) {
        err << "gen_sample: cannot create " << dirPath << '\n';
        return 1;
    }

    const QList<pb_clt_t_user> messages = SampleProject::messages();
    const QList<pb_prj_t_prj_weather> weather = SampleProject::weather();
    const QList<SampleMember> members = SampleProject::members();

    QByteArray memberTable;
    for (const SampleMember &member : members)
        memberTable
            += (member.userId() + '\t' + member.name + '\t' + member.jobTitle + '\n').toUtf8();

    if (!writeFile(dir.filePath(QStringLiteral("messages.bin")),
            SampleProject::toDelimitedStream(messages), err)
        || !writeFile(dir.filePath(QStringLiteral("weather.bin")),
            SampleProject::toDelimitedStream(weather), err)
        || !writeFile(dir.filePath(QStringLiteral("members.tsv")), memberTable, err)) {
        return 1;
    }

    const Summary summary = summarise(messages);
    out << SampleProject::projectName() << " (" << SampleProject::projectId() << "), from "
        << SampleProject::startTime().toString(Qt::ISODate) << '\n';
    out << "written to " << QDir::cleanPath(dir.absolutePath()) << '\n';
    out << members.size() << " members, " << summary.messages << " messages, " << summary.items
        << " items (" << summary.itemsWithoutSeq << " without sequence number, "
        << summary.severalItems << " messages with several items), " << summary.attachments
        << " item attachments\n";
    out << summary.logLines << " project log lines, " << summary.taskDetails
        << " task-details messages, " << summary.withReport << " task messages with a report\n";
    out << "item types:\n";
    for (auto it = summary.itemTypes.cbegin(); it != summary.itemTypes.cend(); ++it)
        out << "  " << qSetFieldWidth(3) << it.key() << qSetFieldWidth(0) << "  "
            << qSetFieldWidth(4) << it.value() << qSetFieldWidth(0) << "  "
            << itemTypeName(it.key()) << '\n';
    out << "project record types:\n";
    for (auto it = summary.recordTypes.cbegin(); it != summary.recordTypes.cend(); ++it)
        out << "  " << qSetFieldWidth(3) << it.key() << qSetFieldWidth(0) << "  "
            << qSetFieldWidth(4) << it.value() << qSetFieldWidth(0) << "  "
            << recordTypeName(it.key()) << '\n';
    int reminders = 0;
    for (const pb_prj_t_prj_weather &forecast : weather) {
        for (const pb_prj_t_weather_details &day : forecast.f_weather_info())
            reminders += day.f_reminders_size();
    }
    out << "weather: " << weather.size() << " days, " << reminders << " reminders\n";
    return 0;
}
