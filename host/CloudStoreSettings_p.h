#pragma once

#include <QString>
#include <QtGlobal>

/// The local store's settings as a transfer takes them when it starts (CloudFileStore sets them).
struct CloudStoreSettings
{
    static constexpr int DefaultChunkSize = 64 * 1024;

    QString root; // empty only while unset: currentCloudStoreSettings() fills in the default
    int chunkSize = DefaultChunkSize;
    int chunkDelay = 0;
    qint64 failAfter = -1;
};

/// A copy of the settings in force, with the root path filled in. Any thread.
CloudStoreSettings currentCloudStoreSettings();
