#pragma once

#include "dynfeed_host_export.h"

#include <QHash>
#include <QString>

#include <memory>

class QSettings;

/// One user's settings, kept with QSettings under the application's organisation and name.
class DYNFEED_HOST_EXPORT UserSettings
{
public:
    explicit UserSettings(const QString &userId);
    ~UserSettings();

    UserSettings(const UserSettings &) = delete;
    UserSettings &operator=(const UserSettings &) = delete;

    /// Per project id, the newest message sequence number stored.
    QHash<QString, int> loadPrjDynSeqId() const;
    /// Replaces the stored table with this one and writes it out.
    void savePrjDynSeqId(const QHash<QString, int> &seqIds);

    /// The file that holds every user's settings (an INI file in the application's
    /// configuration directory).
    static QString filePath();

private:
    std::unique_ptr<QSettings> m_settings;
    QString m_userId;
};
