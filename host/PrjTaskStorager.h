#pragma once

#include "dynfeed_host_export.h"

#include <QSqlDatabase>
#include <QString>

#include "IPSVPrjTaskStorager.h"

class pb_im_t_msg_item;

/// The built-in store of task notifications. Every reminder and acknowledgement is kept in
/// SQLite beside the push service's message store (prjtasks.sqlite in the folder of
/// PSVPushService::storePath(); in memory while the push service keeps its groups in memory).
///
/// Who receives what: the answer to a notification is one task message (item type 7, the task
/// of the notification with the answering operate type: 1 gives 2, 3 gives 4, and an
/// acknowledgement of 2, 4 or 5 gives 6), published through the push service into the group the
/// notification was published into. That is the project's group, which every feed of the
/// project joins: a personal feed (PushType_Personal) subscribes under the project id just as a
/// group feed does. So the answer reaches the receivers' and the sender's personal feeds, where
/// it pairs with the notification and disables its button, and it also shows, as a task record
/// without button, in the group feeds and in other members' personal feeds of the project. A
/// reminder names all receivers of the task and is sent once per notification and sender: the
/// calls for the further receivers of one click (and later clicks) are recorded but send nothing
/// new; an acknowledgement is sent once per notification and user.
///
/// GUI thread only.
class DYNFEED_HOST_EXPORT PrjTaskStorager : public IPSVPrjTaskStorager
{
public:
    static PrjTaskStorager &instance();

    QList<TaskOperation> taskOperations(const QString &msgId) override;
    bool notifyTaskReceiver(const QString &taskId, int operateType, const QString &receiverUid,
        const QString &msgId) override;
    bool confirmTaskNotify(const QString &taskId, int operateType, const QString &msgId) override;

    /// Makes the store refuse writes once this many operations were written, as a full disk
    /// would; negative (the default) never. Counted from this call. For tests and drills.
    static void setFailAfter(int operations);
    /// Where the store keeps its operations; empty while they are kept in memory.
    static QString storePath();

private:
    PrjTaskStorager() = default;
    ~PrjTaskStorager() override = default;

    bool operate(const QString &taskId, int operateType, int answerType, const QString &receiverUid,
        const QString &msgId);
    bool ensureOpen();
    void close();
    bool publishAnswer(const QString &groupId, const pb_im_t_msg_item &notification, int answerType,
        QString *answerMsgId);

    QSqlDatabase m_db;
    QString m_openPath; // the path m_db was opened with; ":memory:" for memory
};
