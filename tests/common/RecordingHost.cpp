#include "common/RecordingHost.h"

#include "views/ProjectDynPage.h"

RecordingHost::RecordingHost()
{
    ProjectDynPage::InstallVantorInformation(this);
}

RecordingHost::~RecordingHost()
{
    if (ProjectDynPage::infoInterface() == this)
        ProjectDynPage::InstallVantorInformation(nullptr);
}

int RecordingHost::showPersonalInfo(const QString &userId, QString &name, QWidget *host)
{
    personalInfoUsers << userId;
    personalInfoHosts << host;
    if (whilePersonalInfoOpen)
        whilePersonalInfoOpen();
    name = newName;
    return personalInfoResult;
}

void RecordingHost::showTaskInfo(const QString &taskId, int fromTask, QWidget *)
{
    tasksShown << QStringLiteral("%1:%2").arg(taskId).arg(fromTask);
}

void RecordingHost::showProjectInfo()
{
    ++projectInfoCalls;
}

void RecordingHost::viewFile(const QString &attachId)
{
    filesViewed << attachId;
}
