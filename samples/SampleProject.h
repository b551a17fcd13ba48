#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include "msl.pb.h"

/// One member of the sample project, as the messages name them.
struct SampleMember
{
    quint64 uid = 0;
    QString name;
    QString jobTitle; // as the project records carry it; some lie outside the feed's job titles

    /// The id as feed records carry it: decimal text.
    QString userId() const { return QString::number(uid); }
};

/// A deterministic sample project: a high-rise job site with a dozen members, its messages in
/// the order they were sent. Nothing depends on the clock, the time zone or a process-wide seed,
/// so every call on every machine gives the same bytes. Any thread may call these.
namespace SampleProject {

/// The project's id and name.
QString projectId();
QString projectName();

/// When the sample's first message was sent: 2026-11-02 07:30 at UTC+8.
QDateTime startTime();

/// The project's members in the order they joined; every member sends messages.
QList<SampleMember> members();

/// Every message of the project, oldest first: the same list on every call and every machine.
/// Most items carry sequence numbers (for a run of the converter alone); the push service gives
/// its own when the sample is published.
QList<pb_clt_t_user> messages();

/// The project's weather reminders for several days.
QList<pb_prj_t_prj_weather> weather();

/// Messages as one stream: each a varint length followed by its serialized bytes.
QByteArray toDelimitedStream(const QList<pb_clt_t_user> &messages);
QByteArray toDelimitedStream(const QList<pb_prj_t_prj_weather> &weather);

/// Reads a stream written by toDelimitedStream. On a truncated or malformed stream returns the
/// messages read before the fault and sets *ok to false.
QList<pb_clt_t_user> messagesFromDelimitedStream(const QByteArray &stream, bool *ok = nullptr);

} // namespace SampleProject
