#include "PSVPushService.h"

#include "PushClientWorker_p.h"
#include "PushServiceStore_p.h"
#include "RedisPushBackend_p.h"
#include "msl.pb.h"

namespace {

std::unique_ptr<PushClient> createClient()
{
    RedisServer server;
    if (RedisPushBackend::configured(&server))
        return RedisPushBackend::createClient(server);
    return std::make_unique<PushClientWorker>();
}

} // namespace

PSVPushService::PSVPushService(PushType type)
    : m_worker(createClient())
    , m_type(type)
{ }

PSVPushService::~PSVPushService() = default;

PushType PSVPushService::type() const
{
    return m_type;
}

bool PSVPushService::start(const QString &userId, IPushServiceSink *sink)
{
    return m_worker->start(userId, sink);
}

bool PSVPushService::subscribe(const QString &prjId)
{
    return m_worker->subscribe(prjId);
}

void PSVPushService::unsubscribe(const QString &prjId)
{
    m_worker->unsubscribe(prjId);
}

void PSVPushService::getMsgs(int fromSeqId, int count)
{
    m_worker->getMsgs(fromSeqId, count);
}

void PSVPushService::stop()
{
    m_worker->stop();
}

void PSVPushService::setStorePath(const QString &path)
{
    PushServiceStore::instance().setPath(path);
}

QString PSVPushService::storePath()
{
    return PushServiceStore::instance().path();
}

bool PSVPushService::setServerUrl(const QUrl &url)
{
    return RedisPushBackend::configure(url);
}

QUrl PSVPushService::serverUrl()
{
    return RedisPushBackend::configuredUrl();
}

QList<int> PSVPushService::publish(const QString &prjId, const pb_clt_t_user &message)
{
    RedisServer server;
    if (RedisPushBackend::configured(&server))
        return RedisPushBackend::publish(server, prjId, message);
    return PushServiceStore::instance().publish(prjId, message);
}

void PSVPushService::groupSeqIds(const QString &prjId, int *initSeqId, int *seq)
{
    int first = 0;
    int newest = 0;
    RedisServer server;
    if (RedisPushBackend::configured(&server))
        RedisPushBackend::groupSeqIds(server, prjId, &first, &newest);
    else
        PushServiceStore::instance().groupSeqIds(prjId, &first, &newest);
    if (initSeqId)
        *initSeqId = first;
    if (seq)
        *seq = newest;
}

bool PSVPushService::findItem(quint64 msgId, QString *prjId, pb_im_t_msg_item *item)
{
    RedisServer server;
    if (RedisPushBackend::configured(&server))
        return RedisPushBackend::findItem(server, msgId, prjId, item);
    return PushServiceStore::instance().findItem(msgId, prjId, item);
}
