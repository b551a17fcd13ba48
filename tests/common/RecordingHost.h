#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

#include "feed/VantorInformation.h"

/// A host interface record that records what the feed hands over. Installs itself with
/// ProjectDynPage::InstallVantorInformation on construction and uninstalls itself on
/// destruction. GUI thread only.
class RecordingHost : public VantorInformation
{
public:
    RecordingHost();
    ~RecordingHost() override;

    int showPersonalInfo(const QString &userId, QString &newName, QWidget *host) override;
    void showTaskInfo(const QString &taskId, int fromTask, QWidget *host) override;
    void showProjectInfo() override;
    void viewFile(const QString &attachId) override;

    // What showPersonalInfo answers, and what it runs while "the view is open".
    int personalInfoResult = 0;
    QString newName;
    std::function<void()> whilePersonalInfoOpen;

    QStringList personalInfoUsers;
    QList<QPointer<QWidget>> personalInfoHosts;
    QStringList tasksShown;
    int projectInfoCalls = 0;
    QStringList filesViewed;
};
