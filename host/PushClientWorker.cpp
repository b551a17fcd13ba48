#include "PushClientWorker_p.h"

#include <QtDebug>

#include <exception>

#include "Logging_p.h"
#include "PSVPushService.h"
#include "PushDeliveryQueue_p.h"
#include "PushServiceStore_p.h"
#include "msl.pb.h"

PushClientWorker::PushClientWorker()
    : m_queue(std::make_shared<PushDeliveryQueue>())
{ }

PushClientWorker::~PushClientWorker()
{
    m_queue->shutdown();
    if (!m_groups.isEmpty())
        PushServiceStore::instance().unsubscribeAll(m_queue);
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach(); // the thread holds its own reference to the queue and ends after us
    else
        m_thread.join();
}

bool PushClientWorker::start(const QString &userId, IPushServiceSink *sink)
{
    if (sink == nullptr)
        return false;
    if (m_queue->isStarted())
        stop();
    m_userId = userId;
    m_queue->start(sink);
    if (!m_thread.joinable())
        m_thread = std::thread(&PushClientWorker::deliverAll, m_queue);
    return true;
}

bool PushClientWorker::subscribe(const QString &groupId)
{
    if (groupId.isEmpty() || !m_queue->isStarted())
        return false;
    PushServiceStore &store = PushServiceStore::instance();
    if (!store.open()) {
        PushDelivery error;
        error.kind = PushDelivery::Kind::Error;
        error.token = m_queue->connectionToken();
        error.errorCode = PushError_StoreOpen;
        m_queue->push(std::move(error));
        return false;
    }
    const quint64 token = m_queue->subscribe(groupId);
    store.subscribe(m_queue, groupId, token);
    m_groups.removeAll(groupId);
    m_groups.append(groupId);
    return true;
}

void PushClientWorker::unsubscribe(const QString &groupId)
{
    if (!m_groups.contains(groupId))
        return;
    m_queue->unsubscribe(groupId);
    m_groups.removeAll(groupId);
    PushServiceStore::instance().unsubscribe(m_queue, groupId);
}

void PushClientWorker::getMsgs(int fromSeqId, int count)
{
    if (!m_queue->isStarted())
        return;
    // Without a group the store still answers, so that the reply keeps its place in line.
    const QString groupId = m_groups.isEmpty() ? QString() : m_groups.constLast();
    const quint64 token
        = groupId.isEmpty() ? m_queue->connectionToken() : m_queue->subscriptionToken(groupId);
    PushServiceStore::instance().fetch(m_queue, groupId, token, fromSeqId, count);
}

void PushClientWorker::stop()
{
    m_queue->stop();
    if (!m_groups.isEmpty())
        PushServiceStore::instance().unsubscribeAll(m_queue);
    m_groups.clear();
}

void PushClientWorker::deliverAll(const std::shared_ptr<PushDeliveryQueue> &queue)
{
    PushDelivery delivery;
    IPushServiceSink *sink = nullptr;
    while (queue->take(&delivery, &sink)) {
        deliver(delivery, sink);
        delivery = PushDelivery(); // the message lives exactly as long as its callback
    }
}

void PushClientWorker::deliver(const PushDelivery &delivery, IPushServiceSink *sink)
{
    // An exception must not end the delivery thread (and with it the process).
    try {
        switch (delivery.kind) {
        case PushDelivery::Kind::GroupInfo: {
            pb_clt_t_group_item groupItem;
            bool numeric = false;
            const qulonglong groupId = delivery.groupId.toULongLong(&numeric);
            if (numeric)
                groupItem.set_f_group_id(groupId);
            groupItem.set_f_init_seqid(delivery.initSeqId);
            groupItem.set_f_seq(delivery.seq);
            sink->onGetGroupInfo(groupItem);
            break;
        }
        case PushDelivery::Kind::Message: {
            MessageContext context;
            context.groupId = delivery.groupId;
            context.user = delivery.message.get();
            sink->onReceiveMessage(context);
            break;
        }
        case PushDelivery::Kind::Error:
            sink->onError(delivery.errorCode);
            break;
        }
    } catch (const std::exception &exception) {
        qCWarning(lcPush(), "PSVPushService: a callback threw: %s", exception.what());
    } catch (...) {
        qCWarning(lcPush(), "PSVPushService: a callback threw");
    }
}
