#include "feed/DynMsgConverter.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QEvent>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QVarLengthArray>
#include <QtEndian>

#include <atomic>
#include <cstring>
#include <limits>
#include <vector>

#include "MessageContext.h"
#include "feed/SDynData.h"
#include "msl.pb.h"

namespace {

const QString kSecretaryHeader = QStringLiteral(":/icon/resources/images/secretary.png");
const QString kNewMemberHeader = QStringLiteral(":/icon/resources/images/new_member.png");

// Decodes text that is plain valid UTF-8 not beginning with a byte order mark, which is what
// the server sends, and returns false for anything else: there Qt's decoder, with its handling of
// bad bytes and of a leading mark, stays the rule. Qt's own decoder takes several times as long
// on Chinese text.
bool decodePlainUtf8(const char *data, int size, QString &out)
{
    if (size == 0) {
        out = QString::fromLatin1("", 0); // empty but not null, like QString::fromUtf8; no block
        return true;
    }
    const auto *src = reinterpret_cast<const uchar *>(data);
    const uchar *const end = src + size;
    if (size >= 3 && src[0] == 0xef && src[1] == 0xbb && src[2] == 0xbf)
        return false;

    // Never more UTF-16 units than bytes. Short text is decoded on the stack and then copied
    // into a block of its exact size: Chinese takes a third of its bytes, and blocks of the
    // size the bytes would ask for are both wasted memory and slower to allocate and free.
    constexpr int kStackUnits = 256;
    ushort stackUnits[kStackUnits];
    QString text;
    if (size > kStackUnits)
        text = QString(size, Qt::Uninitialized);
    auto *const first = size > kStackUnits ? reinterpret_cast<ushort *>(text.data()) : stackUnits;
    ushort *dst = first;
    while (src < end) {
        const uint lead = *src;
        if (lead < 0x80) {
            *dst++ = ushort(lead);
            ++src;
            // Ids, addresses and file names are mostly ASCII: eight bytes at a time.
            quint64 word;
            while (end - src >= 8 && (memcpy(&word, src, 8), !(word & 0x8080808080808080ULL))) {
                for (int i = 0; i < 8; ++i)
                    dst[i] = src[i];
                src += 8;
                dst += 8;
            }
        } else if (lead - 0xe0 < 0x10) {
            // Chinese text is runs of three-byte characters: two at a time from eight bytes.
            while (end - src >= 8) {
                const quint64 word = qFromLittleEndian<quint64>(src);
                if ((word & Q_UINT64_C(0x0000c0c0f0c0c0f0)) != Q_UINT64_C(0x00008080e08080e0))
                    break;
                const uint one = uint(word & 0x0f) << 12 | uint(word >> 8 & 0x3f) << 6
                    | uint(word >> 16 & 0x3f);
                const uint two = uint(word >> 24 & 0x0f) << 12 | uint(word >> 32 & 0x3f) << 6
                    | uint(word >> 40 & 0x3f);
                if (one < 0x800 || one - 0xd800 < 0x800 || two < 0x800 || two - 0xd800 < 0x800)
                    return false; // overlong or a surrogate
                dst[0] = ushort(one);
                dst[1] = ushort(two);
                dst += 2;
                src += 6;
            }
            if (src == end)
                break;
            if (uint(*src) - 0xe0 >= 0x10)
                continue;
            if (end - src < 3)
                return false;
            // Continuation bytes become 0..0x3f, anything else more.
            const uint c1 = src[1] ^ 0x80u;
            const uint c2 = src[2] ^ 0x80u;
            if ((c1 | c2) > 0x3f)
                return false;
            const uint uc = (*src & 0x0fu) << 12 | c1 << 6 | c2;
            if (uc < 0x800 || uc - 0xd800 < 0x800)
                return false; // overlong or a surrogate
            *dst++ = ushort(uc);
            src += 3;
        } else if (lead >= 0xc2 && lead < 0xe0) {
            if (end - src < 2 || (src[1] & 0xc0) != 0x80)
                return false;
            *dst++ = ushort((lead & 0x1f) << 6 | (src[1] & 0x3fu));
            src += 2;
        } else if (lead >= 0xf0 && lead < 0xf5) {
            if (end - src < 4 || (src[1] & 0xc0) != 0x80 || (src[2] & 0xc0) != 0x80
                || (src[3] & 0xc0) != 0x80)
                return false;
            const uint uc = (lead & 0x07) << 18 | (src[1] & 0x3fu) << 12 | (src[2] & 0x3fu) << 6
                | (src[3] & 0x3fu);
            if (uc < 0x10000 || uc > 0x10ffff)
                return false;
            *dst++ = QChar::highSurrogate(uc);
            *dst++ = QChar::lowSurrogate(uc);
            src += 4;
        } else {
            return false; // a continuation byte, an overlong lead or no lead at all
        }
    }
    if (size > kStackUnits) {
        text.resize(int(dst - first));
        out = std::move(text);
    } else {
        out = QString(reinterpret_cast<const QChar *>(first), int(dst - first));
    }
    return true;
}

/// QString::fromUtf8, exactly.
inline QString fromUtf8(const std::string &s)
{
    QString text;
    if (!decodePlainUtf8(s.data(), int(s.size()), text))
        text = QString::fromUtf8(s.data(), int(s.size()));
    return text;
}

// QHash::insert copies its argument into the node and then destroys it, each a call through
// QVariant's type handler; a node built empty and moved into costs neither.
template <typename T> inline void put(QVariantHash &map, const QString &key, const T &value)
{
    map[key] = QVariant(value);
}

// Writes value in decimal, at least `width` digits, ending at `end`; returns the first digit.
QChar *writeDigits(QChar *end, quint64 value, int width)
{
    do {
        *--end = QChar(ushort('0' + value % 10));
        value /= 10;
        --width;
    } while (value != 0 || width > 0);
    return end;
}

// QString::number would go through the locale machinery for every id.
QString decimal(quint64 id)
{
    QChar digits[20];
    QChar *const end = digits + 20;
    const QChar *first = writeDigits(end, id, 1);
    return QString(first, int(end - first));
}

// Writes "yyyy-MM-dd" ending at `end`, as QDate::toString gives it: the year has at least four
// digits and a sign when negative. Returns the first character.
QChar *writeDate(QChar *end, int year, int month, int day)
{
    QChar *first = writeDigits(end, quint64(day), 2);
    *--first = QLatin1Char('-');
    first = writeDigits(first, quint64(month), 2);
    *--first = QLatin1Char('-');
    first = writeDigits(first, quint64(year < 0 ? -qint64(year) : year), 4);
    if (year < 0)
        *--first = QLatin1Char('-');
    return first;
}

// Writes "yyyy-MM-dd hh:mm" ending at `end`, as QDateTime::toString gives it. Returns the first
// character.
QChar *writeMinute(QChar *end, int year, int month, int day, int hour, int minute)
{
    QChar *first = writeDigits(end, quint64(minute), 2);
    *--first = QLatin1Char(':');
    first = writeDigits(first, quint64(hour), 2);
    *--first = QLatin1Char(' ');
    return writeDate(first, year, month, day);
}

// label followed by the time, in one block.
QString labelledMinute(const QString &label, int year, int month, int day, int hour, int minute)
{
    QChar digits[32];
    QChar *const end = digits + 32;
    const QChar *first = writeMinute(end, year, month, day, hour, minute);
    const int size = int(end - first);
    QString text(label.size() + size, Qt::Uninitialized);
    QChar *out = text.data();
    memcpy(out, label.constData(), size_t(label.size()) * sizeof(QChar));
    memcpy(out + label.size(), first, size_t(size) * sizeof(QChar));
    return text;
}

// Seconds whose milliseconds fit in 64 bits, with a quarter hour to spare. A hostile time beyond
// them is held at the nearest end: multiplying it by 1000 would overflow and wrap round to 1970.
constexpr qint64 kLatestSecs = std::numeric_limits<qint64>::max() / 1000 - 900;
constexpr qint64 kEarliestSecs = -kLatestSecs;

inline qint64 boundedSecs(qint64 secs)
{
    return qBound(kEarliestSecs, secs, kLatestSecs);
}

// Local times within this many seconds of 1970, some 30 000 years, go through plain calendar
// arithmetic; QDateTime handles the rest.
constexpr qint64 kCalendarSecs = Q_INT64_C(1000000000000);
constexpr qint64 kEpochJulianDay = 2440588;

// Marks a quarter hour in which the zone changes its offset.
constexpr int kOffsetChangesInside = std::numeric_limits<int>::min();

int utcOffsetAt(qint64 secs)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secs, Qt::LocalTime);
    return local.isValid() ? local.offsetFromUtc() : 0;
}

// Sets text from an item's body, the sender's name cut off its front; `name` is the name's bytes,
// `nameText` the name decoded, `plainName` whether those bytes are plain UTF-8.
void setSummary(SDynData *record, const std::string &body, const std::string &name,
    const QString &nameText, bool plainName)
{
    // For plain text a prefix of the bytes is a prefix of the characters, so the name can be
    // left out before decoding instead of cut off after it.
    if (plainName) {
        const size_t cut
            = !name.empty() && body.compare(0, name.size(), name) == 0 ? name.size() : 0;
        if (decodePlainUtf8(body.data() + cut, int(body.size() - cut), record->text))
            return;
    }
    record->text = QString::fromUtf8(body.data(), int(body.size()));
    if (!nameText.isEmpty() && record->text.startsWith(nameText))
        record->text.remove(0, nameText.size());
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

// Text built on the stack, then copied into a block of its exact size: growing a QString
// would allocate again and again, and reserving too much leaves a block larger than the
// allocator's fast paths.
class TextBuilder
{
public:
    void append(const QString &text) { m_chars.append(text.constData(), text.size()); }
    void append(const QStringRef &text) { m_chars.append(text.constData(), text.size()); }
    void append(QLatin1String text)
    {
        for (const char c : text)
            m_chars.append(QLatin1Char(c));
    }
    void append(QChar c) { m_chars.append(c); }
    /// Appends text as QString::toHtmlEscaped writes it.
    void appendEscaped(const QString &text)
    {
        for (const QChar c : text) {
            switch (c.unicode()) {
            case '<':
                append(QLatin1String("&lt;"));
                break;
            case '>':
                append(QLatin1String("&gt;"));
                break;
            case '&':
                append(QLatin1String("&amp;"));
                break;
            case '"':
                append(QLatin1String("&quot;"));
                break;
            default:
                append(c);
            }
        }
    }
    QString text() const { return QString(m_chars.constData(), m_chars.size()); }

private:
    QVarLengthArray<QChar, 1024> m_chars;
};

// Appends one line of the project information: the label, then the value as HTML text, in a
// paragraph.
void appendParagraph(TextBuilder &text, const QString &label, const QString &value)
{
    text.append(QLatin1String("<p style = 'margin:10px'>"));
    text.append(label);
    text.appendEscaped(value);
    text.append(QLatin1String("</p>"));
}

QString dateText(const QDate &date)
{
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    QChar digits[24];
    QChar *const end = digits + 24;
    const QChar *first = writeDate(end, year, month, day);
    return QString(first, int(end - first));
}

// The dates are the local dates of f_prj_begin and f_prj_end.
QString projectInfoText(const pb_prj_t_info &info, const QDate &beginDate, const QDate &endDate)
{
    TextBuilder text;
    if (info.has_f_prj_name() && !info.f_prj_name().empty())
        appendParagraph(text, QStringLiteral("项目名称 : "), fromUtf8(info.f_prj_name()));
    if (info.has_f_prj_type()) {
        const QString type = projectTypeName(info.f_prj_type());
        if (!type.isEmpty())
            appendParagraph(text, QStringLiteral("项目类型 : "), type);
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
            appendParagraph(text, QStringLiteral("  所在地 : "), place);
    }
    if (info.has_f_float_floor_area() && info.f_float_floor_area() > 0) {
        appendParagraph(text, QStringLiteral("建筑面积 : "),
            QString::number(double(info.f_float_floor_area()), 'f', 2) + QStringLiteral("万平米"));
    }

    const qint64 begin = info.f_prj_begin();
    const qint64 end = info.f_prj_end();
    if (begin >= 1 && end >= 1 && beginDate.isValid() && endDate.isValid()) {
        appendParagraph(text, QStringLiteral("项目工期 : "),
            dateText(beginDate) + QLatin1String(" - ") + dateText(endDate));
    } else if (begin >= 1 && end < 1 && beginDate.isValid()) {
        appendParagraph(text, QStringLiteral("开始时间 : "), dateText(beginDate));
    } else if (begin <= 0 && end > 0 && endDate.isValid()) {
        appendParagraph(text, QStringLiteral("结束时间 : "), dateText(endDate));
    }

    const std::pair<QString, const std::string *> units[] = {
        { QStringLiteral("建设单位 : "),
            info.has_f_jianzhu_danwei() ? &info.f_jianzhu_danwei() : nullptr },
        { QStringLiteral("施工单位 : "),
            info.has_f_shigong_danwei() ? &info.f_shigong_danwei() : nullptr },
        { QStringLiteral("监理单位 : "),
            info.has_f_jianli_danwei() ? &info.f_jianli_danwei() : nullptr },
        { QStringLiteral("分包单位 : "),
            info.has_f_fenbao_danwei() ? &info.f_fenbao_danwei() : nullptr },
    };
    for (const auto &unit : units) {
        if (unit.second && !unit.second->empty())
            appendParagraph(text, unit.first, fromUtf8(*unit.second));
    }
    return text.text();
}

// Installing or removing a translator sends the application a LanguageChange event (loading
// an installed one posts it). While this watch counts those events, a converter may keep a
// translated text until the count moves.
std::atomic<bool> s_watchingTranslators { false };
std::atomic<unsigned> s_translatorChanges { 0 };

/// Counts the application's LanguageChange events. A child of the application, on its thread.
class TranslatorWatch : public QObject
{
public:
    explicit TranslatorWatch(QCoreApplication *app)
        : QObject(app)
    {
        app->installEventFilter(this);
        s_watchingTranslators = true;
    }
    ~TranslatorWatch() override
    {
        s_watchingTranslators = false;
        ++s_translatorChanges;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::LanguageChange)
            ++s_translatorChanges;
        return QObject::eventFilter(watched, event);
    }
};

// Starts the watch when called on the application's thread and none runs yet.
void watchTranslators()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (app && !s_watchingTranslators && app->thread() == QThread::currentThread())
        new TranslatorWatch(app);
}

} // namespace

DynMsgConverter::DynMsgConverter(bool bGroupFeed)
    : m_bGroupFeed(bGroupFeed)
{
    watchTranslators();
}

void DynMsgConverter::setPrjId(const QString &prjId)
{
    m_prjId = prjId;
    bool ok = false;
    m_prjIdValue = prjId.toULongLong(&ok);
    m_prjIdIsNumber = ok && QString::number(m_prjIdValue) == prjId;
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
    m_seenSeqIds.clear();
    m_idTexts = {};
    m_nameTexts = {};
    // The system's time zone may have changed since the offsets were taken.
    m_utcOffsets.clear();
}

bool DynMsgConverter::isOwnProject(quint64 prjId) const
{
    return m_prjIdIsNumber && prjId == m_prjIdValue;
}

int DynMsgConverter::utcOffset(qint64 secs)
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

QDateTime DynMsgConverter::localTime(qint64 time)
{
    const qint64 secs = boundedSecs(time);
    return QDateTime::fromSecsSinceEpoch(secs, Qt::OffsetFromUTC, utcOffset(secs));
}

QString DynMsgConverter::endTimeLabel()
{
    // Without an application there are no translators; with one, only the watch tells of changes.
    const bool withApp = QCoreApplication::instance() != nullptr;
    if (withApp && !s_watchingTranslators)
        return QObject::tr("End Time");
    // The count is read first: a change while translating shows at the next call.
    const unsigned changes = s_translatorChanges;
    if (m_endTimeLabel.isNull() || changes != m_endTimeLabelChanges
        || withApp != m_endTimeLabelWithApp) {
        m_endTimeLabel = QObject::tr("End Time");
        m_endTimeLabelChanges = changes;
        m_endTimeLabelWithApp = withApp;
    }
    return m_endTimeLabel;
}

QString DynMsgConverter::endTimeText(qint64 time)
{
    const QString label = endTimeLabel();
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

const QString &DynMsgConverter::idText(quint64 id)
{
    IdText &entry = m_idTexts[(id * Q_UINT64_C(0x9e3779b97f4a7c15)) >> 58];
    if (entry.text.isNull() || entry.id != id) {
        entry.id = id;
        entry.text = decimal(id);
    }
    return entry.text;
}

const DynMsgConverter::NameText &DynMsgConverter::nameText(const std::string &name)
{
    quint32 hash = 2166136261u;
    for (const char c : name)
        hash = (hash ^ uchar(c)) * 16777619u;
    NameText &entry = m_nameTexts[hash % m_nameTexts.size()];
    if (!entry.used || entry.bytes != name) {
        entry.used = true;
        entry.bytes = name;
        entry.plain = decodePlainUtf8(name.data(), int(name.size()), entry.text);
        if (!entry.plain)
            entry.text = QString::fromUtf8(name.data(), int(name.size()));
    }
    return entry;
}

QList<SDynData *> DynMsgConverter::convert(const MessageContext &context)
{
    QList<SDynData *> records;
    const pb_clt_t_user *user = context.user;
    if (!user)
        return records;
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
        if (m_seenSeqIds.contains(seq))
            return;
        m_seenSeqIds.insert(seq);
    }

    const quint32 type = item.f_msg_type();
    if (type == 14) {
        if (SDynData *record = convertProjectRecord(item))
            out.append(record);
        return;
    }
    if ((type == 6 || type == 7) && item.has_f_msg_task()) {
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
    if (type == 5) {
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
        put(record->extra, QStringLiteral("msgid"), decimal(item.f_msg_id()));

    const NameText &name = nameText(item.f_sender_name());
    setSummary(record, item.f_msg_body(), name.bytes, name.text, name.plain);
    record->userId = idText(item.f_sender_id());
    record->userName = name.text;
    if (!m_bGroupFeed)
        record->userHeader = kSecretaryHeader;
    record->dateTime = localTime(item.f_send_time());
    const bool hasSender = item.has_f_msg_prj_record() && item.f_msg_prj_record().has_sender();
    record->userJob = hasSender ? jobTitleOf(item.f_msg_prj_record().sender().f_job_type())
                                : jobTitles().constLast();
}

SDynData *DynMsgConverter::makeTaskRecord(const pb_im_t_msg_task &task)
{
    auto *record = new SDynData(SDynData::KindTask);
    QVariantHash &content = record->content;
    const QString taskId = decimal(task.f_task_id());
    put(content, QStringLiteral("taskid"), taskId);
    put(content, QStringLiteral("desc"), fromUtf8(task.f_task_desc()));
    put(content, QStringLiteral("type"), taskTypeName(task.f_task_type()));
    put(content, QStringLiteral("location"), fromUtf8(task.f_position()));
    put(content, QStringLiteral("people"), fromUtf8(task.f_assign_desc()));
    put(content, QStringLiteral("time"), endTimeText(task.f_task_end()));
    if (task.has_f_task_status())
        put(content, QStringLiteral("status"), task.f_task_status());
    if (task.f_task_desc_type() == 3)
        put(content, QStringLiteral("task_desc_play_time"), task.f_task_desc_playtime());

    if (!m_bGroupFeed) {
        QVariantHash &extra = record->extra;
        put(extra, QStringLiteral("aboutme"), true);
        put(extra, QStringLiteral("taskid"), taskId);
        if (task.has_f_operate_type())
            put(extra, QStringLiteral("operate_type"), task.f_operate_type());
        if (task.f_receiver_uin_size() > 0) {
            QStringList uids;
            uids.reserve(task.f_receiver_uin_size());
            for (quint64 uid : task.f_receiver_uin())
                uids << idText(uid);
            put(extra, QStringLiteral("receiver_uids"), uids);
        }
        if (task.f_operate_uin_size() > 0) {
            QStringList uids;
            uids.reserve(task.f_operate_uin_size());
            for (quint64 uid : task.f_operate_uin())
                uids << idText(uid);
            put(extra, QStringLiteral("operate_uids"), uids);
        }
        if (task.has_f_operate_status())
            put(extra, QStringLiteral("operator_status"), task.f_operate_status());
        put(extra, QStringLiteral("userid"), m_userId);
    }
    return record;
}

SDynData *DynMsgConverter::makeReportRecord(
    const pb_im_t_msg_task &task, const pb_im_t_msg_item &item)
{
    auto *record = new SDynData(SDynData::KindTaskReport);
    const pb_prj_t_task_report &report = task.f_last_report();

    QVariantHash &content = record->content;
    put(content, QStringLiteral("taskid"), decimal(task.f_task_id()));
    put(content, QStringLiteral("task_desc"), fromUtf8(task.f_task_desc()));
    if (task.f_task_desc_type() == 3)
        put(content, QStringLiteral("task_desc_play_time"), task.f_task_desc_playtime());
    put(content, QStringLiteral("title"), fromUtf8(report.f_title()));
    put(content, QStringLiteral("content"), fromUtf8(report.f_content()));
    put(content, QStringLiteral("content_type"), report.f_content_type());
    if (report.has_f_playtime())
        put(content, QStringLiteral("report_play_time"), report.f_playtime());
    if (report.f_attach_list_size() > 0) {
        QStringList attachments;
        attachments.reserve(report.f_attach_list_size());
        for (const pb_prj_t_base_file &file : report.f_attach_list()) {
            const pb_im_t_msg_attach &base = file.f_baseinfo();
            attachments << fromUtf8(
                base.f_attach_type() == 2 ? base.f_attach_url() : base.f_attach_name());
        }
        put(content, QStringLiteral("attach_list"), attachments);
    }

    QVariantHash &extra = record->extra;
    put(extra, QStringLiteral("reportid"), decimal(report.f_report_id()));
    QString sponsorName;
    QString replyToName;
    if (report.has_f_sponsor()) {
        const pb_prj_t_user &sponsor = report.f_sponsor();
        if (sponsor.has_f_uid())
            put(extra, QStringLiteral("sponsor_id"), sponsor.f_uid());
        if (sponsor.has_f_name()) {
            sponsorName = nameText(sponsor.f_name()).text;
            put(extra, QStringLiteral("sponsor_name"), sponsorName);
        }
    }
    if (report.has_f_reply_to()) {
        const pb_prj_t_user &replyTo = report.f_reply_to();
        if (replyTo.has_f_uid())
            put(extra, QStringLiteral("replyto_id"), replyTo.f_uid());
        if (replyTo.has_f_name()) {
            replyToName = nameText(replyTo.f_name()).text;
            put(extra, QStringLiteral("replyto_name"), replyToName);
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
    put(content, QStringLiteral("f_attach_name"), fromUtf8(attach.f_attach_name()));
    put(content, QStringLiteral("f_attach_size"), attach.f_attach_size());
    put(content, QStringLiteral("f_attach_url"), fromUtf8(attach.f_attach_url()));
    put(content, QStringLiteral("f_attach_id"), fromUtf8(attach.f_attach_id()));
    return record;
}

SDynData *DynMsgConverter::convertProjectRecord(const pb_im_t_msg_item &item)
{
    const pb_im_t_msg_prj_record &prjRecord = item.f_msg_prj_record();
    SDynData *record = nullptr;
    switch (prjRecord.record_type()) {
    case 0:
    case 3:
        record = new SDynData(SDynData::KindText);
        fillHeader(record, item);
        break;
    case 1:
        record = makeInvitation(item);
        break;
    case 9:
        record = makeMemberJoined(item);
        break;
    case 2:
        record = new SDynData(SDynData::KindProjectInfo);
        fillHeader(record, item);
        if (prjRecord.has_f_prj_info()) {
            const pb_prj_t_info &info = prjRecord.f_prj_info();
            // Through the offset cache: a local time of its own costs microseconds.
            const QString text = projectInfoText(
                info, localTime(info.f_prj_begin()).date(), localTime(info.f_prj_end()).date());
            if (!text.isEmpty())
                put(record->content, QStringLiteral("text"), text);
        }
        break;
    case 4:
    case 5:
    case 6:
    case 10:
        if (prjRecord.has_f_task_info()) {
            record = makeTaskRecord(prjRecord.f_task_info());
            fillHeader(record, item);
        }
        break;
    case 11:
        if (prjRecord.has_f_task_info() && prjRecord.f_task_info().has_f_last_report())
            record = makeReportRecord(prjRecord.f_task_info(), item);
        break;
    case 7:
    case 8:
        if (prjRecord.f_files_size() > 0) {
            record = makeAttachRecord(prjRecord.f_files(0).f_baseinfo());
            if (prjRecord.record_type() == 7)
                put(record->extra, QStringLiteral("upload"), true);
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
            TextBuilder summary;
            summary.append(prefix);
            summary.append(text.midRef(namesStart, separators[2] - namesStart));
            summary.append(QStringLiteral("等"));
            summary.append(QString::number(count));
            summary.append(QStringLiteral("人"));
            summary.append(suffix);
            TextBuilder members;
            members.append(QStringLiteral("新加入成员： "));
            members.append(text.midRef(namesStart, namesEnd - namesStart));
            put(record->content, QStringLiteral("text"), members.text());
            record->text = summary.text();
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
        const QString name = nameText(receiver.f_name()).text;
        if (prjRecord.receivers_size() == 1 && record->text.startsWith(name)) {
            record->userId = idText(receiver.f_uid());
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
        record->dateTime = localTime(log.f_add_time());
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
    put(content, QStringLiteral("f_prj_name"), prjName);
    put(content, QStringLiteral("f_weather_info"), fromUtf8(day.f_weather_info()));
    put(content, QStringLiteral("f_weather_type"), day.f_weather_type());
    put(content, QStringLiteral("f_date"), fromUtf8(day.f_date()));
    record->text = fromUtf8(reminder.f_reminder_title());
    put(content, QStringLiteral("f_reminder_title"), record->text);
    put(content, QStringLiteral("f_reminder_type"), reminder.f_reminder_type());
    return record;
}
