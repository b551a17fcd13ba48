#pragma once

#include <memory>
#include <utility>

#include "CloudFileService.h"
#include "CloudTransferJob_p.h"

/// The GUI-thread face of a local-store transfer: the handle given to the caller.
class CloudFileTransfer final : public ICloudFileTransfer
{
public:
    explicit CloudFileTransfer(FileTransferSink *sink)
        : m_sink(sink)
    { }

    void setJob(std::shared_ptr<CloudTransferJob> job) { m_job = std::move(job); }

    qint64 transferred() const override { return m_job->done(); }

    void cancel() override
    {
        m_sink = nullptr;
        m_job->cancel();
    }

    FileTransferSink *sink() const { return m_sink; }
    /// The sink for the one onFinished; no callback reaches it afterwards.
    FileTransferSink *takeSink() { return std::exchange(m_sink, nullptr); }

private:
    std::shared_ptr<CloudTransferJob> m_job;
    FileTransferSink *m_sink = nullptr; // null once ended, cancelled or released
};
