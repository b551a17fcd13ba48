#pragma once

#include "dynfeed_export.h"

#include <QList>
#include <QString>

#include <memory>

struct MessageContext;
struct SDynData;
class pb_im_t_msg_item;
class pb_im_t_msg_task;
class pb_im_t_msg_attach;
class pb_im_t_msg_prj_record;
class pb_prj_t_info;
class pb_prj_t_details;
class pb_prj_t_prj_weather;
class pb_prj_t_weather_details;
class pb_prj_t_reminder;
class DynMsgConverterPrivate;

/// Turns push messages into feed records. Not thread-safe: the controller calls it under its
/// list mutex. Every record returned is new and owned by the caller.
///
/// Weather: a pb_clt_t_user that holds f_prj_weather (and neither f_im_msg nor f_prj_details)
/// is how the weather service pushes its forecast into the project's group. convert() turns it
/// into convertWeather's records, named by setPrjName's project, and dates them at the start
/// of the forecast's first day (the message carries no time), so that a morning's forecast
/// stands below that day's events.
class DYNFEED_EXPORT DynMsgConverter
{
public:
    explicit DynMsgConverter(bool bGroupFeed);
    ~DynMsgConverter();

    DynMsgConverter(DynMsgConverter &&other) noexcept;
    DynMsgConverter(const DynMsgConverter &) = delete;
    DynMsgConverter &operator=(const DynMsgConverter &) = delete;

    void setPrjId(const QString &prjId);
    void setUserId(const QString &userId);
    /// The project's name as weather records show it: weather messages name no project.
    void setPrjName(const QString &prjName);
    /// Forgets the sequence numbers converted so far.
    void reset();

    /// A message's items, else its project log, else its weather forecast (dated, see above).
    QList<SDynData *> convert(const MessageContext &context);
    /// One record per reminder of each day, in order; a day without reminders gives none. The
    /// weather message names no project, so the caller supplies the name shown on the records.
    /// The records carry no time and no sequence number.
    QList<SDynData *> convertWeather(
        const pb_prj_t_prj_weather &weather, const QString &prjName = QString());

private:
    void convertItem(const pb_im_t_msg_item &item, QList<SDynData *> &out);
    void convertProjectLog(const pb_prj_t_details &details, QList<SDynData *> &out);
    void convertForecast(const pb_prj_t_prj_weather &weather, QList<SDynData *> &out);
    SDynData *convertProjectRecord(const pb_im_t_msg_item &item);
    SDynData *makeTaskRecord(const pb_im_t_msg_task &task);
    SDynData *makeReportRecord(const pb_im_t_msg_task &task, const pb_im_t_msg_item &item);
    SDynData *makeAttachRecord(const pb_im_t_msg_attach &attach);
    /// A weather record of one day's reminder, titled by it.
    SDynData *makeWeatherRecord(const pb_prj_t_weather_details &day,
        const pb_prj_t_reminder &reminder, const QString &prjName);
    SDynData *makeInvitation(const pb_im_t_msg_item &item);
    SDynData *makeMemberJoined(const pb_im_t_msg_item &item);
    void fillHeader(SDynData *record, const pb_im_t_msg_item &item);
    bool isOwnProject(quint64 prjId) const;

    QString m_prjId;
    QString m_userId;
    QString m_prjName;
    const bool m_bGroupFeed;
    std::unique_ptr<DynMsgConverterPrivate> d; // the seen numbers and the caches
};
