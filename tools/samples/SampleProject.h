#pragma once

#include <QList>
#include <QString>

#include "msl.pb.h"

/// A deterministic sample project: a high-rise job site with a dozen members, its messages in
/// the order they were sent.
namespace SampleProject {

/// The project's id and name.
QString projectId();
QString projectName();

/// Every message of the project, oldest first: the same list on every call and every machine.
QList<pb_clt_t_user> messages();

/// The project's weather reminders for several days.
QList<pb_prj_t_prj_weather> weather();

} // namespace SampleProject
