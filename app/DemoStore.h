#pragma once

#include <QString>

class QDate;

/// The demo's services on disk: the push service's message store, filled once with the sample
/// project and its weather and each day with the day's forecast, and the cloud-file store with
/// an avatar for every member and a file for every attachment of the sample.
namespace DemoStore {

/// Prepares both stores under dataDir; returns false (and says why in *error) when the sample
/// cannot be published.
bool prepare(const QString &dataDir, QString *error);

/// Publishes the weather for today and the three days after, unless today's forecast was
/// published before.
void publishForecast(const QString &dataDir, const QDate &today);

} // namespace DemoStore
