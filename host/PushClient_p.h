#pragma once

#include <QString>

class IPushServiceSink;

/// How many of a group's newest sequence numbers a client receives on subscribing. Fewer than
/// the smallest batch a feed asks for when it wants older records (20 records): the feed's first
/// such request reaches back from the group's newest number, and must bring records it has not
/// seen yet, or nothing is announced and the view waits for a page that never fills.
constexpr int NewestOnSubscribe = 10;

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
