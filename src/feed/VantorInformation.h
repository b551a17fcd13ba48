#pragma once

#include "dynfeed_export.h"

#include <QString>

class QWidget;

/// The host's interface record: what the feed hands over to the host application. The host
/// installs one instance with ProjectDynPage::InstallVantorInformation; GUI thread only.
class DYNFEED_EXPORT VantorInformation
{
public:
    virtual ~VantorInformation();

    /// Shows a person's information. Returns 1 when the host accepted; it may then put the
    /// person's new name into newName (empty on entry).
    virtual int showPersonalInfo(const QString &userId, QString &newName, QWidget *host) = 0;
    /// Shows a task; fromTask is 1 from a task item and 0 from a report item.
    virtual void showTaskInfo(const QString &taskId, int fromTask, QWidget *host) = 0;
    virtual void showProjectInfo() = 0;
    /// Shows an uploaded file by its cloud file id.
    virtual void viewFile(const QString &attachId) = 0;
};
