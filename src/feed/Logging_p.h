#pragma once

#include <QLoggingCategory>

// The library's log categories; a host silences or raises each with QLoggingCategory's rules
// (QT_LOGGING_RULES="dynfeed.ui.debug=false").
Q_DECLARE_LOGGING_CATEGORY(lcFeed) // "dynfeed.feed": records, conversion, the controller
Q_DECLARE_LOGGING_CATEGORY(lcFiles) // "dynfeed.files": avatars, thumbnails, file tiles
Q_DECLARE_LOGGING_CATEGORY(lcUi) // "dynfeed.ui": the views and the items
