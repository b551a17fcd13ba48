#pragma once

#include "dynfeed_export.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

#include "PSVPushService.h"

struct SDynData;
class DynDataControllerPrivate;

/// The model of one feed view: subscribes to a project's message group for a user, keeps the
/// received records newest first, counts new messages and serves slices of the list.
/// The push service calls the three sink operations on its own thread; everything else is
/// called on the GUI thread. Signals are emitted on the push thread: connect them queued.
class DYNFEED_EXPORT DynDataController : public QObject, public IPushServiceSink
{
    Q_OBJECT
public:
    DynDataController(bool bGroupFeed, QObject *parent);
    ~DynDataController() override;

    /// Selects project and user: clears the records, (re)starts the push client when the user
    /// changes, moves the subscription and waits at most 400 ms for the group information.
    void setProjUserId(const QString &prjId, const QString &userId);
    QString prjId() const;
    QString userId() const;
    /// The project's name shown on weather records, which name no project; kept until set
    /// again. Any thread.
    void setPrjName(const QString &prjName);

    /// One page of the list; pages start at 1.
    QList<SDynData *> fetchDynData(int page, int count);
    /// Up to count records newer than dateTime, the ones closest to it.
    QList<SDynData *> fetchDynDataForward(const QDateTime &dateTime, int count);
    /// Up to count records older than dateTime, the ones closest to it.
    QList<SDynData *> fetchDynDataBackward(const QDateTime &dateTime, int count);
    /// Asks the push service for count messages from the group's first number plus offset.
    void loadDynData(int offset, int count);
    /// Inserts a record at its place by time and takes ownership. Any thread; takes the list
    /// lock, so not from a slot connected directly to this controller's signals.
    bool addDynData(SDynData *record);
    bool isEmpty();
    int getGroupMsgNum() const;
    /// Nothing to do: records keep the names they were received with.
    void updateUserInfo(const QString &userId, const QString &userName);

    void onReceiveMessage(const MessageContext &context) override;
    void onGetGroupInfo(const pb_clt_t_group_item &groupItem) override;
    void onError(int code) override;

    /// Working directory under the system's temporary directory; set by setProjUserId.
    static QString s_dynTmpDir;

signals:
    void newMessageReceived(bool bNewMsg);
    void newMsgNum(int);
    void networkError();
    void synTaskNotify(const QHash<QString, QVariant> &attachMap);
    /// The group's newest sequence number grew, as the group information tells it: the number
    /// of the group's messages (newest minus first sequence number).
    void groupMsgNum(int);

private:
    void clearDynData();
    void clearDynDataLocked();
    /// addDynData with the list lock already held (the push thread's conversions).
    bool insertRecord(SDynData *record);
    void fetchLatestData();
    void requestOlder(int count);

    QList<SDynData *> m_dynDataList; // newest first; owns its records
    std::unique_ptr<DynDataControllerPrivate> d;
};
