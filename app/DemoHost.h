#pragma once

#include <QObject>

#include "feed/VantorInformation.h"

/// The demo's host record: each hand-over opens a small window, as a real host would show its
/// person, task, project or file page. GUI thread only.
class DemoHost : public QObject, public VantorInformation
{
    Q_OBJECT
public:
    explicit DemoHost(QObject *parent = nullptr);

    int showPersonalInfo(const QString &userId, QString &newName, QWidget *host) override;
    void showTaskInfo(const QString &taskId, int fromTask, QWidget *host) override;
    void showProjectInfo() override;
    void viewFile(const QString &attachId) override;

private:
    void showNote(const QString &title, const QString &text, QWidget *parent);
};
