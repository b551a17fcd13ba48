#include "DemoHost.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "samples/SampleProject.h"

DemoHost::DemoHost(QObject *parent)
    : QObject(parent)
{ }

int DemoHost::showPersonalInfo(const QString &userId, QString &newName, QWidget *host)
{
    SampleMember member;
    for (const SampleMember &candidate : SampleProject::members()) {
        if (candidate.userId() == userId)
            member = candidate;
    }

    QDialog dialog(host ? host->window() : nullptr);
    dialog.setObjectName(QStringLiteral("DemoHost_personDlg"));
    dialog.setWindowTitle(tr("Member"));
    auto *form = new QFormLayout(&dialog);
    auto *idLabel = new QLabel(userId, &dialog);
    idLabel->setTextFormat(Qt::PlainText);
    auto *jobLabel
        = new QLabel(member.jobTitle.isEmpty() ? tr("(unknown)") : member.jobTitle, &dialog);
    jobLabel->setTextFormat(Qt::PlainText);
    auto *nameEdit = new QLineEdit(member.name, &dialog);
    form->addRow(tr("User id"), idLabel);
    form->addRow(tr("Job title"), jobLabel);
    form->addRow(tr("Name"), nameEdit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    if (nameEdit->text() != member.name)
        newName = nameEdit->text();
    return 1;
}

void DemoHost::showTaskInfo(const QString &taskId, int fromTask, QWidget *host)
{
    showNote(tr("Task"),
        tr("Task %1, opened from a %2.").arg(taskId, fromTask ? tr("task") : tr("task report")),
        host);
}

void DemoHost::showProjectInfo()
{
    showNote(tr("Project"),
        tr("%1 (project %2)").arg(SampleProject::projectName(), SampleProject::projectId()),
        QApplication::activeWindow());
}

void DemoHost::viewFile(const QString &attachId)
{
    showNote(tr("File"), tr("Uploaded file %1").arg(attachId), QApplication::activeWindow());
}

void DemoHost::showNote(const QString &title, const QString &text, QWidget *parent)
{
    // Not modal: the feed goes on while the host shows its page.
    auto *box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Close,
        parent ? parent->window() : nullptr);
    box->setObjectName(QStringLiteral("DemoHost_noteBox"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
