#pragma once

#include "dynfeed_host_export.h"

#include <QString>

class IVestigialStorager;

/// The host's project stores, by type.
enum StoragerType {
    StoragerType_Project = 1,
    StoragerType_Member = 2,
    StoragerType_PrjTask = 3, // an IPSVPrjTaskStorager
};

/// The host's project manager: who is signed in, and the project stores. GUI thread only.
class DYNFEED_HOST_EXPORT ProjectManager
{
public:
    /// The store of that type: the one installed for it, else the built-in one. Only
    /// StoragerType_PrjTask has a built-in store of its own (PrjTaskStorager); the other types
    /// give a bare store that offers nothing.
    static IVestigialStorager &getStorager(StoragerType type);
    /// Puts storager (not owned) in place of the built-in store of that type; null puts the
    /// built-in one back.
    static void installStorager(StoragerType type, IVestigialStorager *storager);

    /// The signed-in user, in whose name the stores send what they send.
    static void setCurrentUser(const QString &userId, const QString &userName);
    static QString currentUserId();
    static QString currentUserName();
};
