#pragma once

#include "items/AbsContentWdt.h"

class KMButton;
class KMLabel;
class QHBoxLayout;
class VoiceLayout;

/// Content of a task report: the report's text or voice note and its attachments, then the
/// description of the task it reports on ("Come from task ..."), and a "View" button to the
/// host's task page. GUI thread only.
///
/// Pictures are kept in and shown from the feed's temporary directory; before any feed has
/// set it, its usual place is used rather than an empty folder name, which would put the
/// files at the root of the file system.
class TaskReportWdt : public AbsContentWdt
{
    Q_OBJECT
public:
    TaskReportWdt(const QVariantHash &content, QWidget *parent);

    void initContent() override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void onViewPicture(const QVariant &pathVar);
    void onViewInfo();

private:
    void retranslate();

    QVBoxLayout *m_reportLayout = nullptr; // children and layouts below belong to this widget
    QHBoxLayout *m_attachStrip = nullptr;
    KMLabel *m_taskDescLbl = nullptr;
    VoiceLayout *m_taskVoiceLayout = nullptr;
    KMLabel *m_spacerLbl = nullptr;
    KMLabel *m_reportTextLbl = nullptr;
    VoiceLayout *m_reportVoiceLayout = nullptr;
    KMButton *m_viewBtn = nullptr; // a free child in the lower right corner
};
