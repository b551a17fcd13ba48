#include "items/TaskReportWdt.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "DynKeys.h"
#include "attach/KMButton.h"
#include "feed/VantorInformation.h"
#include "items/ItemLabel_p.h"
#include "items/TaskItems_p.h"
#include "items/VoiceLayout.h"
#include "views/ProjectDynPage.h"

TaskReportWdt::TaskReportWdt(const QVariantHash &content, QWidget *parent)
    : AbsContentWdt(content, parent)
{
    createContentLayout();
}

void TaskReportWdt::initContent()
{
    if (m_reportLayout)
        return; // built once
    const QString report = m_content.value(DynKey::content).toString();
    const QString taskDesc = m_content.value(DynKey::taskDesc).toString();
    const QStringList attachments = m_content.value(DynKey::attachList).toStringList();

    if (report.endsWith(TaskItems::kVoiceSuffix)) {
        m_reportVoiceLayout
            = new VoiceLayout(report, m_content.value(DynKey::reportPlayTime, 1).toInt(), this);
    } else if (!report.isEmpty()) {
        m_reportTextLbl = new ItemLabel(QStringLiteral("TaskReportWdt_Text"), this);
        m_reportTextLbl->setWordWrap(true);
        m_reportTextLbl->setText(report);
    }

    m_contentLayout->setContentsMargins(0, 0, 0, 0);
    m_contentLayout->setSpacing(0);
    m_reportLayout = new QVBoxLayout;
    m_reportLayout->setContentsMargins(30, 20, 20, 20);
    m_reportLayout->setSpacing(20);
    if (m_reportTextLbl)
        m_reportLayout->addWidget(m_reportTextLbl);
    if (m_reportVoiceLayout)
        m_reportLayout->addLayout(m_reportVoiceLayout);

    if (!attachments.isEmpty()) {
        m_attachStrip = new QHBoxLayout;
        m_attachStrip->setContentsMargins(0, 0, 0, 0);
        m_attachStrip->setSpacing(20);
        // Taken whole: a report names its files by name or by URL, never as name and id.
        for (const QString &entry : attachments)
            TaskItems::addAttachment(m_attachStrip, entry, entry, this);
        m_attachStrip->addStretch(0);
        m_reportLayout->addLayout(m_attachStrip);
    }

    if (!taskDesc.isEmpty()) {
        m_spacerLbl = new KMLabel(QStringLiteral("TaskReportWdt_Spacer"), this);
        m_spacerLbl->setFixedHeight(10);
        if (taskDesc.endsWith(TaskItems::kVoiceSuffix)) {
            m_taskVoiceLayout = new VoiceLayout(
                taskDesc, m_content.value(DynKey::taskDescPlayTime, 1).toInt(), this);
            m_taskVoiceLayout->prependText(tr("Come from task "));
            m_taskVoiceLayout->setContentsMargins(20, 20, 20, 20);
        } else {
            m_taskDescLbl = new ItemLabel(QStringLiteral("TaskReportWdt_TaskDescLbl"), this);
            m_taskDescLbl->setWordWrap(true); // descriptions run to several lines
            m_taskDescLbl->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            m_taskDescLbl->setMargin(20);
        }
    }

    m_contentLayout->addLayout(m_reportLayout);
    if (m_taskDescLbl || m_taskVoiceLayout) {
        m_contentLayout->addWidget(m_spacerLbl);
        if (m_taskDescLbl)
            m_contentLayout->addWidget(m_taskDescLbl);
        if (m_taskVoiceLayout)
            m_contentLayout->addLayout(m_taskVoiceLayout);
    }

    if (!m_content.value(DynKey::taskId).toString().isEmpty()) {
        m_viewBtn = new KMButton(this);
        connect(m_viewBtn, &KMButton::clicked, this, &TaskReportWdt::onViewInfo);
    }
    retranslate();
    if (m_reportTextLbl)
        m_reportTextLbl->adjustSize();
}

void TaskReportWdt::retranslate()
{
    // A voice note's text label keeps the language it was built in.
    if (m_taskDescLbl)
        m_taskDescLbl->setText(
            tr("Come from task ") + m_content.value(DynKey::taskDesc).toString());
    if (m_viewBtn)
        m_viewBtn->setText(tr("View"));
}

void TaskReportWdt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    AbsContentWdt::changeEvent(event);
}

void TaskReportWdt::resizeEvent(QResizeEvent *event)
{
    AbsContentWdt::resizeEvent(event);
    moveToBottomRight(m_viewBtn, 20, 15);
}

void TaskReportWdt::onViewInfo()
{
    const QString taskId = m_content.value(DynKey::taskId).toString();
    if (taskId.isEmpty())
        return;
    if (VantorInformation *host = ProjectDynPage::infoInterface())
        host->showTaskInfo(taskId, 0, hostWidget());
}

void TaskReportWdt::onViewPicture(const QVariant &pathVar)
{
    TaskItems::viewPicture(pathVar.toString(), hostWidget());
}
