#pragma once

#include <QString>

#include <memory>
#include <vector>

#include "msl.pb.h"

/// What a client receives for a range of a group's stored messages: the rows that may reach
/// into the range are handed in one by one, as stored (first sequence number and payload); the
/// items numbered inside the range come out merged into one message, followed by the parts
/// beside items of the messages that begin in the range. Pure: no database, no threads.
class PushStoreRange
{
public:
    /// The range holds the sequence numbers after afterSeqId up to and including upToSeqId.
    PushStoreRange(const QString &groupId, int afterSeqId, int upToSeqId);

    /// One stored row. A payload that does not parse is skipped with a logged line.
    void take(int firstSeqId, const char *payload, int size);

    /// The merged items first (once key -1), then the other parts, each with its message's first
    /// sequence number as once key (PushDelivery::onceKey). Leaves the range empty.
    void takeResult(
        std::vector<std::unique_ptr<pb_clt_t_user>> *messages, std::vector<int> *onceKeys);

    /// Whether a stored message holds more than items: such parts are delivered only once.
    static bool hasPartsBesideItems(const pb_clt_t_user &message);
    /// The message's items; each takes one sequence number.
    static int itemCount(const pb_clt_t_user &message);

private:
    QString m_groupId;
    int m_afterSeqId = 0;
    int m_upToSeqId = 0;
    pb_clt_t_user m_items; // every item of the range, merged into one message
    std::vector<std::unique_ptr<pb_clt_t_user>> m_others; // messages that are not items
    std::vector<int> m_otherKeys; // their first sequence numbers
};
