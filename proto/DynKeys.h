#pragma once

#include <QString>
#include <QtGlobal>

// The numbers and keys of the message format and of the feed records, in one place: the
// converter writes with them, the item widgets and the daily log read with them, and the sample
// messages are built with them. Header only; needs nothing but QtCore.

/// Item types of a message (f_msg_type). The converter tells apart the plain message, the two
/// task messages and the project record; every other type stands for its attachments.
namespace MsgType {
enum : quint32 {
    Picture = 2, ///< pictures sent in a chat; shown as attachment records
    Voice = 3, ///< a voice message; shown as an attachment record
    File = 4, ///< files sent in a chat; shown as attachment records
    Plain = 5, ///< a chat text
    Task = 6, ///< a task posted or changed, or a report on it
    TaskFollowUp = 7, ///< a reminder on a task, its acknowledgement, or a report on it
    ProjectRecord = 14, ///< a line of the project's record (record_type below)
};
} // namespace MsgType

/// Types of a project record (record_type).
namespace RecordType {
enum : int {
    Announcement = 0, ///< plain records: 0 and 3
    MembersInvited = 1,
    ProjectInfoEdited = 2,
    ProjectSettingsChanged = 3, ///< an administrator named, the cover changed, ...
    TaskCreated = 4, ///< task records: 4, 5, 6 and 10
    TaskDeadlineChanged = 5,
    TaskCompleted = 6,
    FileUploaded = 7, ///< file records: 7 and 8
    FileShared = 8,
    MemberJoined = 9,
    TaskHandedOver = 10,
    TaskReport = 11,
};
} // namespace RecordType

/// Forms of a task's description (f_task_desc_type).
namespace DescType {
enum : int {
    Text = 1,
    Voice = 3, ///< the description is the location of a voice note; its play time counts
};
} // namespace DescType

/// Types of an attachment (f_attach_type).
namespace AttachType {
enum : int {
    File = 1,
    Picture = 2, ///< addressed by its URL: a report lists it by the URL, not by its name
    Voice = 3,
};
} // namespace AttachType

/// Task types (f_task_type), the codes of taskTypeName().
namespace TaskType {
enum : int {
    Acceptance = 1,
    Problem = 2,
    Notice = 3,
    Other = 4,
};
} // namespace TaskType

/// Task statuses (f_task_status, content "status"), the codes of taskStatusName().
namespace TaskStatus {
enum : int {
    InProgress = 0,
    Completed = 1,
    Delayed = 2,
};
} // namespace TaskStatus

/// Operations on a task (f_operate_type, extra "operate_type"). 1 to 5 are notifications: 1 and 3
/// ask for the receivers to be told, 2, 4 and 5 acknowledge; 2 answers 1 and 4 answers 3.
namespace OperateType {
enum : int {
    Remind = 1,
    RemindAcknowledged = 2,
    Assign = 3,
    AssignAcknowledged = 4,
    Acknowledge = 5, ///< the receivers are asked only to acknowledge
    LastNotification = Acknowledge,
};
} // namespace OperateType

/// Forms of a report's body (f_content_type, content "content_type").
namespace ReportContentType {
enum : int {
    Text = 1,
    Voice = 2, ///< the body is the location of a voice note
    PicturesOnly = 3,
};
} // namespace ReportContentType

/// Weather codes (f_weather_type) that the feed shows apart; every other code shows as cloudy.
namespace WeatherType {
enum : int {
    ThunderShower = 1,
};
} // namespace WeatherType

/// The keys of a record's content and extra maps (SDynData::content, SDynData::extra).
/// Not for use in other static initialisers: their order across files is not defined.
namespace DynKey {

// Task records (content); "taskid" is also an extra key of notifications.
inline const QString taskId = QStringLiteral("taskid");
inline const QString desc = QStringLiteral("desc");
inline const QString type = QStringLiteral("type");
inline const QString location = QStringLiteral("location");
inline const QString people = QStringLiteral("people");
inline const QString time = QStringLiteral("time");
inline const QString status = QStringLiteral("status");
inline const QString taskDescPlayTime = QStringLiteral("task_desc_play_time");
/// Which of "type", "location", "people" and "time" shows highlighted; set by the host.
inline const QString highlight = QStringLiteral("highlight");
/// Task records: "name-_-id" entries; reports: names or URLs.
inline const QString attachList = QStringLiteral("attach_list");

// Report records (content).
inline const QString taskDesc = QStringLiteral("task_desc");
inline const QString title = QStringLiteral("title");
inline const QString content = QStringLiteral("content");
inline const QString contentType = QStringLiteral("content_type");
inline const QString reportPlayTime = QStringLiteral("report_play_time");

/// Plain records (the invited members) and project information (HTML paragraphs).
inline const QString text = QStringLiteral("text");

// Weather records (content).
inline const QString prjName = QStringLiteral("f_prj_name");
inline const QString weatherInfo = QStringLiteral("f_weather_info");
inline const QString weatherType = QStringLiteral("f_weather_type");
inline const QString date = QStringLiteral("f_date");
inline const QString reminderTitle = QStringLiteral("f_reminder_title");
inline const QString reminderType = QStringLiteral("f_reminder_type");

// Attachment records (content).
inline const QString attachName = QStringLiteral("f_attach_name");
inline const QString attachSize = QStringLiteral("f_attach_size");
inline const QString attachUrl = QStringLiteral("f_attach_url");
inline const QString attachId = QStringLiteral("f_attach_id");

// Extra map: any record made from a message item.
inline const QString msgId = QStringLiteral("msgid");

// Extra map: task records of a personal feed.
inline const QString aboutMe = QStringLiteral("aboutme");
inline const QString operateType = QStringLiteral("operate_type");
inline const QString receiverUids = QStringLiteral("receiver_uids");
inline const QString operateUids = QStringLiteral("operate_uids");
inline const QString operatorStatus = QStringLiteral("operator_status");
inline const QString userId = QStringLiteral("userid");

// Extra map: report records.
inline const QString reportId = QStringLiteral("reportid");
inline const QString sponsorId = QStringLiteral("sponsor_id");
inline const QString sponsorName = QStringLiteral("sponsor_name");
inline const QString replyToId = QStringLiteral("replyto_id");
inline const QString replyToName = QStringLiteral("replyto_name");

// Extra map: attachment records.
/// True on a file newly uploaded to the project.
inline const QString upload = QStringLiteral("upload");

} // namespace DynKey
