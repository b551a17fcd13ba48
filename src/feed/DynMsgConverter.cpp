#include "feed/DynMsgConverter.h"
#include "feed/DynMsgConverter_p.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QStringList>

#include <limits>
#include <vector>

#include "DynKeys.h"
#include "MessageContext.h"
#include "feed/ConvertText_p.h"
#include "feed/SDynData.h"
#include "msl.pb.h"

using namespace ConvertText;

namespace {

const QString kSecretaryHeader = QStringLiteral(":/icon/resources/images/secretary.png");
const QString kNewMemberHeader = QStringLiteral(":/icon/resources/images/new_member.png");

// QHash::insert copies its argument into the node and then destroys it, each a call through
// QVariant's type handler; a node built empty and moved into costs neither.
template <typename T> inline void put(QVariantHash &map, const QString &key, const T &value)
{
    map[key] = QVariant(value);
}

// Marks a quarter hour in which the zone changes its offset.
constexpr int kOffsetChangesInside = std::numeric_limits<int>::min();

// Sets text from an item's body, the sender's name cut off its front.
void setSummary(SDynData *record, const std::string &body, const QString &name)
{
    record->text = fromUtf8(body);
    if (!name.isEmpty() && record->text.startsWith(name))
        record->text.remove(0, name.size());
}

// The job title a record shows for a job text of a message: the text itself when it is one of
// the titles, else the last title. Compared as UTF-8 bytes, without decoding.
const QString &jobTitleOf(const std::string &job)
{
    const QStringList &titles = jobTitles();
    static const std::vector<std::string> utf8Titles = [&titles] {
        std::vector<std::string> list;
        for (const QString &title : titles)
            list.push_back(title.toStdString());
        return list;
    }();
    for (size_t i = 0; i < utf8Titles.size(); ++i) {
        if (job == utf8Titles[i])
            return titles.at(int(i));
    }
    // Other bytes can decode to a title only by a leading byte order mark, which decoding drops.
    if (job.size() > 3 && job.compare(0, 3, "\xef\xbb\xbf") == 0) {
        const int i = titles.indexOf(QString::fromUtf8(job.data(), int(job.size())));
        if (i >= 0)
            return titles.at(i);
    }
    return titles.constLast();
}

// Appends one line of the project information: the label, then the value as HTML text, in a
// paragraph.
void appendParagraph(TextBuilder &text, const QString &label, const QString &value)
{
    text.append(QLatin1String("<p style = 'margin:10px'>"));
    text.append(label);
    text.appendEscaped(value);
    text.append(QLatin1String("</p>"));
}

// The dates are the local dates of f_prj_begin and f_prj_end.
QString projectInfoText(const pb_prj_t_info &info, const QDate &beginDate, const QDate &endDate)
{
    TextBuilder text;
    if (info.has_f_prj_name() && !info.f_prj_name().empty())
        appendParagraph(text, QCoreApplication::translate("DynMsgConverter", "项目名称 : "),
            fromUtf8(info.f_prj_name()));
    if (info.has_f_prj_type()) {
        const QString type = projectTypeName(info.f_prj_type());
        if (!type.isEmpty())
            appendParagraph(text, QCoreApplication::translate("DynMsgConverter", "项目类型 : "),
                shownValueName(type));
    }
    if (info.has_f_province() || info.has_f_city() || info.has_f_prj_address()) {
        QString place;
        bool first = true;
        for (const std::string *part :
            { &info.f_province(), &info.f_city(), &info.f_prj_address() }) {
            if (part->empty())
                continue;
            if (!first)
                place += QLatin1Char(' ');
            place += fromUtf8(*part);
            first = false;
        }
        if (!place.isEmpty())
            appendParagraph(
                text, QCoreApplication::translate("DynMsgConverter", "  所在地 : "), place);
    }
    if (info.has_f_float_floor_area() && info.f_float_floor_area() > 0) {
        appendParagraph(text, QCoreApplication::translate("DynMsgConverter", "建筑面积 : "),
            QString::number(double(info.f_float_floor_area()), 'f', 2)
                + QCoreApplication::translate("DynMsgConverter", "万平米"));
    }

    const qint64 begin = info.f_prj_begin();
    const qint64 end = info.f_prj_end();
    if (begin >= 1 && end >= 1 && beginDate.isValid() && endDate.isValid()) {
        appendParagraph(text, QCoreApplication::translate("DynMsgConverter", "项目工期 : "),
            dateText(beginDate) + QLatin1String(" - ") + dateText(endDate));
    } else if (begin >= 1 && end < 1 && beginDate.isValid()) {
        appendParagraph(text, QCoreApplication::translate("DynMsgConverter", "开始时间 : "),
            dateText(beginDate));
    } else if (begin <= 0 && end > 0 && endDate.isValid()) {
        appendParagraph(
            text, QCoreApplication::translate("DynMsgConverter", "结束时间 : "), dateText(endDate));
    }

    const std::pair<QString, const std::string *> units[] = {
        { QCoreApplication::translate("DynMsgConverter", "建设单位 : "),
            info.has_f_jianzhu_danwei() ? &info.f_jianzhu_danwei() : nullptr },
        { QCoreApplication::translate("DynMsgConverter", "施工单位 : "),
            info.has_f_shigong_danwei() ? &info.f_shigong_danwei() : nullptr },
        { QCoreApplication::translate("DynMsgConverter", "监理单位 : "),
            info.has_f_jianli_danwei() ? &info.f_jianli_danwei() : nullptr },
        { QCoreApplication::translate("DynMsgConverter", "分包单位 : "),
            info.has_f_fenbao_danwei() ? &info.f_fenbao_danwei() : nullptr },
    };
    for (const auto &unit : units) {
        if (unit.second && !unit.second->empty())
            appendParagraph(text, unit.first, fromUtf8(*unit.second));
    }
    return text.text();
}

} // namespace

DynMsgConverter::DynMsgConverter(bool bGroupFeed)
    : m_bGroupFeed(bGroupFeed)
    , d(std::make_unique<DynMsgConverterPrivate>())
{ }

DynMsgConverter::~DynMsgConverter() = default;

DynMsgConverter::DynMsgConverter(DynMsgConverter &&other) noexcept = default;

void DynMsgConverter::setPrjId(const QString &prjId)
{
    m_prjId = prjId;
    bool ok = false;
    d->prjIdValue = prjId.toULongLong(&ok);
    d->prjIdIsNumber = ok && QString::number(d->prjIdValue) == prjId;
}

void DynMsgConverter::setUserId(const QString &userId)
{
    m_userId = userId;
}

void DynMsgConverter::setPrjName(const QString &prjName)
{
    m_prjName = prjName;
}

void DynMsgConverter::reset()
{
    d->reset();
}

void DynMsgConverterPrivate::reset()
{
    seenSeqIds.clear();
    m_idTexts = {};
    m_nameTexts = {};
    // The system's time zone may have changed since the offsets were taken.
    m_utcOffsets.clear();
}

bool DynMsgConverter::isOwnProject(quint64 prjId) const
{
    return d->prjIdIsNumber && prjId == d->prjIdValue;
}

int DynMsgConverterPrivate::utcOffset(qint64 secs)
{
    // Zone transitions nearly always fall on quarter hours, so one offset serves a whole quarter.
    // A few (old local mean times) do not; such a quarter is looked up second by second.
    const qint64 quarter = secs >= 0 ? secs / 900 : (secs - 899) / 900;
    auto it = m_utcOffsets.constFind(quarter);
    if (it == m_utcOffsets.constEnd()) {
        const int first = utcOffsetAt(quarter * 900);
        const int last = utcOffsetAt(quarter * 900 + 899);
        it = m_utcOffsets.insert(quarter, first == last ? first : kOffsetChangesInside);
    }
    return it.value() == kOffsetChangesInside ? utcOffsetAt(secs) : it.value();
}

QDateTime DynMsgConverterPrivate::localTime(qint64 time)
{
    const qint64 secs = boundedSecs(time);
    return QDateTime::fromSecsSinceEpoch(secs, Qt::OffsetFromUTC, utcOffset(secs));
}

QString DynMsgConverterPrivate::endTimeText(qint64 time)
{
    if (endTimeLabel.isNull())
        endTimeLabel = QObject::tr("End Time");
    const QString &label = endTimeLabel;
    const qint64 secs = boundedSecs(time);
    const qint64 local = secs + utcOffset(secs);
    int year = 0;
    int month = 0;
    int day = 0;
    if (local > -kCalendarSecs && local < kCalendarSecs) {
        // The local date and clock without building a QDateTime; QDate keeps its calendar.
        const qint64 days = local >= 0 ? local / 86400 : (local - 86399) / 86400;
        const int second = int(local - days * 86400);
        QDate::fromJulianDay(days + kEpochJulianDay).getDate(&year, &month, &day);
        return labelledMinute(label, year, month, day, second / 3600, second / 60 % 60);
    }
    const QDateTime when = localTime(time);
    if (!when.isValid())
        return label + when.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    when.date().getDate(&year, &month, &day);
    return labelledMinute(label, year, month, day, when.time().hour(), when.time().minute());
}

const QString &DynMsgConverterPrivate::idText(quint64 id)
{
    IdText &entry = m_idTexts[(id * Q_UINT64_C(0x9e3779b97f4a7c15)) >> 58];
    if (entry.text.isNull() || entry.id != id) {
        entry.id = id;
        entry.text = decimal(id);
    }
    return entry.text;
}

const DynMsgConverterPrivate::NameText &DynMsgConverterPrivate::nameText(const std::string &name)
{
    quint32 hash = 2166136261u;
    for (const char c : name)
        hash = (hash ^ uchar(c)) * 16777619u;
    NameText &entry = m_nameTexts[hash % m_nameTexts.size()];
    if (!entry.used || entry.bytes != name) {
        entry.used = true;
        entry.bytes = name;
        entry.text = fromUtf8(name);
    }
    return entry;
}

QList<SDynData *> DynMsgConverter::convert(const MessageContext &context)
{
    QList<SDynData *> records;
    const pb_clt_t_user *user = context.user;
    if (!user)
        return records;
    d->endTimeLabel.clear();
    if (user->has_f_im_msg()) {
        const auto &items = user->f_im_msg().f_msg();
        records.reserve(items.size());
        for (const pb_im_t_msg_item &item : items)
            convertItem(item, records);
    } else if (user->has_f_prj_details()) {
        convertProjectLog(user->f_prj_details(), records);
    } else if (user->has_f_prj_weather()) {
        convertForecast(user->f_prj_weather(), records);
    }
    return records;
}

void DynMsgConverter::convertItem(const pb_im_t_msg_item &item, QList<SDynData *> &out)
{
    if (item.has_f_msg_seq_id()) {
        const int seq = item.f_msg_seq_id();
        if (d->seenSeqIds.contains(seq))
            return;
        d->seenSeqIds.insert(seq);
    }

    const quint32 type = item.f_msg_type();
    if (type == MsgType::ProjectRecord) {
        if (SDynData *record = convertProjectRecord(item))
            out.append(record);
        return;
    }
    if ((type == MsgType::Task || type == MsgType::TaskFollowUp) && item.has_f_msg_task()) {
        const pb_im_t_msg_task &task = item.f_msg_task();
        if (!m_bGroupFeed && !isOwnProject(task.f_prj_id()))
            return;
        if (task.has_f_last_report()) {
            out.append(makeReportRecord(task, item));
        } else {
            SDynData *record = makeTaskRecord(task);
            fillHeader(record, item);
            out.append(record);
        }
        return;
    }
    if (type == MsgType::Plain) {
        auto *record = new SDynData(SDynData::KindText);
        fillHeader(record, item);
        out.append(record);
        return;
    }
    for (const pb_im_t_msg_attach &attach : item.f_attch()) {
        SDynData *record = makeAttachRecord(attach);
        fillHeader(record, item);
        out.append(record);
    }
}

void DynMsgConverter::fillHeader(SDynData *record, const pb_im_t_msg_item &item)
{
    if (item.has_f_msg_seq_id())
        record->seqId = item.f_msg_seq_id();
    if (item.has_f_msg_id())
        put(record->extra, DynKey::msgId, decimal(item.f_msg_id()));

    const DynMsgConverterPrivate::NameText &name = d->nameText(item.f_sender_name());
    setSummary(record, item.f_msg_body(), name.text);
    record->userId = d->idText(item.f_sender_id());
    record->userName = name.text;
    if (!m_bGroupFeed)
        record->userHeader = kSecretaryHeader;
    record->dateTime = d->localTime(item.f_send_time());
    const bool hasSender = item.has_f_msg_prj_record() && item.f_msg_prj_record().has_sender();
    record->userJob = hasSender ? jobTitleOf(item.f_msg_prj_record().sender().f_job_type())
                                : jobTitles().constLast();
}

SDynData *DynMsgConverter::makeTaskRecord(const pb_im_t_msg_task &task)
{
    auto *record = new SDynData(SDynData::KindTask);
    QVariantHash &content = record->content;
    const QString taskId = decimal(task.f_task_id());
    put(content, DynKey::taskId, taskId);
    put(content, DynKey::desc, fromUtf8(task.f_task_desc()));
    put(content, DynKey::type, taskTypeName(task.f_task_type()));
    put(content, DynKey::location, fromUtf8(task.f_position()));
    put(content, DynKey::people, fromUtf8(task.f_assign_desc()));
    put(content, DynKey::time, d->endTimeText(task.f_task_end()));
    if (task.has_f_task_status())
        put(content, DynKey::status, task.f_task_status());
    if (task.f_task_desc_type() == DescType::Voice)
        put(content, DynKey::taskDescPlayTime, task.f_task_desc_playtime());

    if (!m_bGroupFeed) {
        QVariantHash &extra = record->extra;
        put(extra, DynKey::aboutMe, true);
        put(extra, DynKey::taskId, taskId);
        if (task.has_f_operate_type())
            put(extra, DynKey::operateType, task.f_operate_type());
        if (task.f_receiver_uin_size() > 0) {
            QStringList uids;
            uids.reserve(task.f_receiver_uin_size());
            for (quint64 uid : task.f_receiver_uin())
                uids << d->idText(uid);
            put(extra, DynKey::receiverUids, uids);
        }
        if (task.f_operate_uin_size() > 0) {
            QStringList uids;
            uids.reserve(task.f_operate_uin_size());
            for (quint64 uid : task.f_operate_uin())
                uids << d->idText(uid);
            put(extra, DynKey::operateUids, uids);
        }
        if (task.has_f_operate_status())
            put(extra, DynKey::operatorStatus, task.f_operate_status());
        put(extra, DynKey::userId, m_userId);
    }
    return record;
}

SDynData *DynMsgConverter::makeReportRecord(
    const pb_im_t_msg_task &task, const pb_im_t_msg_item &item)
{
    auto *record = new SDynData(SDynData::KindTaskReport);
    const pb_prj_t_task_report &report = task.f_last_report();

    QVariantHash &content = record->content;
    put(content, DynKey::taskId, decimal(task.f_task_id()));
    put(content, DynKey::taskDesc, fromUtf8(task.f_task_desc()));
    if (task.f_task_desc_type() == DescType::Voice)
        put(content, DynKey::taskDescPlayTime, task.f_task_desc_playtime());
    put(content, DynKey::title, fromUtf8(report.f_title()));
    put(content, DynKey::content, fromUtf8(report.f_content()));
    put(content, DynKey::contentType, report.f_content_type());
    if (report.has_f_playtime())
        put(content, DynKey::reportPlayTime, report.f_playtime());
    if (report.f_attach_list_size() > 0) {
        QStringList attachments;
        attachments.reserve(report.f_attach_list_size());
        for (const pb_prj_t_base_file &file : report.f_attach_list()) {
            const pb_im_t_msg_attach &base = file.f_baseinfo();
            attachments << fromUtf8(base.f_attach_type() == AttachType::Picture
                    ? base.f_attach_url()
                    : base.f_attach_name());
        }
        put(content, DynKey::attachList, attachments);
    }

    QVariantHash &extra = record->extra;
    put(extra, DynKey::reportId, decimal(report.f_report_id()));
    QString sponsorName;
    QString replyToName;
    if (report.has_f_sponsor()) {
        const pb_prj_t_user &sponsor = report.f_sponsor();
        if (sponsor.has_f_uid())
            put(extra, DynKey::sponsorId, sponsor.f_uid());
        if (sponsor.has_f_name()) {
            sponsorName = d->nameText(sponsor.f_name()).text;
            put(extra, DynKey::sponsorName, sponsorName);
        }
    }
    if (report.has_f_reply_to()) {
        const pb_prj_t_user &replyTo = report.f_reply_to();
        if (replyTo.has_f_uid())
            put(extra, DynKey::replyToId, replyTo.f_uid());
        if (replyTo.has_f_name()) {
            replyToName = d->nameText(replyTo.f_name()).text;
            put(extra, DynKey::replyToName, replyToName);
        }
    }

    fillHeader(record, item);
    if (!sponsorName.isEmpty() && !replyToName.isEmpty()) {
        record->text
            = (m_bGroupFeed ? QString() : sponsorName) + QStringLiteral("回复") + replyToName;
    }
    return record;
}

SDynData *DynMsgConverter::makeAttachRecord(const pb_im_t_msg_attach &attach)
{
    auto *record = new SDynData(SDynData::KindAttachment);
    QVariantHash &content = record->content;
    put(content, DynKey::attachName, fromUtf8(attach.f_attach_name()));
    put(content, DynKey::attachSize, attach.f_attach_size());
    put(content, DynKey::attachUrl, fromUtf8(attach.f_attach_url()));
    put(content, DynKey::attachId, fromUtf8(attach.f_attach_id()));
    return record;
}

SDynData *DynMsgConverter::convertProjectRecord(const pb_im_t_msg_item &item)
{
    const pb_im_t_msg_prj_record &prjRecord = item.f_msg_prj_record();
    SDynData *record = nullptr;
    switch (prjRecord.record_type()) {
    case RecordType::Announcement:
    case RecordType::ProjectSettingsChanged:
        record = new SDynData(SDynData::KindText);
        fillHeader(record, item);
        break;
    case RecordType::MembersInvited:
        record = makeInvitation(item);
        break;
    case RecordType::MemberJoined:
        record = makeMemberJoined(item);
        break;
    case RecordType::ProjectInfoEdited:
        record = new SDynData(SDynData::KindProjectInfo);
        fillHeader(record, item);
        if (prjRecord.has_f_prj_info()) {
            const pb_prj_t_info &info = prjRecord.f_prj_info();
            // Through the offset cache: a local time of its own costs microseconds.
            const QString text = projectInfoText(info, d->localTime(info.f_prj_begin()).date(),
                d->localTime(info.f_prj_end()).date());
            if (!text.isEmpty())
                put(record->content, DynKey::text, text);
        }
        break;
    case RecordType::TaskCreated:
    case RecordType::TaskDeadlineChanged:
    case RecordType::TaskCompleted:
    case RecordType::TaskHandedOver:
        if (prjRecord.has_f_task_info()) {
            record = makeTaskRecord(prjRecord.f_task_info());
            fillHeader(record, item);
        }
        break;
    case RecordType::TaskReport:
        if (prjRecord.has_f_task_info() && prjRecord.f_task_info().has_f_last_report())
            record = makeReportRecord(prjRecord.f_task_info(), item);
        break;
    case RecordType::FileUploaded:
    case RecordType::FileShared:
        if (prjRecord.f_files_size() > 0) {
            record = makeAttachRecord(prjRecord.f_files(0).f_baseinfo());
            if (prjRecord.record_type() == RecordType::FileUploaded)
                put(record->extra, DynKey::upload, true);
            fillHeader(record, item);
        }
        break;
    default:
        break;
    }
    return record;
}

SDynData *DynMsgConverter::makeInvitation(const pb_im_t_msg_item &item)
{
    auto *record = new SDynData(SDynData::KindText);
    fillHeader(record, item);

    const QString prefix = QStringLiteral("邀请了");
    const QString suffix = QStringLiteral("加入项目");
    const QString &text = record->text;
    if (text.startsWith(prefix) && text.endsWith(suffix)) {
        // The names are split at "、" with empty parts kept; only the first three and the count
        // are shown, so they are found in place.
        const QChar separator(0x3001);
        const int namesStart = prefix.size();
        const int namesEnd = text.size() - suffix.size();
        int separators[3] = {};
        int count = 1;
        for (int i = namesStart; i < namesEnd; ++i) {
            if (text.at(i) == separator) {
                if (count <= 3)
                    separators[count - 1] = i;
                ++count;
            }
        }
        if (count > 3) {
            const QString summary = prefix + text.midRef(namesStart, separators[2] - namesStart)
                + QStringLiteral("等") + QString::number(count) + QStringLiteral("人") + suffix;
            put(record->content, DynKey::text,
                QStringLiteral("新加入成员： ") + text.midRef(namesStart, namesEnd - namesStart));
            record->text = summary;
        }
    }
    record->userHeader = kNewMemberHeader;
    return record;
}

SDynData *DynMsgConverter::makeMemberJoined(const pb_im_t_msg_item &item)
{
    auto *record = new SDynData(SDynData::KindText);
    fillHeader(record, item);

    const pb_im_t_msg_prj_record &prjRecord = item.f_msg_prj_record();
    if (prjRecord.has_sender() && prjRecord.receivers_size() > 0) {
        const pb_im_t_msg_prj_record_base_user &receiver = prjRecord.receivers(0);
        const QString name = d->nameText(receiver.f_name()).text;
        if (prjRecord.receivers_size() == 1 && record->text.startsWith(name)) {
            record->userId = d->idText(receiver.f_uid());
            record->userName = name;
            record->userJob = jobTitleOf(receiver.f_job_type());
            record->text = QStringLiteral("加入了项目");
        }
    }
    return record;
}

void DynMsgConverter::convertProjectLog(const pb_prj_t_details &details, QList<SDynData *> &out)
{
    for (const pb_prj_t_log &log : details.f_prj_log()) {
        if (!log.has_f_log_content() || !log.has_f_add_time())
            continue;
        auto *record = new SDynData(SDynData::KindText);
        record->text = fromUtf8(log.f_log_content());
        record->dateTime = d->localTime(log.f_add_time());
        out.append(record);
    }
}

QList<SDynData *> DynMsgConverter::convertWeather(
    const pb_prj_t_prj_weather &weather, const QString &prjName)
{
    QList<SDynData *> records;
    if (!isOwnProject(weather.f_prj_id()) || weather.f_weather_info_size() == 0)
        return records;
    for (const pb_prj_t_weather_details &day : weather.f_weather_info()) {
        for (const pb_prj_t_reminder &reminder : day.f_reminders())
            records.append(makeWeatherRecord(day, reminder, prjName));
    }
    return records;
}

void DynMsgConverter::convertForecast(const pb_prj_t_prj_weather &weather, QList<SDynData *> &out)
{
    const QList<SDynData *> records = convertWeather(weather, m_prjName);
    if (records.isEmpty())
        return;
    // The message carries no time. A forecast is issued for the days from its first one on, so
    // its records stand at the start of that day, below that day's events.
    QDate firstDay;
    for (const pb_prj_t_weather_details &day : weather.f_weather_info()) {
        const QDate date = QDate::fromString(fromUtf8(day.f_date()), QStringLiteral("yyyy-MM-dd"));
        if (date.isValid() && (!firstDay.isValid() || date < firstDay))
            firstDay = date;
    }
    const QDateTime issued = firstDay.isValid() ? firstDay.startOfDay() : QDateTime();
    for (SDynData *record : records)
        record->dateTime = issued;
    out += records;
}

SDynData *DynMsgConverter::makeWeatherRecord(
    const pb_prj_t_weather_details &day, const pb_prj_t_reminder &reminder, const QString &prjName)
{
    auto *record = new SDynData(SDynData::KindWeather);
    record->userName = QStringLiteral("Secretary");
    record->userHeader = kSecretaryHeader;
    QVariantHash &content = record->content;
    put(content, DynKey::prjName, prjName);
    put(content, DynKey::weatherInfo, fromUtf8(day.f_weather_info()));
    put(content, DynKey::weatherType, day.f_weather_type());
    put(content, DynKey::date, fromUtf8(day.f_date()));
    record->text = fromUtf8(reminder.f_reminder_title());
    put(content, DynKey::reminderTitle, record->text);
    put(content, DynKey::reminderType, reminder.f_reminder_type());
    return record;
}
