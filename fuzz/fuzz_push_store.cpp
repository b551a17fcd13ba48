// What the push service decodes from its store: stored rows merged for a range of sequence
// numbers, as a fetch or a new subscription reads them, then converted for both feeds.
//
// An input is the range's bounds, then rows (gen_sample --corpus writes seeds): each its first
// sequence number, its payload's length and the payload. Numbers are zigzag varints, lengths
// plain varints; a truncated last row keeps what is there.
//
//   fuzz_push_store <corpus directory> -max_total_time=60

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "PushStoreRange_p.h"
#include "msl.pb.h"

namespace {

class Reader
{
public:
    Reader(const uint8_t *data, size_t size)
        : m_pos(data)
        , m_end(data + size)
    { }

    bool atEnd() const { return m_pos == m_end; }
    size_t left() const { return size_t(m_end - m_pos); }

    bool varint(uint64_t *value)
    {
        *value = 0;
        for (int shift = 0; shift < 64 && m_pos != m_end; shift += 7) {
            const uint8_t byte = *m_pos++;
            *value |= uint64_t(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }

    bool zigZag(int32_t *value)
    {
        uint64_t raw = 0;
        if (!varint(&raw))
            return false;
        const auto bits = uint32_t(raw);
        *value = int32_t((bits >> 1) ^ (0u - (bits & 1)));
        return true;
    }

    const char *take(size_t size)
    {
        const auto *bytes = reinterpret_cast<const char *>(m_pos);
        m_pos += size;
        return bytes;
    }

private:
    const uint8_t *m_pos;
    const uint8_t *const m_end;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv)
{
    FuzzSupport::initialize((*argv)[0]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Reader in(data, size);
    int32_t afterSeqId = 0;
    int32_t upToSeqId = 0;
    if (!in.zigZag(&afterSeqId) || !in.zigZag(&upToSeqId))
        return 0;

    PushStoreRange range(QStringLiteral("fuzz"), afterSeqId, upToSeqId);
    while (!in.atEnd()) {
        int32_t firstSeqId = 0;
        uint64_t length = 0;
        if (!in.zigZag(&firstSeqId) || !in.varint(&length))
            break;
        const size_t payloadSize = length < in.left() ? size_t(length) : in.left();
        range.take(firstSeqId, in.take(payloadSize), int(payloadSize));
    }

    std::vector<std::unique_ptr<pb_clt_t_user>> messages;
    std::vector<int> onceKeys;
    range.takeResult(&messages, &onceKeys);
    // Every message goes out with its key: the merged items (first, key -1) and the parts of
    // the messages that begin inside the range, keyed by their first number.
    if (messages.size() != onceKeys.size())
        abort();
    for (size_t i = 0; i < messages.size(); ++i) {
        const bool merged = i == 0 && onceKeys[i] == -1;
        if (!messages[i] || (!merged && (onceKeys[i] <= afterSeqId || onceKeys[i] > upToSeqId)))
            abort();
    }

    FuzzSupport::resetConverters();
    for (const auto &message : messages)
        FuzzSupport::convertMessage(*message);
    return 0;
}
