#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

class PushClient;
class pb_clt_t_user;
class pb_im_t_msg_item;

/// A Redis server that holds the message groups, as a redis:// URL names it.
struct RedisServer
{
    /// Entries a group's stream keeps by default: its newest 100,000 messages, trimmed
    /// approximately (Redis drops whole nodes of old entries, so a few hundred more may stay).
    static constexpr int DefaultMaxLen = 100000;

    QString host;
    int port = 6379;
    int db = 0;
    QByteArray password;
    int maxLen = DefaultMaxLen;
    int timeoutMs = 3000; // connecting, one command, and how long publish() keeps retrying

    /// The server that url names; false, with *error, for a URL that names none.
    static bool fromUrl(const QUrl &url, RedisServer *server, QString *error);
    /// "host:port/db", for log lines (never the password).
    QString name() const;
};

/// The push service's groups on a Redis server. Each group is one stream, "dynfeed:{<group>}",
/// the braces making the group id the key's hash tag, so that a Redis Cluster keeps a group on
/// one node. An entry's id is "<first>-<last>": the sequence numbers its message takes (one
/// per item, one for a message without items); its fields are "m" (the serialised message,
/// items numbered by the entry id, not by their payload) and "k" (the publisher's key for a
/// retried publish). Numbers are handed out inside one Lua script with the append. Beside the
/// stream, "dynfeed:{<group>}:ids" is a sorted set from an item's message id to its sequence
/// number, written by the same script and trimmed with the stream, for findItem().
namespace RedisPushBackend {

/// Uses the server url names from now on; an empty url goes back to the in-process store.
/// False, with a logged line, when url names no server. Any thread.
bool configure(const QUrl &url);
/// The configured server; false when none is (the groups stay in this process).
bool configured(RedisServer *server);
QUrl configuredUrl();

QString streamKey(const QString &groupId);
QString indexKey(const QString &groupId);

/// Numbers the message and appends it to the group's stream; the numbers given, or an empty
/// list when the server refused it or could not be reached for server.timeoutMs. Any thread;
/// each thread publishes on a connection of its own.
QList<int> publish(const RedisServer &server, const QString &groupId, const pb_clt_t_user &message);
/// The group's first and newest sequence numbers; false, with a logged line, on failure.
bool groupSeqIds(const RedisServer &server, const QString &groupId, int *initSeqId, int *seq);
/// The stored item with message id msgId (the newest when several hold it) and its group; false
/// when there is none, or, with a logged line, when the server cannot be read. Asks each
/// group's index (found by a SCAN of the key names), then reads the one entry that holds it.
bool findItem(const RedisServer &server, quint64 msgId, QString *groupId, pb_im_t_msg_item *item);
/// Appends a message that already has its numbers (moving a store to the server): 1 appended,
/// 0 left out because the group already holds these numbers, -1 failed (*error says why).
int importMessage(const RedisServer &server, const QString &groupId, int firstSeqId, int lastSeqId,
    const QByteArray &payload, QString *error);

/// A client that reads the server's groups on a delivery thread of its own.
std::unique_ptr<PushClient> createClient(const RedisServer &server);

} // namespace RedisPushBackend
