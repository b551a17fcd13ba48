#pragma once

/// Base of the host's project stores. ProjectManager::getStorager hands one out by type; the
/// caller converts it to the store interface it needs.
class IVestigialStorager
{
public:
    virtual ~IVestigialStorager() = default;
};
