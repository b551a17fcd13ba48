#pragma once

#include "dynfeed_export.h"

#include <QString>

/// The file name under which a name taken from a message (attachment name, file id, user id) is
/// stored in a cache directory. An ordinary name comes back unchanged; one that could leave the
/// directory (it contains '/', '\\' or NUL, or is empty, "." or "..") becomes the hex SHA-1 of
/// its UTF-8 bytes, followed by "." and its suffix when that suffix is itself safe. Any thread.
DYNFEED_EXPORT QString safeFileName(const QString &name);
