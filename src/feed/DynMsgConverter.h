#pragma once

#include "dynfeed_export.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

struct MessageContext;
struct SDynData;
class pb_im_t_msg_item;
class pb_im_t_msg_task;
class pb_im_t_msg_attach;
class pb_im_t_msg_prj_record;
class pb_prj_t_info;
class pb_prj_t_details;
class pb_prj_t_prj_weather;
class QDateTime;

/// Turns push messages into feed records. Not thread-safe: the controller calls it under its
/// list mutex. Every record returned is new and owned by the caller.
class DYNFEED_EXPORT DynMsgConverter
{
public:
    explicit DynMsgConverter(bool bGroupFeed);

    void setPrjId(const QString &prjId);
    void setUserId(const QString &userId);
    /// Forgets the sequence numbers converted so far.
    void reset();

    QList<SDynData *> convert(const MessageContext &context);
    /// One record per reminder of each day. The weather message names no project, so the caller
    /// supplies the name shown on the records.
    QList<SDynData *> convertWeather(
        const pb_prj_t_prj_weather &weather, const QString &prjName = QString());

private:
    void convertItem(const pb_im_t_msg_item &item, QList<SDynData *> &out);
    void convertProjectLog(const pb_prj_t_details &details, QList<SDynData *> &out);
    SDynData *convertProjectRecord(const pb_im_t_msg_item &item);
    SDynData *makeTaskRecord(const pb_im_t_msg_task &task);
    SDynData *makeReportRecord(const pb_im_t_msg_task &task, const pb_im_t_msg_item &item);
    SDynData *makeAttachRecord(const pb_im_t_msg_attach &attach);
    SDynData *makeInvitation(const pb_im_t_msg_item &item);
    SDynData *makeMemberJoined(const pb_im_t_msg_item &item);
    void fillHeader(SDynData *record, const pb_im_t_msg_item &item);
    bool isOwnProject(quint64 prjId) const;
    /// Offset from UTC of local time at secs, through the cache.
    int utcOffset(qint64 secs);
    QDateTime localTime(qint64 secs);
    /// The "time" entry of a task: the translated label, then the local end time to the minute.
    QString endTimeText(qint64 time);

    /// A sender of the message being converted, with its texts.
    struct Sender
    {
        quint64 id = 0;
        const std::string *name = nullptr; // in the message
        QString idText;
        QString nameText;
        bool plainName = false; // the name's bytes are plain UTF-8
    };
    static Sender makeSender(quint64 id, const std::string &name);
    /// The sender with this id and name, made on first use within a message.
    const Sender &senderOf(quint64 id, const std::string &name);

    QString m_prjId;
    QString m_userId;
    const bool m_bGroupFeed;
    QSet<int> m_seenSeqIds;
    // The project id as a number, when it is one written canonically; saves formatting every id.
    quint64 m_prjIdValue = 0;
    bool m_prjIdIsNumber = false;
    // UTC offset per quarter hour: asking the C library for every record costs several
    // microseconds where TZ is unset.
    QHash<qint64, int> m_utcOffsets;
    // Senders met in the message being converted; a search through more would cost more than
    // decoding a name again.
    static constexpr size_t kMaxSenders = 16;
    std::vector<Sender> m_senders;
    bool m_shareSenders = false;
};
