// Arbitrary bytes as a push message, converted for the project's feed and for the personal
// feed, and as a weather message, converted for both.
//
//   fuzz_convert <corpus directory> -max_total_time=60

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "msl.pb.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***argv)
{
    FuzzSupport::initialize((*argv)[0]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSupport::resetConverters();
    pb_clt_t_user message;
    if (message.ParseFromArray(data, int(size)))
        FuzzSupport::convertMessage(message);
    pb_prj_t_prj_weather weather;
    if (weather.ParseFromArray(data, int(size)))
        FuzzSupport::convertWeather(weather);
    return 0;
}
