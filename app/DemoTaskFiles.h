#pragma once

#include <QList>
#include <QString>

#include "msl.pb.h"

/// The files the sample's tasks and reports name, put into the cloud-file store for the demo:
/// a report's files under the name the feed asks for them by, and every voice note of the
/// sample as one of the spoken notes of app/voice (the sample's older notes borrow them).
namespace DemoTaskFiles {

void store(const QList<pb_clt_t_user> &messages);

/// Publishes the sample's task messages into the project when the push store, filled by an
/// older demo, lacks them; false (and why in *error) when they cannot be published.
bool publishIfMissing(const QString &prjId, QString *error);

} // namespace DemoTaskFiles
