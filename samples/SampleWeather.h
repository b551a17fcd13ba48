#pragma once

#include <QDate>
#include <QList>

#include "msl.pb.h"

/// Weather for the sample project as the weather service pushes it into the project's group:
/// one message per forecast, each day with its weather text and type and, on most days, one or
/// two reminders for the site. Nothing depends on the clock: the same days give the same
/// forecast on every machine. Any thread may call these.
namespace SampleWeather {

/// A forecast for days days from firstDay on, weather of the season.
pb_clt_t_user forecast(const QDate &firstDay, int days);

/// The sample story's own forecasts (SampleProject::weather()), as messages of the group.
QList<pb_clt_t_user> storyForecasts();

} // namespace SampleWeather
