#include "FeedPrinter.h"

#include <QStringList>
#include <QTextStream>

#include <algorithm>

#include "feed/SDynData.h"

namespace {

const int kSummaryChars = 60;
const int kNameChars = 16;
const int kJobChars = 8;

bool isLineBreak(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == 0x0b || c == 0x0c || c == 0x85 || c == 0x2028
        || c == 0x2029;
}

bool isDirectionControl(char16_t c)
{
    return c == 0x061c || c == 0x200e || c == 0x200f || (c >= 0x202a && c <= 0x202e)
        || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

FeedPrinter::FeedPrinter(QTextStream &out)
    : m_out(out)
{ }

void FeedPrinter::print(const QList<SDynData *> &records)
{
    QList<const SDynData *> ordered;
    ordered.reserve(records.size());
    for (const SDynData *record : records) {
        if (record)
            ordered.append(record);
    }
    // Stable, so that records of one message keep their order; untimed ones sink to the end.
    std::stable_sort(ordered.begin(), ordered.end(), [](const SDynData *a, const SDynData *b) {
        const bool aTimed = a->dateTime.isValid();
        const bool bTimed = b->dateTime.isValid();
        if (aTimed != bTimed)
            return aTimed;
        return aTimed && a->dateTime.toMSecsSinceEpoch() > b->dateTime.toMSecsSinceEpoch();
    });
    for (const SDynData *record : qAsConst(ordered))
        m_out << line(*record) << '\n';
    m_out.flush();
}

void FeedPrinter::printInOrder(const QList<SDynData *> &records)
{
    for (const SDynData *record : records) {
        if (record)
            m_out << line(*record) << '\n';
    }
    m_out.flush();
}

QString FeedPrinter::line(const SDynData &record)
{
    const QString time = record.dateTime.isValid()
        ? record.dateTime.toString(QStringLiteral("yyyy-MM-dd hh:mm"))
        : QStringLiteral("----------------");
    const QString author
        = record.userName.isEmpty() ? QStringLiteral("-") : oneLine(record.userName, kNameChars);
    const QString job
        = record.userJob.isEmpty() ? QStringLiteral("-") : oneLine(record.userJob, kJobChars);
    QStringList keys = record.content.keys();
    keys.sort();
    return QStringLiteral("%1 | %2 | %3 | %4 | %5 | {%6}")
        .arg(kindName(record.kind).leftJustified(11), time, author, job,
            oneLine(record.text, kSummaryChars), keys.join(QLatin1Char(',')));
}

QString FeedPrinter::kindName(int kind)
{
    switch (kind) {
    case SDynData::KindText:
        return QStringLiteral("Text");
    case SDynData::KindTask:
        return QStringLiteral("Task");
    case SDynData::KindTaskReport:
        return QStringLiteral("TaskReport");
    case SDynData::KindProjectInfo:
        return QStringLiteral("ProjectInfo");
    case SDynData::KindWeather:
        return QStringLiteral("Weather");
    case SDynData::KindAttachment:
        return QStringLiteral("Attachment");
    default:
        return QStringLiteral("Kind(%1)").arg(kind);
    }
}

QString FeedPrinter::oneLine(const QString &text, int maxChars)
{
    QString flat;
    flat.reserve(qMin(text.size(), maxChars + 1));
    for (int i = 0; i < text.size() && flat.size() <= maxChars; ++i) {
        const char16_t c = text.at(i).unicode();
        if (isLineBreak(c)) {
            // A CR LF pair is one break.
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            flat += QChar(0x21b5);
        } else if (isDirectionControl(c)) {
            continue;
        } else if (c < 0x20 || (c >= 0x7f && c < 0xa0)) {
            flat += QLatin1Char(' ');
        } else if (c == u'|') {
            // Keeps the columns apart.
            flat += QChar(0xa6);
        } else {
            flat += QChar(c);
        }
    }
    if (flat.size() <= maxChars)
        return flat;
    int cut = qMax(0, maxChars - 1);
    // Never split a surrogate pair.
    if (cut > 0 && flat.at(cut).isLowSurrogate())
        --cut;
    return flat.left(cut) + QChar(0x2026);
}
