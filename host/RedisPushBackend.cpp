#include "RedisPushBackend_p.h"

#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QUrlQuery>
#include <QtDebug>

#include <algorithm>
#include <chrono>
#include <climits>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <hiredis.h>
#include <poll.h>
#include <unistd.h>

#include "Logging_p.h"
#include "PSVPushService.h"
#include "PushClient_p.h"
#include "ServerConfiguration_p.h"
#include "msl.pb.h"

// Threads meet here only through std::mutex and the wake pipe: Qt's own locks are invisible to
// ThreadSanitizer.

namespace {

// A blocking read ends after this long without news, so that a dead link shows even when the
// peer vanished without closing it.
constexpr int BlockMs = 10000;
constexpr int EntriesPerRead = 1000;
// A retried publish looks this far back for its own first attempt.
constexpr int RetryLookBack = 2000;
// A group's stream is KeyPrefix + group id + "}", the index of its message ids KeyPrefix + group
// id + IndexSuffix: the group id is the hash tag of both.
const char KeyPrefix[] = "dynfeed:{";
const char IndexSuffix[] = "}:ids";
constexpr int ScanCount = 1000;
constexpr int FirstBackoffMs = 100;
constexpr int MaxBackoffMs = 5000;

// Every script that appends also indexes the message ids of the appended items: KEYS[2], a
// sorted set from message id to the item's sequence number, kept beside the stream (the same
// hash tag) and trimmed with it. The ids come as the ARGV from `from` on, one per item ('' for an
// item without one); the first item of a message wins over later ones with the same id, a newer
// message over an older one.
const char IndexFunction[] = R"lua(
local function index(from, first)
  for i = #ARGV, from, -1 do
    if ARGV[i] ~= '' then redis.call('ZADD', KEYS[2], first + i - from, ARGV[i]) end
  end
  local oldest = redis.call('XRANGE', KEYS[1], '-', '+', 'COUNT', 1)
  if #oldest > 0 then
    redis.call('ZREMRANGEBYSCORE', KEYS[2], '-inf', '(' .. string.match(oldest[1][1], '^(%d+)'))
  end
end
)lua";

// KEYS[1] the group's stream, KEYS[2] its index; ARGV: numbers taken, payload, entries kept,
// publish key, how many newest entries to search for that key first (0: a first attempt), then
// the items' message ids.
const char PublishScript[] = R"lua(
local key = KEYS[1]
local back = tonumber(ARGV[5])
if back > 0 then
  for _, entry in ipairs(redis.call('XREVRANGE', key, '+', '-', 'COUNT', back)) do
    local fields = entry[2]
    for i = 1, #fields, 2 do
      if fields[i] == 'k' and fields[i + 1] == ARGV[4] then
        return tonumber(string.match(entry[1], '^(%d+)'))
      end
    end
  end
end
local last = 0
local top = redis.call('XREVRANGE', key, '+', '-', 'COUNT', 1)
if #top > 0 then last = tonumber(string.match(top[1][1], '%-(%d+)$')) end
local count = tonumber(ARGV[1])
if last + count > 2147483647 then
  return redis.error_reply('the group sequence numbers are exhausted')
end
redis.call('XADD', key, 'MAXLEN', '~', ARGV[3], (last + 1) .. '-' .. (last + count),
  'm', ARGV[2], 'k', ARGV[4])
index(6, last + 1)
return last + 1
)lua";

// KEYS[1] the group's stream, KEYS[2] its index; ARGV: first and last number, payload, entries
// kept, then the items' message ids.
const char ImportScript[] = R"lua(
local top = redis.call('XREVRANGE', KEYS[1], '+', '-', 'COUNT', 1)
if #top > 0 and tonumber(string.match(top[1][1], '%-(%d+)$')) >= tonumber(ARGV[1]) then
  return 0
end
redis.call('XADD', KEYS[1], 'MAXLEN', '~', ARGV[4], ARGV[1] .. '-' .. ARGV[2], 'm', ARGV[3])
index(5, tonumber(ARGV[1]))
return 1
)lua";

struct FreeReply
{
    void operator()(redisReply *reply) const { freeReplyObject(reply); }
};
using Reply = std::unique_ptr<redisReply, FreeReply>;

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

QByteArray replyText(const redisReply *reply)
{
    return reply && reply->str ? QByteArray(reply->str, int(reply->len)) : QByteArray();
}

timeval toTimeval(int ms)
{
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}

/// One connection to the server, blocking with timeouts; or, for the reader, a command sent
/// and its reply gathered piece by piece while the caller polls.
class RedisConnection
{
public:
    RedisConnection() = default;
    ~RedisConnection() { close(); }
    RedisConnection(const RedisConnection &) = delete;
    RedisConnection &operator=(const RedisConnection &) = delete;

    bool isOpen() const { return m_context != nullptr; }
    QString error() const { return m_error; }
    /// Closes a link found dead, saying why.
    void abandon(const QString &why) { fail(why); }
    int fd() const { return m_context ? m_context->fd : -1; }

    bool open(const RedisServer &server)
    {
        close();
        const QByteArray host = server.host.toUtf8();
        m_context
            = redisConnectWithTimeout(host.constData(), server.port, toTimeval(server.timeoutMs));
        if (!m_context || m_context->err) {
            fail(m_context ? QString::fromLocal8Bit(m_context->errstr)
                           : QStringLiteral("out of memory"));
            return false;
        }
        redisSetTimeout(m_context, toTimeval(server.timeoutMs));
        redisEnableKeepAlive(m_context);
        if (!server.password.isEmpty() && !expectOk({ "AUTH", server.password }))
            return false;
        return server.db == 0 || expectOk({ "SELECT", number(server.db) });
    }

    void close()
    {
        if (m_context)
            redisFree(m_context);
        m_context = nullptr;
    }

    /// The reply, which may be an error reply; null when the link failed (then closed).
    Reply command(const QList<QByteArray> &args)
    {
        if (!send(args))
            return nullptr;
        void *reply = nullptr;
        if (redisGetReply(m_context, &reply) != REDIS_OK || !reply) {
            fail(QString::fromLocal8Bit(m_context->errstr));
            return nullptr;
        }
        return Reply(static_cast<redisReply *>(reply));
    }

    /// Writes a command without waiting for its reply.
    bool send(const QList<QByteArray> &args)
    {
        if (!m_context) {
            m_error = QStringLiteral("not connected");
            return false;
        }
        std::vector<const char *> argv;
        std::vector<size_t> lengths;
        for (const QByteArray &arg : args) {
            argv.push_back(arg.constData());
            lengths.push_back(size_t(arg.size()));
        }
        int done = 0;
        if (redisAppendCommandArgv(m_context, int(argv.size()), argv.data(), lengths.data())
            != REDIS_OK) {
            fail(QString::fromLocal8Bit(m_context->errstr));
            return false;
        }
        while (!done) {
            if (redisBufferWrite(m_context, &done) != REDIS_OK) {
                fail(QString::fromLocal8Bit(m_context->errstr));
                return false;
            }
        }
        return true;
    }

    /// Reads what has arrived (call when the socket is readable); false when the link failed.
    bool readInput()
    {
        if (redisBufferRead(m_context) != REDIS_OK) {
            fail(QString::fromLocal8Bit(m_context->errstr));
            return false;
        }
        return true;
    }

    /// A reply complete in what has arrived, or null; false when the input is garbled.
    bool takeReply(Reply *reply)
    {
        void *raw = nullptr;
        if (redisGetReplyFromReader(m_context, &raw) != REDIS_OK) {
            fail(QString::fromLocal8Bit(m_context->errstr));
            return false;
        }
        reply->reset(static_cast<redisReply *>(raw));
        return true;
    }

private:
    bool expectOk(const QList<QByteArray> &args)
    {
        const Reply reply = command(args);
        if (!reply)
            return false;
        if (reply->type == REDIS_REPLY_ERROR) {
            fail(QString::fromUtf8(replyText(reply.get())));
            return false;
        }
        return true;
    }

    void fail(const QString &why)
    {
        m_error = why.isEmpty() ? QStringLiteral("connection closed") : why;
        close();
    }

    redisContext *m_context = nullptr;
    QString m_error;
};

/// One stream entry: the numbers its message takes and the message as stored.
struct Entry
{
    int first = 0;
    int last = 0;
    QByteArray id;
    QByteArray payload;
};

bool parseId(const QByteArray &id, int *first, int *last)
{
    const int dash = id.indexOf('-');
    bool firstOk = false;
    bool lastOk = false;
    *first = id.left(dash).toInt(&firstOk);
    *last = id.mid(dash + 1).toInt(&lastOk);
    return dash > 0 && firstOk && lastOk && *first > 0 && *last >= *first;
}

/// The entries of an XRANGE-style reply, oldest first; entries not written by us are skipped.
std::vector<Entry> parseEntries(const redisReply *reply)
{
    std::vector<Entry> entries;
    if (!reply || reply->type != REDIS_REPLY_ARRAY)
        return entries;
    for (size_t i = 0; i < reply->elements; ++i) {
        const redisReply *item = reply->element[i];
        if (item->type != REDIS_REPLY_ARRAY || item->elements != 2)
            continue;
        Entry entry;
        entry.id = replyText(item->element[0]);
        if (!parseId(entry.id, &entry.first, &entry.last))
            continue;
        const redisReply *fields = item->element[1];
        for (size_t f = 0; fields->type == REDIS_REPLY_ARRAY && f + 1 < fields->elements; f += 2) {
            if (replyText(fields->element[f]) == "m")
                entry.payload = replyText(fields->element[f + 1]);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

int itemCount(const pb_clt_t_user &message)
{
    return message.has_f_im_msg() ? message.f_im_msg().f_msg_size() : 0;
}

/// The message ids of the message's items, in order, for the index ("" for an item without).
QList<QByteArray> itemIds(const pb_clt_t_user &message)
{
    QList<QByteArray> ids;
    for (int i = 0; i < itemCount(message); ++i) {
        const pb_im_t_msg_item &item = message.f_im_msg().f_msg(i);
        ids << (item.has_f_msg_id() ? QByteArray::number(qulonglong(item.f_msg_id())) : "");
    }
    return ids;
}

QByteArray withIndex(const char *script)
{
    return QByteArray(IndexFunction) + script;
}

bool hasPartsBesideItems(const pb_clt_t_user &message)
{
    return message.has_f_prj_details() || message.has_f_task_details()
        || message.has_f_prj_weather();
}

/// The entry's message, its items numbered from the entry id; null (logged) when malformed.
std::unique_ptr<pb_clt_t_user> decode(const QString &groupId, const Entry &entry)
{
    auto message = std::make_unique<pb_clt_t_user>();
    if (!message->ParseFromArray(entry.payload.constData(), entry.payload.size())) {
        qCWarning(lcPush(),
            "PSVPushService: skipped a malformed message on the push server (group %s, "
            "sequence number %d)",
            qUtf8Printable(groupId), entry.first);
        return nullptr;
    }
    for (int i = 0; i < itemCount(*message); ++i)
        message->mutable_f_im_msg()->mutable_f_msg(i)->set_f_msg_seq_id(entry.first + i);
    return message;
}

/// A message on its way to the sink. onceKey as for the in-process service: the first number
/// of a message whose parts beside items travel once per subscription; -1 otherwise.
struct Outgoing
{
    std::unique_ptr<pb_clt_t_user> message;
    int onceKey = -1;
};

/// The group's first and newest numbers and its newest entry id.
struct GroupState
{
    int initSeqId = 0;
    int seq = 0;
    QByteArray lastId = "0-0";
};

/// The server's side of one client: requests queued by the client's thread, the sink and the
/// subscriptions, shared with the delivery thread (which may outlive the client when it is
/// destroyed from inside a callback).
struct ClientState
{
    struct Request
    {
        bool subscribe = false; // else a range read
        QString groupId;
        quint64 token = 0;
        int fromSeqId = 0;
        int count = 0;
    };

    ClientState()
    {
        if (pipe(wakeFds) == 0) {
            for (int fd : wakeFds)
                fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
    }
    ~ClientState()
    {
        ::close(wakeFds[0]);
        ::close(wakeFds[1]);
    }

    /// Any thread: makes the delivery thread look at the requests.
    void wake()
    {
        const char byte = 1;
        ssize_t written = write(wakeFds[1], &byte, 1);
        Q_UNUSED(written) // a full pipe wakes the thread just as well
    }

    void drainWake()
    {
        char bytes[64];
        while (read(wakeFds[0], bytes, sizeof bytes) > 0) { }
    }

    std::mutex mutex; // guards everything below but the pipe
    IPushServiceSink *sink = nullptr; // not owned
    QString userId;
    quint64 connection = 0; // 0 while stopped
    quint64 lastToken = 0;
    QHash<QString, quint64> subscriptions; // group id -> token of its current subscription
    std::deque<Request> requests;
    bool shutDown = false;
    int wakeFds[2] = { -1, -1 };
};

/// The delivery thread of one client: it owns the connections, reads on them and calls back.
class RedisReader
{
public:
    RedisReader(std::shared_ptr<ClientState> state, RedisServer server)
        : m_state(std::move(state))
        , m_server(std::move(server))
    { }

    void run();

private:
    struct Stream
    {
        quint64 token = 0;
        QByteArray cursor = "0-0"; // id of the newest entry handed over
        int cursorSeq = 0;
        int initSeqId = 0; // the group's first number, as last read
        QSet<int> delivered; // onceKeys delivered under this subscription
    };

    bool takeRequests(); // false once shut down
    bool connect();
    void reportLoss(const QString &why);
    void waitForWake(int ms);
    bool serve(const ClientState::Request &request);
    bool readGroup(const QString &key, GroupState *group);
    bool readRange(const QString &groupId, const QString &key, int after, int upTo,
        std::vector<Outgoing> *out);
    bool readLive();
    bool unblock();
    /// False when the link failed before anything of the batch was handed over.
    bool deliverEntries(const QString &groupId, const std::vector<Entry> &entries);
    void deliverInfo(const QString &groupId, quint64 token, const GroupState &group);
    void deliverMessage(const QString &groupId, quint64 token, Outgoing outgoing);
    void deliverError(const QString &groupId, quint64 token, int code);
    IPushServiceSink *sinkFor(const QString &groupId, quint64 token);

    const std::shared_ptr<ClientState> m_state;
    const RedisServer m_server;
    RedisConnection m_reader; // reads streams, blocking on the live read
    RedisConnection m_control; // wakes the reader's blocking read (CLIENT UNBLOCK)
    QByteArray m_readerId;
    QString m_userId;
    quint64 m_connection = 0;
    std::deque<ClientState::Request> m_pending;
    QHash<QString, Stream> m_streams; // group id -> what its subscription has received
    QHash<QString, quint64> m_subscriptions;
    bool m_lossReported = false;
    int m_backoffMs = FirstBackoffMs;
};

void RedisReader::run()
{
    while (takeRequests()) {
        if (m_connection == 0) {
            // Stopped: nothing is wanted until start() again.
            m_reader.close();
            m_control.close();
            m_lossReported = false;
            waitForWake(-1);
            continue;
        }
        if (!m_reader.isOpen() && !connect()) {
            // With jitter, so that the clients of a restarted server do not come back at once.
            const int wait = m_backoffMs + QRandomGenerator::global()->bounded(m_backoffMs / 4 + 1);
            m_backoffMs = std::min(m_backoffMs * 2, MaxBackoffMs);
            waitForWake(wait);
            continue;
        }
        bool ok = true;
        while (ok && !m_pending.empty()) {
            ok = serve(m_pending.front());
            if (ok)
                m_pending.pop_front();
        }
        if (ok && !m_streams.isEmpty())
            ok = readLive();
        else if (ok)
            waitForWake(-1);
        if (!ok)
            reportLoss(m_reader.isOpen() ? m_control.error() : m_reader.error());
        // The next turn connects again at once; only a failed attempt waits.
    }
}

bool RedisReader::takeRequests()
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (m_state->shutDown)
            return false;
        for (ClientState::Request &request : m_state->requests)
            m_pending.push_back(std::move(request));
        m_state->requests.clear();
        m_subscriptions = m_state->subscriptions;
        m_connection = m_state->connection;
        m_userId = m_state->userId;
    }
    // What was left meanwhile is neither read nor answered any more.
    for (auto stream = m_streams.begin(); stream != m_streams.end();) {
        stream = m_subscriptions.value(stream.key()) == stream.value().token
            ? std::next(stream)
            : m_streams.erase(stream);
    }
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                        [this](const ClientState::Request &request) {
                            return request.groupId.isEmpty()
                                ? request.token != m_connection
                                : m_subscriptions.value(request.groupId) != request.token;
                        }),
        m_pending.end());
    return true;
}

bool RedisReader::connect()
{
    QString why;
    if (m_reader.open(m_server) && m_control.open(m_server)) {
        // A server still loading its data after a restart answers with an error here.
        const Reply id = m_reader.command({ "CLIENT", "ID" });
        why = id ? QString::fromUtf8(replyText(id.get())) : m_reader.error();
        if (id && id->type == REDIS_REPLY_INTEGER) {
            m_readerId = number(id->integer);
            if (m_lossReported)
                qCDebug(lcPush(),
                    "PSVPushService: client of user %s is connected to the push server %s "
                    "again",
                    qUtf8Printable(m_userId), qUtf8Printable(m_server.name()));
            m_lossReported = false;
            m_backoffMs = FirstBackoffMs;
            return true;
        }
    }
    if (why.isEmpty())
        why = m_reader.isOpen() ? m_control.error() : m_reader.error();
    reportLoss(why);
    return false;
}

void RedisReader::reportLoss(const QString &why)
{
    m_reader.close();
    m_control.close();
    if (m_lossReported)
        return;
    m_lossReported = true;
    qCWarning(lcPush(),
        "PSVPushService: client of user %s cannot reach the push server %s: %s; retrying",
        qUtf8Printable(m_userId), qUtf8Printable(m_server.name()), qUtf8Printable(why));
    deliverError(QString(), m_connection, PushError_Connection);
}

void RedisReader::waitForWake(int ms)
{
    pollfd wakeFd { m_state->wakeFds[0], POLLIN, 0 };
    if (poll(&wakeFd, 1, ms) > 0)
        m_state->drainWake();
}

bool RedisReader::serve(const ClientState::Request &request)
{
    if (request.groupId.isEmpty()) {
        // Without a group the answer still keeps its place in line.
        deliverError(QString(), request.token, PushError_NoMessages);
        return true;
    }
    const QString key = RedisPushBackend::streamKey(request.groupId);
    GroupState group;
    if (!readGroup(key, &group))
        return false;
    std::vector<Outgoing> messages;
    if (request.subscribe) {
        if (group.seq > group.initSeqId
            && !readRange(request.groupId, key,
                std::max(group.initSeqId, group.seq - NewestOnSubscribe), group.seq, &messages)) {
            return false;
        }
        // Live reading starts after the newest entry seen here, so nothing comes twice.
        Stream stream;
        stream.token = request.token;
        stream.cursor = group.lastId;
        stream.cursorSeq = group.seq;
        stream.initSeqId = group.initSeqId;
        m_streams.insert(request.groupId, stream);
        deliverInfo(request.groupId, request.token, group);
    } else {
        const qint64 after = std::max<qint64>(request.fromSeqId, group.initSeqId);
        const qint64 upTo = std::min<qint64>(qint64(request.fromSeqId) + request.count, group.seq);
        if (request.count <= 0 || upTo <= after
            || !readRange(request.groupId, key, int(after), int(upTo), &messages)) {
            if (!m_reader.isOpen())
                return false;
            messages.clear();
        }
        if (messages.empty()) {
            deliverError(request.groupId, request.token, PushError_NoMessages);
            return true;
        }
    }
    for (Outgoing &outgoing : messages)
        deliverMessage(request.groupId, request.token, std::move(outgoing));
    return true;
}

bool RedisReader::readGroup(const QString &key, GroupState *group)
{
    const QByteArray stream = key.toUtf8();
    const Reply newest = m_reader.command({ "XREVRANGE", stream, "+", "-", "COUNT", "1" });
    const Reply oldest
        = newest ? m_reader.command({ "XRANGE", stream, "-", "+", "COUNT", "1" }) : nullptr;
    if (!oldest)
        return false;
    const std::vector<Entry> last = parseEntries(newest.get());
    const std::vector<Entry> first = parseEntries(oldest.get());
    if (!last.empty() && !first.empty()) {
        group->initSeqId = first.front().first - 1;
        group->seq = last.front().last;
        group->lastId = last.front().id;
    }
    return true;
}

bool RedisReader::readRange(
    const QString &groupId, const QString &key, int after, int upTo, std::vector<Outgoing> *out)
{
    const QByteArray stream = key.toUtf8();
    // The last message that begins at or before the range may reach into it.
    const Reply before
        = m_reader.command({ "XREVRANGE", stream, number(after), "-", "COUNT", "1" });
    const Reply inside = before
        ? m_reader.command({ "XRANGE", stream, number(qint64(after) + 1), number(upTo) })
        : nullptr;
    if (!inside)
        return false;
    std::vector<Entry> entries = parseEntries(before.get());
    for (Entry &entry : parseEntries(inside.get()))
        entries.push_back(std::move(entry));

    pb_clt_t_user items; // every item of the range, merged into one message
    std::vector<Outgoing> others;
    for (const Entry &entry : entries) {
        std::unique_ptr<pb_clt_t_user> message = decode(groupId, entry);
        if (!message)
            continue;
        const int count = itemCount(*message);
        for (int i = 0; i < count; ++i) {
            const qint64 seqId = qint64(entry.first) + i;
            if (seqId > after && seqId <= upTo)
                *items.mutable_f_im_msg()->add_f_msg() = message->f_im_msg().f_msg(i);
        }
        // A message's other parts travel with the range that holds its first number.
        if (entry.first <= after || entry.first > upTo)
            continue;
        if (count > 0 && !hasPartsBesideItems(*message))
            continue;
        if (count > 0)
            message->clear_f_im_msg();
        others.push_back(Outgoing { std::move(message), entry.first });
    }
    if (itemCount(items) > 0)
        out->push_back(Outgoing { std::make_unique<pb_clt_t_user>(std::move(items)), -1 });
    for (Outgoing &other : others)
        out->push_back(std::move(other));
    return true;
}

bool RedisReader::readLive()
{
    QList<QByteArray> args { "XREAD", "COUNT", number(EntriesPerRead), "BLOCK", number(BlockMs),
        "STREAMS" };
    QList<QByteArray> cursors;
    for (auto stream = m_streams.cbegin(); stream != m_streams.cend(); ++stream) {
        args << RedisPushBackend::streamKey(stream.key()).toUtf8();
        cursors << stream.value().cursor;
    }
    if (!m_reader.send(args + cursors))
        return false;

    bool unblocking = false;
    Reply reply;
    for (;;) {
        if (!m_reader.takeReply(&reply))
            return false;
        if (reply)
            break;
        pollfd fds[2] = { { m_reader.fd(), POLLIN, 0 }, { m_state->wakeFds[0], POLLIN, 0 } };
        // A reply that does not come long after the read's own end means the link is dead.
        const int ready = poll(fds, 2, unblocking ? 20 : BlockMs + m_server.timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (fds[1].revents & POLLIN) {
            m_state->drainWake();
            unblocking = true;
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !m_reader.readInput())
            return false;
        if (ready == 0 && !unblocking) {
            m_reader.abandon(
                QStringLiteral("no reply within %1 ms").arg(BlockMs + m_server.timeoutMs));
            return false;
        }
        // Asked again while no reply has come: the read may have reached the server after the
        // first request to end it.
        if (unblocking && !(fds[0].revents & POLLIN) && !unblock())
            return false;
    }
    if (reply->type == REDIS_REPLY_ERROR) {
        qCWarning(lcPush(), "PSVPushService: reading the groups of user %s on %s failed: %s",
            qUtf8Printable(m_userId), qUtf8Printable(m_server.name()),
            replyText(reply.get()).constData());
        return true;
    }
    for (size_t i = 0; reply->type == REDIS_REPLY_ARRAY && i < reply->elements; ++i) {
        const redisReply *streamReply = reply->element[i];
        if (streamReply->type != REDIS_REPLY_ARRAY || streamReply->elements != 2)
            continue;
        const QString key = QString::fromUtf8(replyText(streamReply->element[0]));
        for (auto stream = m_streams.cbegin(); stream != m_streams.cend(); ++stream) {
            if (RedisPushBackend::streamKey(stream.key()) == key) {
                if (!deliverEntries(stream.key(), parseEntries(streamReply->element[1])))
                    return false;
                break;
            }
        }
    }
    return true;
}

bool RedisReader::unblock()
{
    const Reply reply = m_control.command({ "CLIENT", "UNBLOCK", m_readerId });
    return reply != nullptr;
}

bool RedisReader::deliverEntries(const QString &groupId, const std::vector<Entry> &entries)
{
    const auto found = m_streams.find(groupId);
    if (entries.empty() || found == m_streams.end())
        return true;
    // Each message comes after the group's numbers as they stand with it, so that a feed counts
    // it before it arrives. The first number moves only when the stream is trimmed, which takes
    // more entries than it keeps; an entry takes at least one number, so below that many
    // numbers it is not read again (a publisher configured to keep fewer leaves it stale until
    // the next subscription: a feed then offers pages it cannot fill). Nothing was handed over
    // yet if the read fails, so the batch is read again once connected.
    if (entries.back().last - found->initSeqId > m_server.maxLen) {
        const Reply oldest = m_reader.command(
            { "XRANGE", RedisPushBackend::streamKey(groupId).toUtf8(), "-", "+", "COUNT", "1" });
        if (!oldest)
            return false;
        const std::vector<Entry> first = parseEntries(oldest.get());
        found->initSeqId = (first.empty() ? entries.front().first : first.front().first) - 1;
    }
    GroupState numbers;
    numbers.initSeqId = found->initSeqId;

    for (const Entry &entry : entries) {
        const auto stream = m_streams.find(groupId);
        if (stream == m_streams.end())
            return true; // left from inside a callback
        if (entry.first > stream->cursorSeq + 1) {
            qCWarning(lcPush(),
                "PSVPushService: group %s lost messages %d to %d on %s before client of "
                "user %s read them (the group keeps its newest %d)",
                qUtf8Printable(groupId), stream->cursorSeq + 1, entry.first - 1,
                qUtf8Printable(m_server.name()), qUtf8Printable(m_userId), m_server.maxLen);
        }
        stream->cursor = entry.id;
        stream->cursorSeq = entry.last;
        const quint64 token = stream->token;
        std::unique_ptr<pb_clt_t_user> message = decode(groupId, entry);
        if (!message)
            continue;
        const bool once = itemCount(*message) == 0 || hasPartsBesideItems(*message);
        if (once && stream->delivered.contains(entry.first))
            continue; // a range read handed it over already
        numbers.seq = entry.last;
        deliverInfo(groupId, token, numbers);
        deliverMessage(groupId, token, Outgoing { std::move(message), once ? entry.first : -1 });
    }
    return true;
}

IPushServiceSink *RedisReader::sinkFor(const QString &groupId, quint64 token)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->shutDown || m_state->connection == 0 || token == 0)
        return nullptr;
    if (groupId.isEmpty())
        return token == m_state->connection ? m_state->sink : nullptr;
    return m_state->subscriptions.value(groupId) == token ? m_state->sink : nullptr;
}

void RedisReader::deliverInfo(const QString &groupId, quint64 token, const GroupState &group)
{
    IPushServiceSink *sink = sinkFor(groupId, token);
    if (!sink)
        return;
    pb_clt_t_group_item groupItem;
    bool numeric = false;
    const qulonglong id = groupId.toULongLong(&numeric);
    if (numeric)
        groupItem.set_f_group_id(id);
    groupItem.set_f_init_seqid(group.initSeqId);
    groupItem.set_f_seq(group.seq);
    // An exception must not end the delivery thread (and with it the process).
    try {
        sink->onGetGroupInfo(groupItem);
    } catch (const std::exception &exception) {
        qCWarning(lcPush(), "PSVPushService: a callback threw: %s", exception.what());
    } catch (...) {
        qCWarning(lcPush(), "PSVPushService: a callback threw");
    }
}

void RedisReader::deliverMessage(const QString &groupId, quint64 token, Outgoing outgoing)
{
    const auto stream = m_streams.find(groupId);
    if (outgoing.onceKey >= 0 && stream != m_streams.end() && stream->token == token) {
        if (stream->delivered.contains(outgoing.onceKey))
            return;
        stream->delivered.insert(outgoing.onceKey);
    }
    IPushServiceSink *sink = sinkFor(groupId, token);
    if (!sink)
        return;
    MessageContext context;
    context.groupId = groupId;
    context.user = outgoing.message.get();
    try {
        sink->onReceiveMessage(context);
    } catch (const std::exception &exception) {
        qCWarning(lcPush(), "PSVPushService: a callback threw: %s", exception.what());
    } catch (...) {
        qCWarning(lcPush(), "PSVPushService: a callback threw");
    }
}

void RedisReader::deliverError(const QString &groupId, quint64 token, int code)
{
    IPushServiceSink *sink = sinkFor(groupId, token);
    if (!sink)
        return;
    try {
        sink->onError(code);
    } catch (const std::exception &exception) {
        qCWarning(lcPush(), "PSVPushService: a callback threw: %s", exception.what());
    } catch (...) {
        qCWarning(lcPush(), "PSVPushService: a callback threw");
    }
}

/// A client of the server: the caller's side, which only queues requests and wakes the reader.
class RedisPushClient final : public PushClient
{
public:
    explicit RedisPushClient(const RedisServer &server)
        : m_state(std::make_shared<ClientState>())
        , m_server(server)
    { }

    ~RedisPushClient() override
    {
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            m_state->shutDown = true;
            m_state->sink = nullptr;
        }
        m_state->wake();
        if (!m_thread.joinable())
            return;
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach(); // the reader holds its own reference to the state
        else
            m_thread.join();
    }

    bool start(const QString &userId, IPushServiceSink *sink) override
    {
        if (sink == nullptr)
            return false;
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            m_state->sink = sink;
            m_state->userId = userId;
            m_state->connection = ++m_state->lastToken;
            m_state->subscriptions.clear();
            m_state->requests.clear();
        }
        m_groups.clear();
        if (!m_thread.joinable()) {
            m_thread = std::thread(
                [state = m_state, server = m_server] { RedisReader(state, server).run(); });
        }
        m_state->wake();
        return true;
    }

    bool subscribe(const QString &groupId) override
    {
        if (groupId.isEmpty())
            return false;
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            if (m_state->connection == 0)
                return false;
            ClientState::Request request;
            request.subscribe = true;
            request.groupId = groupId;
            request.token = ++m_state->lastToken;
            m_state->subscriptions.insert(groupId, request.token);
            m_state->requests.push_back(request);
        }
        m_groups.removeAll(groupId);
        m_groups.append(groupId);
        m_state->wake();
        return true;
    }

    void unsubscribe(const QString &groupId) override
    {
        if (!m_groups.removeAll(groupId))
            return;
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            m_state->subscriptions.remove(groupId);
        }
        m_state->wake();
    }

    void getMsgs(int fromSeqId, int count) override
    {
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            if (m_state->connection == 0)
                return;
            ClientState::Request request;
            request.groupId = m_groups.isEmpty() ? QString() : m_groups.constLast();
            request.token = request.groupId.isEmpty()
                ? m_state->connection
                : m_state->subscriptions.value(request.groupId);
            request.fromSeqId = fromSeqId;
            request.count = count;
            m_state->requests.push_back(request);
        }
        m_state->wake();
    }

    void stop() override
    {
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            m_state->sink = nullptr;
            m_state->connection = 0;
            m_state->subscriptions.clear();
            m_state->requests.clear();
        }
        m_groups.clear();
        m_state->wake();
    }

private:
    const std::shared_ptr<ClientState> m_state;
    const RedisServer m_server;
    std::thread m_thread;
    QStringList m_groups; // subscribed groups, the one joined last at the end
};

/// The configured server, for every thread.
ServerConfiguration<RedisServer> &configuration()
{
    static auto *const config
        = new ServerConfiguration<RedisServer>; // reached by threads during exit
    return *config;
}

/// This thread's connection for publishing to server, opened when needed.
RedisConnection &publisherConnection(const RedisServer &server)
{
    thread_local QHash<QString, std::shared_ptr<RedisConnection>> connections;
    std::shared_ptr<RedisConnection> &connection
        = connections[server.name() + QLatin1Char(' ') + QString::fromUtf8(server.password)];
    if (!connection)
        connection = std::make_shared<RedisConnection>();
    return *connection;
}

/// Runs a command on this thread's connection, opening it when needed; a command that only
/// reads is tried again once on a fresh connection.
Reply readCommand(const RedisServer &server, const QList<QByteArray> &args, QString *error)
{
    RedisConnection &connection = publisherConnection(server);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!connection.isOpen() && !connection.open(server))
            break;
        if (Reply reply = connection.command(args))
            return reply;
    }
    *error = connection.error();
    return nullptr;
}

} // namespace

bool RedisServer::fromUrl(const QUrl &url, RedisServer *server, QString *error)
{
    RedisServer parsed;
    if (!url.isValid() || url.scheme() != QLatin1String("redis") || url.host().isEmpty()) {
        *error = QStringLiteral("not a redis://host[:port][/db] URL");
        return false;
    }
    parsed.host = url.host();
    parsed.port = url.port(6379);
    const QString path = url.path().mid(1);
    bool ok = true;
    parsed.db = path.isEmpty() ? 0 : path.toInt(&ok);
    if (!ok || parsed.db < 0) {
        *error = QStringLiteral("the database \"%1\" is not a number").arg(path);
        return false;
    }
    parsed.password = url.password(QUrl::FullyDecoded).toUtf8();
    if (parsed.password.isEmpty())
        parsed.password = qgetenv("DYNFEED_REDIS_PASSWORD");
    const QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("maxlen")))
        parsed.maxLen = query.queryItemValue(QStringLiteral("maxlen")).toInt(&ok);
    if (!ok || parsed.maxLen < 1) {
        *error = QStringLiteral("maxlen must be a positive number");
        return false;
    }
    if (query.hasQueryItem(QStringLiteral("timeout")))
        parsed.timeoutMs = query.queryItemValue(QStringLiteral("timeout")).toInt(&ok);
    if (!ok || parsed.timeoutMs < 1) {
        *error = QStringLiteral("timeout must be a positive number of milliseconds");
        return false;
    }
    *server = parsed;
    return true;
}

QString RedisServer::name() const
{
    return QStringLiteral("%1:%2/%3").arg(host).arg(port).arg(db);
}

bool RedisPushBackend::configure(const QUrl &url)
{
    QString error;
    if (configuration().set(url, &error))
        return true;
    qCWarning(lcPush(), "PSVPushService: cannot use the push server %s: %s",
        qUtf8Printable(url.toDisplayString(QUrl::RemovePassword)), qUtf8Printable(error));
    return false;
}

bool RedisPushBackend::configured(RedisServer *server)
{
    return configuration().get(server);
}

QUrl RedisPushBackend::configuredUrl()
{
    return configuration().url();
}

QString RedisPushBackend::streamKey(const QString &groupId)
{
    return QLatin1String(KeyPrefix) + groupId + QLatin1Char('}');
}

QString RedisPushBackend::indexKey(const QString &groupId)
{
    return QLatin1String(KeyPrefix) + groupId + QLatin1String(IndexSuffix);
}

QList<int> RedisPushBackend::publish(
    const RedisServer &server, const QString &groupId, const pb_clt_t_user &message)
{
    if (groupId.isEmpty()) {
        qCWarning(lcPush(), "PSVPushService: a message without a project id was not published");
        return {};
    }
    std::string bytes;
    if (!message.SerializeToString(&bytes)) {
        qCWarning(lcPush(), "PSVPushService: a message for group %s cannot be serialised",
            qUtf8Printable(groupId));
        return {};
    }
    const int numbers = std::max(1, itemCount(message));
    const QList<QByteArray> ids = itemIds(message);
    // The key lets a retry find its own first attempt, whose reply may have been lost.
    const QByteArray key = number(qint64(QRandomGenerator::global()->generate64() >> 1));
    const auto deadline
        = std::chrono::steady_clock::now() + std::chrono::milliseconds(server.timeoutMs);
    RedisConnection &connection = publisherConnection(server);
    bool mayHaveLanded = false;
    int backoffMs = 10;
    for (;;) {
        if (connection.isOpen() || connection.open(server)) {
            const Reply reply = connection.command(
                QList<QByteArray> { "EVAL", withIndex(PublishScript), "2",
                    streamKey(groupId).toUtf8(), indexKey(groupId).toUtf8(), number(numbers),
                    QByteArray(bytes.data(), int(bytes.size())), number(server.maxLen), key,
                    mayHaveLanded ? number(RetryLookBack) : "0" }
                + ids);
            if (reply && reply->type == REDIS_REPLY_INTEGER) {
                QList<int> seqIds;
                for (int i = 0; i < numbers; ++i)
                    seqIds << int(reply->integer) + i;
                return seqIds;
            }
            // A server still loading its data after a restart asks to be asked again.
            if (reply && replyText(reply.get()).startsWith("LOADING")) {
                connection.abandon(QString::fromUtf8(replyText(reply.get())));
            } else if (reply) {
                qCWarning(lcPush(),
                    "PSVPushService: the push server %s refused a message for group %s: %s",
                    qUtf8Printable(server.name()), qUtf8Printable(groupId),
                    replyText(reply.get()).constData());
                return {};
            } else {
                mayHaveLanded = true;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            qCWarning(lcPush(),
                "PSVPushService: a message for group %s was not published: the push server "
                "%s cannot be reached: %s",
                qUtf8Printable(groupId), qUtf8Printable(server.name()),
                qUtf8Printable(connection.error()));
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(backoffMs));
        backoffMs = std::min(backoffMs * 2, 500);
    }
}

bool RedisPushBackend::groupSeqIds(
    const RedisServer &server, const QString &groupId, int *initSeqId, int *seq)
{
    *initSeqId = 0;
    *seq = 0;
    const QByteArray stream = streamKey(groupId).toUtf8();
    QString error;
    const Reply newest
        = readCommand(server, { "XREVRANGE", stream, "+", "-", "COUNT", "1" }, &error);
    const Reply oldest = newest
        ? readCommand(server, { "XRANGE", stream, "-", "+", "COUNT", "1" }, &error)
        : nullptr;
    if (!oldest || oldest->type == REDIS_REPLY_ERROR || newest->type == REDIS_REPLY_ERROR) {
        qCWarning(lcPush(), "PSVPushService: cannot read group %s on the push server %s: %s",
            qUtf8Printable(groupId), qUtf8Printable(server.name()),
            qUtf8Printable(oldest ? QString::fromUtf8(replyText(oldest.get())) : error));
        return false;
    }
    const std::vector<Entry> last = parseEntries(newest.get());
    const std::vector<Entry> first = parseEntries(oldest.get());
    if (!last.empty() && !first.empty()) {
        *initSeqId = first.front().first - 1;
        *seq = last.front().last;
    }
    return true;
}

bool RedisPushBackend::findItem(
    const RedisServer &server, quint64 msgId, QString *groupId, pb_im_t_msg_item *item)
{
    const auto failed = [&](const QString &why) {
        qCWarning(lcPush(),
            "PSVPushService: cannot look for message %llu on the push server %s: %s",
            qulonglong(msgId), qUtf8Printable(server.name()), qUtf8Printable(why));
        return false;
    };
    const QByteArray id = QByteArray::number(qulonglong(msgId));
    const QByteArray prefix = KeyPrefix;
    const QByteArray suffix = IndexSuffix;
    QString error;

    // Which group holds the id: each group's index is asked, the groups found by their keys'
    // names; the newest item wins when several hold it.
    QString found;
    double foundSeq = -1;
    QByteArray cursor = "0";
    do {
        const Reply page = readCommand(server,
            { "SCAN", cursor, "MATCH", prefix + '*' + suffix, "COUNT", number(ScanCount) }, &error);
        if (!page || page->type != REDIS_REPLY_ARRAY || page->elements != 2)
            return failed(page ? QString::fromUtf8(replyText(page.get())) : error);
        cursor = replyText(page->element[0]);
        const redisReply *keys = page->element[1];
        for (size_t k = 0; keys->type == REDIS_REPLY_ARRAY && k < keys->elements; ++k) {
            const QByteArray key = replyText(keys->element[k]);
            const Reply score = readCommand(server, { "ZSCORE", key, id }, &error);
            if (!score)
                return failed(error);
            bool numeric = false; // stays false for a key of that name that is no index
            const double seq = replyText(score.get()).toDouble(&numeric);
            if (numeric && seq > foundSeq) {
                foundSeq = seq;
                found = QString::fromUtf8(
                    key.mid(prefix.size(), key.size() - prefix.size() - suffix.size()));
            }
        }
    } while (cursor != "0");
    if (foundSeq < 1)
        return false;

    // The entry that holds the item: the last one that begins at or before its number.
    const int seq = int(foundSeq);
    const Reply entryReply = readCommand(
        server, { "XREVRANGE", streamKey(found).toUtf8(), number(seq), "-", "COUNT", "1" }, &error);
    if (!entryReply || entryReply->type == REDIS_REPLY_ERROR)
        return failed(entryReply ? QString::fromUtf8(replyText(entryReply.get())) : error);
    const std::vector<Entry> entries = parseEntries(entryReply.get());
    if (entries.empty() || entries.front().last < seq)
        return false; // trimmed away since it was indexed
    const std::unique_ptr<pb_clt_t_user> message = decode(found, entries.front());
    const int index = seq - entries.front().first;
    if (!message || index >= itemCount(*message)
        || message->f_im_msg().f_msg(index).f_msg_id() != msgId)
        return false;
    *groupId = found;
    *item = message->f_im_msg().f_msg(index);
    return true;
}

int RedisPushBackend::importMessage(const RedisServer &server, const QString &groupId,
    int firstSeqId, int lastSeqId, const QByteArray &payload, QString *error)
{
    // Appending twice would double a message, so an append is not retried.
    RedisConnection &connection = publisherConnection(server);
    if (!connection.isOpen() && !connection.open(server)) {
        *error = connection.error();
        return -1;
    }
    // A payload that does not parse is appended all the same (readers skip it, saying so), and
    // indexes nothing.
    pb_clt_t_user message;
    const QList<QByteArray> ids = message.ParseFromArray(payload.constData(), payload.size())
        ? itemIds(message)
        : QList<QByteArray>();
    const Reply reply = connection.command(
        QList<QByteArray> { "EVAL", withIndex(ImportScript), "2", streamKey(groupId).toUtf8(),
            indexKey(groupId).toUtf8(), number(firstSeqId), number(lastSeqId), payload,
            number(server.maxLen) }
        + ids);
    if (!reply || reply->type != REDIS_REPLY_INTEGER) {
        *error = reply ? QString::fromUtf8(replyText(reply.get())) : connection.error();
        return -1;
    }
    return int(reply->integer);
}

std::unique_ptr<PushClient> RedisPushBackend::createClient(const RedisServer &server)
{
    return std::make_unique<RedisPushClient>(server);
}
