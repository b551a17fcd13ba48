#pragma once

#include <QtGlobal>

#include "msl.pb.h"

/// What the sample project's members post while the demo runs: notices of many kinds from
/// different people, photos, shared and uploaded files. Messages are numbered, and message n is
/// the same on every machine: texts, authors and kinds go round in shuffled rounds, so that
/// none comes again before the others of its round came, and no author posts twice in a row.
/// The demo numbers on from the group's newest sequence number, so that a new start goes on
/// where the last one stopped instead of repeating it. Not thread-safe.
class SampleLiveMessages
{
public:
    explicit SampleLiveMessages(quint64 firstNumber);

    /// The next message, sent at sendTime (seconds since 1970); its items carry no sequence
    /// numbers (the push service gives them).
    pb_clt_t_user next(qint64 sendTime);
    /// Message number n, sent at sendTime.
    static pb_clt_t_user message(quint64 number, qint64 sendTime);

private:
    quint64 m_next;
};
