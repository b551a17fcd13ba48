#pragma once

#include <QString>

class IPushServiceSink;

/// What a push service client does for PSVPushService, whichever server holds the groups. The
/// operations are called from one thread; none of them calls back or waits for a callback.
class PushClient
{
public:
    virtual ~PushClient() = default;

    virtual bool start(const QString &userId, IPushServiceSink *sink) = 0;
    virtual bool subscribe(const QString &groupId) = 0;
    virtual void unsubscribe(const QString &groupId) = 0;
    virtual void getMsgs(int fromSeqId, int count) = 0;
    virtual void stop() = 0;
};
