#pragma once

#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

class DynMsgConverter;
class pb_clt_t_user;
class pb_prj_t_prj_weather;
struct SDynData;

/// What every harness shares: a quiet application and one converter per feed, set up for the
/// sample project (whose messages are the seed inputs). Single-threaded, as libFuzzer runs.
namespace FuzzSupport {

/// Creates the application, silences Qt's log (malformed input is logged on purpose) and sets
/// up the converters. Called once, from LLVMFuzzerInitialize.
void initialize(const char *program);

/// Forgets what the converters remember, so that every input starts alike and memory does
/// not grow from one input to the next.
void resetConverters();

/// Converts the message for the project's feed and for the personal feed; frees the records.
void convertMessage(const pb_clt_t_user &message);
/// Converts the weather message for both feeds; frees the records.
void convertWeather(const pb_prj_t_prj_weather &weather);

/// Stops the run (the input is kept as a finding) when a record lacks what every record has.
void checkRecords(const QList<SDynData *> &records);

} // namespace FuzzSupport
