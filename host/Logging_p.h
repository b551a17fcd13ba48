#pragma once

#include <QLoggingCategory>

// The host components' logging categories: failures at warning level, chatter at debug level.
// Inline functions rather than Q_LOGGING_CATEGORY, so that this one header is all there is.

/// The push service: the store, the push server and the delivery of callbacks.
inline const QLoggingCategory &lcPush()
{
    static const QLoggingCategory category("dynfeed.push");
    return category;
}

/// The cloud files: the local store, the file server and the user settings on disk.
inline const QLoggingCategory &lcFiles()
{
    static const QLoggingCategory category("dynfeed.files");
    return category;
}

/// The small UI utility components (labels, message boxes, the voice player).
inline const QLoggingCategory &lcUi()
{
    static const QLoggingCategory category("dynfeed.ui");
    return category;
}
