#include "feed/VantorInformation.h"

VantorInformation::~VantorInformation() = default;
