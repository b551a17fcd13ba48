#pragma once

#include "dynfeed_host_export.h"

/// Base of the host's project stores. ProjectManager::getStorager hands one out by type; the
/// caller converts it to the store interface it needs.
class DYNFEED_HOST_EXPORT IVestigialStorager
{
public:
    virtual ~IVestigialStorager() = default;
};
