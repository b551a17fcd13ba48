#pragma once

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

#include <array>
#include <string>

/// What a converter remembers between messages: the numbers it has converted, the project id as
/// a number, and caches of the texts and offsets the same few people and days ask for again and
/// again. Used under the controller's list mutex, like the converter.
class DynMsgConverterPrivate
{
public:
    struct NameText
    {
        bool used = false;
        std::string bytes; // as received
        QString text;
    };

    /// A user id in decimal, from the cache.
    const QString &idText(quint64 id);
    /// A person's name decoded, from the cache.
    const NameText &nameText(const std::string &name);
    /// Offset from UTC of local time at secs, through the cache.
    int utcOffset(qint64 secs);
    QDateTime localTime(qint64 secs);
    /// The "time" entry of a task: the translated label, then the local end time to the minute.
    QString endTimeText(qint64 time);
    /// Forgets the numbers and the caches; the system's time zone may have changed since.
    void reset();

    QSet<int> seenSeqIds;
    // The project id as a number, when it is one written canonically; saves formatting every id.
    quint64 prjIdValue = 0;
    bool prjIdIsNumber = false;
    // Translated once per message: a message's tasks share it, and a translator installed
    // between messages shows in the next one.
    QString endTimeLabel;

private:
    struct IdText
    {
        quint64 id = 0;
        QString text; // null while the entry is unused
    };

    // UTC offset per quarter hour: asking the C library for every record costs several
    // microseconds where TZ is unset.
    QHash<qint64, int> m_utcOffsets;
    // Texts of the people met lately, by user id and by name: a project's feed names the same
    // few people over and over, and records of one person share the texts. Direct-mapped, so a
    // look-up is one comparison.
    std::array<IdText, 64> m_idTexts;
    std::array<NameText, 32> m_nameTexts;
};
