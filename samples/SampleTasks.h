#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "msl.pb.h"

/// The sample project's last days on the tasks: tasks of every type and operate type (some
/// described by voice note), reminders and acknowledgements, and reports in text and voice with
/// pictures and files. Deterministic; any thread.
namespace SampleTasks {

/// The messages, oldest first, all sent after the rest of the sample; without sequence numbers
/// (the push service gives them).
QList<pb_clt_t_user> messages();

/// The cloud ids of the voice notes these messages name: the file names that
/// tools/gen_voice_notes.sh writes.
QStringList voiceNoteIds();

} // namespace SampleTasks
