#pragma once

#include <QString>

/// The demo's services on disk: the push service's message store, filled once with the sample
/// project, and the cloud-file store with an avatar for every member and a file for every
/// attachment of the sample.
namespace DemoStore {

/// Prepares both stores under dataDir; returns false (and says why in *error) when the sample
/// cannot be published.
bool prepare(const QString &dataDir, QString *error);

} // namespace DemoStore
