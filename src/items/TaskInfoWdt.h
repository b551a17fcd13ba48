#pragma once

#include "items/AbsContentWdt.h"

class KMButton;
class KMLabel;
class QHBoxLayout;
class TaskInfoLayout;
class VoiceLayout;

/// Content of a task record: the description as text or voice note, the type, location, people
/// and time rows (one highlighted), the attachment strip, and in the lower right corner the
/// completion mark, the button that reminds the receivers or acknowledges a notification through
/// the project store, or the "View" button to the host's task page. The only content that
/// answers task notifications. GUI thread only.
///
/// Pictures are kept in and shown from the feed's temporary directory; before any feed has
/// set it, its usual place is used rather than an empty folder name, which would put the
/// files at the root of the file system.
class TaskInfoWdt : public AbsContentWdt
{
    Q_OBJECT
public:
    TaskInfoWdt(const QVariantHash &content, QWidget *parent);

    void initContent() override;
    /// Disables the operation button when note answers this item's notification (or, for an
    /// acknowledge button, concerns its task at all); true when it did.
    bool onSynTaskNotify(const QVariantHash &note) override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    /// Reminds every receiver, or acknowledges once per receiver, through the project store;
    /// stops at the first failure and says so.
    void onOperatorTask();
    void onViewTask();
    void onViewPicture(const QVariant &pathVar);

private:
    void setRow(TaskInfoLayout *&row, const QString &key, const QString &highlight);
    void createOperationButton(int operateType);
    void disableOperationButton();
    void retranslate();

    KMLabel *m_descLbl = nullptr; // children and layouts below belong to this widget
    VoiceLayout *m_voiceLayout = nullptr;
    TaskInfoLayout *m_typeRow = nullptr;
    TaskInfoLayout *m_locationRow = nullptr;
    TaskInfoLayout *m_peopleRow = nullptr;
    TaskInfoLayout *m_timeRow = nullptr;
    QHBoxLayout *m_attachStrip = nullptr;
    KMLabel *m_markLbl = nullptr; // free children in the lower right corner
    KMButton *m_optBtn = nullptr;
    KMButton *m_viewBtn = nullptr;
};
