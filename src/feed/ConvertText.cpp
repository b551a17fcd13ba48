#include "feed/ConvertText_p.h"

#include <QDate>
#include <QDateTime>

#include <QtEndian>
#include <cstring>

namespace ConvertText {

namespace {

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

    // Decodes text that is plain valid UTF-8 not beginning with a byte order mark, which is what
    // the server sends, and returns false for anything else: there Qt's decoder, with its handling
    // of bad bytes and of a leading mark, stays the rule. Qt's own decoder takes several times as
    // long on Chinese text.
    bool decodePlainUtf8(const char *data, int size, QString &out)
    {
        if (size == 0) {
            out = QString::fromLatin1(
                "", 0); // empty but not null, like QString::fromUtf8; no block
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
        auto *const first
            = size > kStackUnits ? reinterpret_cast<ushort *>(text.data()) : stackUnits;
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
} // namespace

QString fromUtf8(const std::string &s)
{
    QString text;
    if (!decodePlainUtf8(s.data(), int(s.size()), text))
        text = QString::fromUtf8(s.data(), int(s.size()));
    return text;
}

// QString::number would go through the locale machinery for every id.
QString decimal(quint64 id)
{
    QChar digits[20];
    QChar *const end = digits + 20;
    const QChar *first = writeDigits(end, id, 1);
    return QString(first, int(end - first));
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

int utcOffsetAt(qint64 secs)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secs, Qt::LocalTime);
    return local.isValid() ? local.offsetFromUtc() : 0;
}

} // namespace ConvertText
