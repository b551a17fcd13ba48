#include "feed/DynDataController.h"

#include <QDir>
#include <QVector>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>

#include "DynKeys.h"
#include "UserSettings.h"
#include "feed/DynMsgConverter.h"
#include "feed/Logging_p.h"
#include "feed/SDynData.h"
#include "msl.pb.h"

QString DynDataController::s_dynTmpDir;

namespace {

const int kGroupInfoWaitMs = 400;
const int kLatestProbeCount = 5;

/// Ordering key of a record: UTC milliseconds, so that comparisons never touch the time zone.
/// A record without a time sorts as the oldest.
qint64 timeKey(const QDateTime &dateTime)
{
    return dateTime.isValid() ? dateTime.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

/// Up to count records from first on, in a list of its own. QList::mid may share the list's
/// data, and a shared block crosses to the push thread, whose insertions would then race with
/// the GUI thread letting go of the slice.
QList<SDynData *> sliceOf(const QList<SDynData *> &list, int first, int count)
{
    QList<SDynData *> slice;
    const int end = int(std::min<qint64>(list.size(), qint64(first) + count));
    if (first < 0 || first >= end)
        return slice;
    slice.reserve(end - first);
    for (int i = first; i < end; ++i)
        slice.append(list.at(i));
    return slice;
}

} // namespace

class DynDataControllerPrivate
{
public:
    explicit DynDataControllerPrivate(bool groupFeed)
        : converter(new DynMsgConverter(groupFeed))
        , bGroupFeed(groupFeed)
    { }

    void resetCounters()
    {
        initSeqId = 0;
        groupSeqId = 0;
        fetchCursor = 0;
        latestSeqId = 0;
        newMsgCount = 0;
        waitingGroupInfo = true;
    }

    std::unique_ptr<DynMsgConverter> converter;
    // Standard mutexes rather than QMutex: ThreadSanitizer sees their ordering, it cannot see
    // the futex hand-over inside an uninstrumented Qt.
    mutable std::mutex listMutex; // guards the list, the keys, the converter and the fields below
    std::mutex waitMutex;
    std::condition_variable groupInfoCond;
    std::unique_ptr<PSVPushService> push; // joined in its destructor: no callback outlives it
    QString prjId;
    QString userId;
    const bool bGroupFeed;
    int initSeqId = 0;
    int groupSeqId = 0;
    int fetchCursor = 0;
    int latestSeqId = 0;
    int newMsgCount = 0;
    bool waitingGroupInfo = true;
    QHash<QString, int> prjSeqIds;
    std::unique_ptr<UserSettings> settings;

    // Parallel to the record list: the records' ordering keys, so that placing and slicing are
    // binary searches on integers.
    QVector<qint64> keys;
    // The group whose deliveries are accepted: empty while switching, so that a message of the
    // previous project that was already on its way is dropped rather than mixed in.
    QString acceptedGroup;
    bool switching = false; // between the two locked steps of setProjUserId
    // Set under waitMutex when the group information arrived after a reset; spares the wait
    // when it came before the wait began.
    bool groupInfoArrived = false;
};

DynDataController::DynDataController(bool bGroupFeed, QObject *parent)
    : QObject(parent)
    , d(new DynDataControllerPrivate(bGroupFeed))
{
    qRegisterMetaType<QHash<QString, QVariant>>();
}

DynDataController::~DynDataController()
{
    // The client goes first: its destructor joins the delivery thread, so no callback can
    // touch the list while it is freed.
    d->push.reset();
    clearDynData();
    if (d->settings)
        d->settings->savePrjDynSeqId(d->prjSeqIds);
}

void DynDataController::setProjUserId(const QString &prjId, const QString &userId)
{
    if (prjId == d->prjId && userId == d->userId)
        return;

    const bool newClient = userId != d->userId || !d->push;
    std::unique_ptr<PSVPushService> oldClient;
    {
        std::lock_guard<std::mutex> lock(d->listMutex);
        clearDynDataLocked();
        d->acceptedGroup.clear();
        d->switching = true;
        if (newClient) {
            oldClient = std::move(d->push);
        }
    }
    {
        std::lock_guard<std::mutex> lock(d->waitMutex);
        d->groupInfoArrived = false;
    }
    // Stopped and destroyed without the list lock: the client joins its delivery thread, which
    // may be waiting for that lock inside a callback.
    if (oldClient) {
        oldClient->stop();
        oldClient.reset();
    }
    std::unique_ptr<PSVPushService> client;
    if (newClient) {
        client
            = std::make_unique<PSVPushService>(d->bGroupFeed ? PushType_Group : PushType_Personal);
        client->start(userId, this);
    }

    {
        // Held across subscribing and storing the ids, so that the group information, which
        // the service delivers on its own thread, meets the new project and its stored numbers.
        std::lock_guard<std::mutex> lock(d->listMutex);
        if (client)
            d->push = std::move(client);
        d->switching = false;
        if (!d->prjId.isEmpty() && d->prjId != prjId)
            d->push->unsubscribe(d->prjId);
        if (!d->push->subscribe(prjId)) {
            qCDebug(lcFeed, "subscribe error");
            emit networkError();
            return;
        }
        d->acceptedGroup = prjId;

        if (!d->settings) {
            d->settings.reset(new UserSettings(userId));
            d->prjSeqIds = d->settings->loadPrjDynSeqId();
        } else if (!d->userId.isEmpty() && d->userId != userId) {
            d->settings->savePrjDynSeqId(d->prjSeqIds);
            d->settings.reset(new UserSettings(userId));
            d->prjSeqIds = d->settings->loadPrjDynSeqId();
        }

        d->prjId = prjId;
        d->userId = userId;
        d->converter->setPrjId(prjId);
        d->converter->setUserId(userId);
    }

    s_dynTmpDir = QStringLiteral("%1/Vantor").arg(QDir::tempPath());
    if (!QDir().mkpath(s_dynTmpDir))
        qCWarning(lcFeed) << "cannot create the feed's temporary directory" << s_dynTmpDir;

    std::unique_lock<std::mutex> lock(d->waitMutex);
    d->groupInfoCond.wait_for(
        lock, std::chrono::milliseconds(kGroupInfoWaitMs), [this] { return d->groupInfoArrived; });
}

void DynDataController::setPrjName(const QString &prjName)
{
    std::lock_guard<std::mutex> lock(d->listMutex);
    d->converter->setPrjName(prjName);
}

QString DynDataController::prjId() const
{
    return d->prjId;
}

QString DynDataController::userId() const
{
    return d->userId;
}

QList<SDynData *> DynDataController::fetchDynData(int page, int count)
{
    std::lock_guard<std::mutex> lock(d->listMutex);
    QList<SDynData *> result;
    const qint64 start = qint64(page - 1) * count;
    if (page >= 1 && count > 0 && start < m_dynDataList.size())
        result = sliceOf(m_dynDataList, int(start), count);

    if (page == 1 && d->latestSeqId < d->groupSeqId)
        fetchLatestData();
    else if (result.size() < count && m_dynDataList.size() < d->groupSeqId)
        requestOlder(count);
    return result;
}

QList<SDynData *> DynDataController::fetchDynDataForward(const QDateTime &dateTime, int count)
{
    std::lock_guard<std::mutex> lock(d->listMutex);
    const qint64 key = timeKey(dateTime);
    // Newest first: the records newer than the time form the front of the list.
    const auto found = std::partition_point(
        d->keys.cbegin(), d->keys.cend(), [key](qint64 k) { return k > key; });
    const int newer = int(found - d->keys.cbegin());

    QList<SDynData *> result;
    if (count > 0) {
        const int first = std::max(0, newer - count);
        result = sliceOf(m_dynDataList, first, newer - first);
    }
    if (result.isEmpty() && d->push)
        d->push->getMsgs(d->latestSeqId, kLatestProbeCount);
    return result;
}

QList<SDynData *> DynDataController::fetchDynDataBackward(const QDateTime &dateTime, int count)
{
    std::lock_guard<std::mutex> lock(d->listMutex);
    const qint64 key = timeKey(dateTime);
    const auto found = std::partition_point(
        d->keys.cbegin(), d->keys.cend(), [key](qint64 k) { return k >= key; });
    const int first = int(found - d->keys.cbegin());

    QList<SDynData *> result;
    if (first < m_dynDataList.size() && count > 0)
        result = sliceOf(m_dynDataList, first, count);
    if (result.isEmpty() && m_dynDataList.size() < d->groupSeqId)
        requestOlder(count);
    return result;
}

void DynDataController::loadDynData(int offset, int count)
{
    std::lock_guard<std::mutex> lock(d->listMutex);
    if (d->push)
        d->push->getMsgs(d->initSeqId + offset, count);
}

bool DynDataController::addDynData(SDynData *record)
{
    std::lock_guard<std::mutex> lock(d->listMutex);
    return insertRecord(record);
}

bool DynDataController::insertRecord(SDynData *record)
{
    const qint64 key = timeKey(record->dateTime);
    // The first record older than the new one; with none older, just before the last record
    // when it has the same time, else at the end.
    const auto found = std::partition_point(
        d->keys.cbegin(), d->keys.cend(), [key](qint64 k) { return k >= key; });
    int pos = int(found - d->keys.cbegin());
    if (pos == d->keys.size() && pos > 0 && !(key < d->keys.constLast()))
        pos = d->keys.size() - 1;
    m_dynDataList.insert(pos, record);
    d->keys.insert(pos, key);

    if (!d->bGroupFeed && record->seqId > d->latestSeqId && taskNotifyKind(record) > 0) {
        for (const SDynData *other : qAsConst(m_dynDataList)) {
            if (other != record && isTaskNotifyPair(other, record)) {
                QHash<QString, QVariant> attachMap = record->extra;
                attachMap.insert(DynKey::taskId, record->content.value(DynKey::taskId).toString());
                emit synTaskNotify(attachMap);
                break;
            }
        }
    }
    return true;
}

bool DynDataController::isEmpty()
{
    std::lock_guard<std::mutex> lock(d->listMutex);
    return m_dynDataList.isEmpty() && d->groupSeqId < 1;
}

int DynDataController::getGroupMsgNum() const
{
    std::lock_guard<std::mutex> lock(d->listMutex);
    return d->groupSeqId - d->initSeqId;
}

void DynDataController::updateUserInfo(const QString &, const QString &) { }

void DynDataController::onReceiveMessage(const MessageContext &context)
{
    std::lock_guard<std::mutex> lock(d->listMutex);
    if (!context.groupId.isEmpty() && context.groupId != d->acceptedGroup)
        return;

    const QList<SDynData *> records = d->converter->convert(context);
    if (records.isEmpty())
        return;

    int count = 0;
    int maxSeq = -1;
    for (SDynData *record : records) {
        insertRecord(record);
        if (record->seqId > d->groupSeqId)
            ++count;
        maxSeq = std::max(maxSeq, record->seqId);
    }

    bool olderOnly = true;
    if (maxSeq > d->latestSeqId) {
        olderOnly = false;
        d->latestSeqId = maxSeq;
        d->prjSeqIds[d->prjId] = d->latestSeqId;
    }
    if (maxSeq > d->groupSeqId)
        d->groupSeqId = maxSeq;

    if (d->bGroupFeed)
        emit newMsgNum(count);
    emit newMessageReceived(olderOnly);
}

void DynDataController::onGetGroupInfo(const pb_clt_t_group_item &groupItem)
{
    {
        std::lock_guard<std::mutex> lock(d->listMutex);
        // Nothing is accepted while switching; the service numbers a group by its id's value.
        bool numeric = false;
        const quint64 accepted = d->acceptedGroup.toULongLong(&numeric);
        if (d->switching
            || (groupItem.has_f_group_id() && (!numeric || accepted != groupItem.f_group_id())))
            return;

        d->initSeqId = groupItem.f_init_seqid();
        const int old = d->groupSeqId;
        d->groupSeqId = groupItem.f_seq();

        if (d->waitingGroupInfo) {
            const auto stored = d->prjSeqIds.constFind(d->prjId);
            const int base = stored != d->prjSeqIds.constEnd() ? stored.value() : d->groupSeqId;
            d->newMsgCount = std::max(0, d->groupSeqId - base);
        } else {
            d->newMsgCount = std::max(0, d->groupSeqId - old);
        }
        if (d->newMsgCount != 0 && d->bGroupFeed)
            emit newMsgNum(d->newMsgCount);

        if (d->waitingGroupInfo) {
            d->fetchCursor = d->groupSeqId;
            d->latestSeqId = d->groupSeqId;
            d->prjSeqIds[d->prjId] = d->latestSeqId;
            d->waitingGroupInfo = false;
            std::lock_guard<std::mutex> waitLock(d->waitMutex);
            d->groupInfoArrived = true;
            d->groupInfoCond.notify_all();
        }

        if (d->groupSeqId > old)
            emit groupMsgNum(d->groupSeqId - d->initSeqId);
    }
}

void DynDataController::onError(int code)
{
    if (code != PushError_NoMessages)
        emit networkError();
}

void DynDataController::clearDynData()
{
    std::lock_guard<std::mutex> lock(d->listMutex);
    clearDynDataLocked();
}

void DynDataController::clearDynDataLocked()
{
    qDeleteAll(m_dynDataList);
    m_dynDataList.clear();
    d->keys.clear();
    d->resetCounters();
    d->converter->reset();
}

void DynDataController::fetchLatestData()
{
    if (d->latestSeqId < d->groupSeqId && d->push)
        d->push->getMsgs(d->latestSeqId, d->groupSeqId - d->latestSeqId);
}

void DynDataController::requestOlder(int count)
{
    d->fetchCursor = std::max(d->fetchCursor - count, d->initSeqId);
    if (d->push)
        d->push->getMsgs(d->fetchCursor, count);
}
