#pragma once

#include "dynfeed_export.h"

class VantorInformation;

/// The paged project feed. Its static part holds the host's interface record, which every
/// widget of the feed fetches at the moment of use. GUI thread only.
class DYNFEED_EXPORT ProjectDynPage
{
public:
    /// Installs the host's record; it is never owned nor deleted by the library.
    static void InstallVantorInformation(VantorInformation *info);
    /// The installed record, or null when none is installed.
    static VantorInformation *infoInterface();

private:
    static VantorInformation *m_infoInterface;
};
