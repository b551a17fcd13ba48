#pragma once

#include "dynfeed_host_export.h"

#include <QList>
#include <QString>

#include "IVestigialStorager.h"

/// What a task message asks of its receivers ("operate_type" of a task message).
enum TaskOperateType {
    TaskOperate_Remind = 1, // the sender may remind the receivers
    TaskOperate_Reminded = 2, // the receivers were reminded; they acknowledge
    TaskOperate_Notify = 3, // the sender may notify the receivers of a new task
    TaskOperate_Notified = 4, // the receivers were notified; they acknowledge
    TaskOperate_Notice = 5, // a notice the receivers acknowledge
    TaskOperate_Confirmed = 6, // a receiver acknowledged; nothing more to do
};

/// One operation done on a task notification, as the store keeps it.
struct TaskOperation
{
    QString prjId;
    QString taskId;
    QString msgId; // the notification operated on
    int operateType = 0; // its operate type
    int answerType = 0; // the operate type of the answer
    QString userId; // who operated
    QString receiverUid; // whom a reminder went to; empty for an acknowledgement
    qint64 time = 0; // seconds since 1970
};

/// The project store of task notifications: reminds a task's receivers and acknowledges
/// notifications on behalf of the signed-in user (ProjectManager::setCurrentUser). GUI thread.
class DYNFEED_HOST_EXPORT IPSVPrjTaskStorager : public IVestigialStorager
{
public:
    /// The operations done on the notification msgId, oldest first; empty when none or when the
    /// store cannot be read.
    virtual QList<TaskOperation> taskOperations(const QString &msgId) = 0;

    /// Reminds one receiver of the task notification msgId (operate type 1 or 3). False when the
    /// store cannot be opened or written, the notification is unknown or the receiver is no user.
    virtual bool notifyTaskReceiver(
        const QString &taskId, int operateType, const QString &receiverUid, const QString &msgId)
        = 0;
    /// Acknowledges the task notification msgId (operate type 2, 4 or 5) for the signed-in user.
    /// Repeating it changes nothing. False as for notifyTaskReceiver.
    virtual bool confirmTaskNotify(const QString &taskId, int operateType, const QString &msgId)
        = 0;
};
