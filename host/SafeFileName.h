#pragma once

#include "dynfeed_host_export.h"

#include <QString>

/// False for a name that could leave the directory it is joined to: it contains '/', '\\' or
/// NUL, or is empty, "." or "..". Any thread.
DYNFEED_HOST_EXPORT bool isSafeFileName(const QString &name);

/// The file name under which a name taken from a message (attachment name, file id, user id) is
/// stored in a cache directory. A safe name comes back unchanged; any other becomes the hex
/// SHA-1 of its UTF-8 bytes, followed by "." and its suffix when that suffix is itself safe.
/// Any thread.
DYNFEED_HOST_EXPORT QString safeFileName(const QString &name);
