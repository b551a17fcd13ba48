#include "items/TaskInfoWdt.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QStringList>
#include <QVBoxLayout>

#include <memory>

#include "DynKeys.h"
#include "IPSVPrjTaskStorager.h"
#include "InformMsgBox.h"
#include "ProjectManager.h"
#include "attach/KMButton.h"
#include "feed/Logging_p.h"
#include "feed/SDynData.h"
#include "feed/VantorInformation.h"
#include "items/ItemLabel_p.h"
#include "items/TaskInfoLayout.h"
#include "items/TaskItems_p.h"
#include "items/VoiceLayout.h"
#include "views/ProjectDynPage.h"

namespace {

const char kNotifyProperty[] = "notify";
const char kTaskIdProperty[] = "taskid";
constexpr int kNotify = 1; // the button reminds the receivers
constexpr int kAcknowledge = 2; // the button acknowledges the notification

} // namespace

TaskInfoWdt::TaskInfoWdt(const QVariantHash &content, QWidget *parent)
    : AbsContentWdt(content, parent)
{
    createContentLayout();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void TaskInfoWdt::initContent()
{
    const QString highlight = m_content.value(DynKey::highlight).toString();
    const QString desc = m_content.value(DynKey::desc).toString();
    if (desc.endsWith(TaskItems::kVoiceSuffix)) {
        if (!m_voiceLayout) {
            const int playTime = m_content.value(DynKey::taskDescPlayTime, 1).toInt();
            m_voiceLayout = new VoiceLayout(desc, playTime, this);
            m_contentLayout->addLayout(m_voiceLayout);
        }
    } else if (!desc.isEmpty()) {
        if (!m_descLbl) {
            m_descLbl = new ItemLabel(QStringLiteral("TaskInfoWdt_Desc"), this);
            m_descLbl->setWordWrap(true); // descriptions run to several lines
            addContentWidget(m_descLbl);
        }
        m_descLbl->setText(desc);
    } else if (m_descLbl) {
        removeContentWidget(m_descLbl);
        delete m_descLbl;
        m_descLbl = nullptr;
    }

    setRow(m_typeRow, DynKey::type, highlight);
    setRow(m_locationRow, DynKey::location, highlight);
    setRow(m_peopleRow, DynKey::people, highlight);
    // Notices and "other" tasks have no end time worth showing.
    const QString type = m_content.value(DynKey::type).toString();
    if (type != QStringLiteral("通知项") && type != QStringLiteral("其他"))
        setRow(m_timeRow, DynKey::time, highlight);

    if (!m_attachStrip) {
        const QStringList entries = m_content.value(DynKey::attachList).toStringList();
        auto strip = std::make_unique<QHBoxLayout>();
        strip->setContentsMargins(0, 0, 0, 0);
        strip->setSpacing(20);
        for (const QString &entry : entries) {
            const QStringList parts = entry.split(QStringLiteral("-_-"));
            if (parts.size() != 2)
                continue; // not a name and an id
            TaskItems::addAttachment(strip.get(), parts.at(0), parts.at(1), this);
        }
        if (strip->count() > 0) {
            m_attachStrip = strip.release();
            m_contentLayout->addLayout(m_attachStrip);
        }
    }

    if (m_content.value(DynKey::status, -1).toInt() == TaskStatus::Completed && !m_markLbl) {
        m_markLbl = new KMLabel(QStringLiteral("TaskInfoWdt_Mark"), this);
        m_markLbl->setAlignment(Qt::AlignCenter);
        m_markLbl->resize(80, 30);
    }
    const int operateType = m_extra.value(DynKey::operateType, -1).toInt();
    if (operateType > 0 && !m_optBtn)
        createOperationButton(operateType);

    const QString taskId = m_content.value(DynKey::taskId).toString();
    if (!m_markLbl && !m_optBtn && !m_viewBtn && !taskId.isEmpty()) {
        m_viewBtn = new KMButton(this);
        m_viewBtn->setProperty(kTaskIdProperty, taskId);
        connect(m_viewBtn, &KMButton::clicked, this, &TaskInfoWdt::onViewTask);
    }
    retranslate();
}

void TaskInfoWdt::retranslate()
{
    if (m_typeRow)
        m_typeRow->setText(shownValueName(m_content.value(DynKey::type).toString()));
    if (m_markLbl)
        m_markLbl->setText(shownValueName(taskStatusName(TaskStatus::Completed)));
    if (m_optBtn) {
        const bool notify = m_optBtn->property(kNotifyProperty).toInt() == kNotify;
        m_optBtn->setText(notify ? tr("立即通知他") : tr("我知道了"));
    }
    if (m_viewBtn)
        m_viewBtn->setText(tr("View"));
}

void TaskInfoWdt::setRow(TaskInfoLayout *&row, const QString &key, const QString &highlight)
{
    const QString text = m_content.value(key).toString();
    if (text.isEmpty()) {
        delete row; // leaves the content layout; its labels go with it
        row = nullptr;
        return;
    }
    if (!row) {
        row = new TaskInfoLayout(key == highlight ? QStringLiteral("TaskInfoWdt_Highlight")
                                                  : QStringLiteral("TaskInfoWdt_Info"),
            this);
        m_contentLayout->addLayout(row);
    }
    row->setText(text);
    row->setIcon(QStringLiteral(":/icon/resources/images/task_%1.png").arg(key));
}

void TaskInfoWdt::createOperationButton(int operateType)
{
    if (operateType > OperateType::LastNotification || !m_extra.contains(DynKey::receiverUids)
        || !m_extra.contains(DynKey::msgId))
        return;
    const QStringList operators = m_extra.value(DynKey::operateUids).toStringList();
    const bool notify = operateType == OperateType::Remind || operateType == OperateType::Assign;
    m_optBtn = new KMButton(QStringLiteral("TaskInfoWdt_optBtn"), this);
    m_optBtn->setProperty(kNotifyProperty, notify ? kNotify : kAcknowledge);
    if (m_extra.contains(DynKey::operatorStatus)) {
        // Whoever has operated already has nothing left to do.
        const QString user = m_extra.value(DynKey::userId).toString();
        const bool done = operators.contains(user);
        m_optBtn->setEnabled(notify ? !user.isEmpty() && !done : !done);
    }
    connect(m_optBtn, &KMButton::clicked, this, &TaskInfoWdt::onOperatorTask);
}

void TaskInfoWdt::resizeEvent(QResizeEvent *event)
{
    AbsContentWdt::resizeEvent(event);
    moveToBottomRight(m_markLbl, 20, 20);
    moveToBottomRight(m_optBtn, 20, 20);
    moveToBottomRight(m_viewBtn, 20, 20);
}

void TaskInfoWdt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    AbsContentWdt::changeEvent(event);
}

void TaskInfoWdt::onOperatorTask()
{
    const QObject *button = sender();
    if (!button)
        return;
    const int notify = button->property(kNotifyProperty).toInt();
    const int operateType = m_extra.value(DynKey::operateType, -1).toInt();
    const QString msgId = m_extra.value(DynKey::msgId).toString();
    const QStringList receivers = m_extra.value(DynKey::receiverUids).toStringList();
    if (operateType < OperateType::Remind || receivers.isEmpty() || msgId.isEmpty())
        return;
    const QString taskId = m_content.value(DynKey::taskId).toString();

    // Looked up anew for every click: the host may replace its store.
    auto *store
        = dynamic_cast<IPSVPrjTaskStorager *>(&ProjectManager::getStorager(StoragerType_PrjTask));
    bool done = store != nullptr;
    if (!store)
        qCWarning(lcUi) << "the host has no task store: cannot operate on task" << taskId;
    for (int i = 0; done && i < receivers.size(); ++i) {
        done = notify == kNotify
            ? store->notifyTaskReceiver(taskId, operateType, receivers.at(i), msgId)
            : store->confirmTaskNotify(taskId, operateType, msgId);
    }
    if (done)
        disableOperationButton();
    else
        InformMsgBox::prompt(tr("通知用户失败"), this);
}

bool TaskInfoWdt::onSynTaskNotify(const QVariantHash &note)
{
    if (!m_optBtn
        || note.value(DynKey::taskId).toString() != m_extra.value(DynKey::taskId).toString())
        return false;
    const int mine = m_extra.value(DynKey::operateType, -1).toInt();
    const int theirs = note.value(DynKey::operateType, -1).toInt();
    const bool follows = (theirs == OperateType::RemindAcknowledged && mine == OperateType::Remind)
        || (theirs == OperateType::AssignAcknowledged && mine == OperateType::Assign);
    const int notify = m_optBtn->property(kNotifyProperty).toInt();
    if ((notify == kNotify && follows) || notify == kAcknowledge) {
        disableOperationButton();
        return true;
    }
    return false;
}

void TaskInfoWdt::disableOperationButton()
{
    // For good: nothing in this item enables it again. It stays in view, no longer reacting.
    m_optBtn->setAttribute(Qt::WA_Disabled);
    m_optBtn->update();
}

void TaskInfoWdt::onViewTask()
{
    const QObject *button = sender();
    const QString taskId = button ? button->property(kTaskIdProperty).toString() : QString();
    if (taskId.isEmpty())
        return;
    if (VantorInformation *host = ProjectDynPage::infoInterface())
        host->showTaskInfo(taskId, 1, hostWidget());
}

void TaskInfoWdt::onViewPicture(const QVariant &pathVar)
{
    TaskItems::viewPicture(pathVar.toString(), hostWidget());
}
