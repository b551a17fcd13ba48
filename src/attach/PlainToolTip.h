#pragma once

#include "dynfeed_export.h"

#include <QString>

/// A tool tip that shows text exactly as written: text that Qt would take for markup is escaped
/// and marked as rich text, anything else is returned unchanged. Any thread.
DYNFEED_EXPORT QString plainToolTip(const QString &text);
