#include "PushStoreRange_p.h"

#include <QtDebug>

#include "Logging_p.h"

bool PushStoreRange::hasPartsBesideItems(const pb_clt_t_user &message)
{
    return message.has_f_prj_details() || message.has_f_task_details()
        || message.has_f_prj_weather();
}

int PushStoreRange::itemCount(const pb_clt_t_user &message)
{
    return message.has_f_im_msg() ? message.f_im_msg().f_msg_size() : 0;
}

PushStoreRange::PushStoreRange(const QString &groupId, int afterSeqId, int upToSeqId)
    : m_groupId(groupId)
    , m_afterSeqId(afterSeqId)
    , m_upToSeqId(upToSeqId)
{ }

void PushStoreRange::take(int firstSeqId, const char *payload, int size)
{
    auto stored = std::make_unique<pb_clt_t_user>();
    if (!stored->ParseFromArray(payload, size)) {
        qCWarning(lcPush(),
            "PSVPushService: skipped a malformed stored message (group %s, sequence "
            "number %d)",
            qUtf8Printable(m_groupId), firstSeqId);
        return;
    }
    const int count = itemCount(*stored);
    for (int i = 0; i < count; ++i) {
        const qint64 seqId = qint64(firstSeqId) + i;
        if (seqId > m_afterSeqId && seqId <= m_upToSeqId)
            *m_items.mutable_f_im_msg()->add_f_msg() = stored->f_im_msg().f_msg(i);
    }
    // A message's other parts travel once, with the range that holds its first number.
    if (firstSeqId <= m_afterSeqId || firstSeqId > m_upToSeqId)
        return;
    if (count == 0) {
        m_others.push_back(std::move(stored));
        m_otherKeys.push_back(firstSeqId);
    } else if (hasPartsBesideItems(*stored)) {
        stored->clear_f_im_msg();
        m_others.push_back(std::move(stored));
        m_otherKeys.push_back(firstSeqId);
    }
}

void PushStoreRange::takeResult(
    std::vector<std::unique_ptr<pb_clt_t_user>> *messages, std::vector<int> *onceKeys)
{
    if (itemCount(m_items) > 0) {
        messages->push_back(std::make_unique<pb_clt_t_user>(std::move(m_items)));
        onceKeys->push_back(-1);
    }
    m_items.Clear();
    for (auto &other : m_others)
        messages->push_back(std::move(other));
    onceKeys->insert(onceKeys->end(), m_otherKeys.begin(), m_otherKeys.end());
    m_others.clear();
    m_otherKeys.clear();
}
