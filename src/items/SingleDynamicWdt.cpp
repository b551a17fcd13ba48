#include "items/SingleDynamicWdt.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QSpacerItem>
#include <QVBoxLayout>

#include "feed/SDynData.h"
#include "items/AbsContentWdt.h"
#include "items/ContentWdtFactory.h"
#include "items/SummaryInfoWdt.h"

SingleDynamicWdt::SingleDynamicWdt(QWidget *parent)
    : QFrame(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    // The feed's keys walk from item to item; a click puts the walk on the clicked item.
    setFocusPolicy(Qt::StrongFocus);
}

void SingleDynamicWdt::setDynData(const SDynData *record)
{
    if (!record)
        return;
    if (!m_header) {
        m_header = new SummaryInfoWdt(this);
        connect(
            m_header, &SummaryInfoWdt::userInfoChanged, this, &SingleDynamicWdt::userInfoChanged);
        connect(m_header, &SummaryInfoWdt::userHeaderDownloaded, this,
            &SingleDynamicWdt::userHeaderDownloaded);
        m_header->setHostWidget(m_hostWidget);
    }
    m_userId = record->userId;
    m_userName = record->userName;

    m_header->setUserInfo(record->userHeader, record->userId, record->userName, record->userJob);
    m_header->setSummary(record->text);
    m_header->setTime(record->dateTime);
    m_header->layoutUI();

    setContentWdt(createContentWdt(record));
    layoutItem();
    adjustSize();
    updateAccessibleText(record->text);
}

void SingleDynamicWdt::setHostWidget(QWidget *hostWidget)
{
    m_hostWidget = hostWidget;
    if (m_header)
        m_header->setHostWidget(hostWidget);
}

QWidget *SingleDynamicWdt::hostWidget() const
{
    return m_hostWidget;
}

QDateTime SingleDynamicWdt::dateTime() const
{
    return m_header ? m_header->dateTime() : QDateTime();
}

void SingleDynamicWdt::updateTime()
{
    if (m_header) {
        m_header->updateTime();
        updateAccessibleText(m_summary);
    }
}

bool SingleDynamicWdt::event(QEvent *event)
{
    // A spare item, parked by its page without a parent, is a hidden window of its own and would
    // hear every language change: it catches up when it is taken back into a page instead.
    if (event->type() == QEvent::LanguageChange && !parentWidget()) {
        m_languageChanged = true;
        return true;
    }
    const bool done = QFrame::event(event);
    if (event->type() == QEvent::ParentChange && parentWidget() && m_languageChanged) {
        m_languageChanged = false;
        QEvent languageChange(QEvent::LanguageChange);
        QCoreApplication::sendEvent(this, &languageChange);
    }
    return done;
}

void SingleDynamicWdt::changeEvent(QEvent *event)
{
    // The children hear of the change after this item: the header's time is retranslated here
    // first, so that the screen reader's description says it in the new language too.
    if (event->type() == QEvent::LanguageChange && m_header) {
        m_header->updateTime();
        updateAccessibleText(m_summary);
    }
    QFrame::changeEvent(event);
}

void SingleDynamicWdt::setCurrentUserId(const QString &userId)
{
    SummaryInfoWdt::setCurrentUserId(userId);
}

void SingleDynamicWdt::onUserInfoChanged(const QString &uid, const QString &)
{
    if (m_header && uid == m_userId)
        m_header->resetUserHeader(uid);
}

bool SingleDynamicWdt::onSynTaskNotify(const QVariantHash &attachMap)
{
    return m_content ? m_content->onSynTaskNotify(attachMap) : false;
}

void SingleDynamicWdt::onUserHeaderDownloaded(const QString &userId, const QString &headerPath)
{
    if (m_header)
        m_header->onHeaderDownloaded(userId, headerPath);
}

void SingleDynamicWdt::setContentWdt(AbsContentWdt *content)
{
    if (m_content) {
        // Deleted, not hidden: a reused item keeps nothing of its previous record.
        delete m_content; // leaves the content row on its own
        m_content = nullptr;
    }
    if (!content)
        return;
    m_content = content;
    m_content->setParent(this);
    m_content->setHostWidget(m_hostWidget);
}

void SingleDynamicWdt::layoutItem()
{
    if (!m_header && !m_content)
        return;
    if (!m_mainLayout) {
        m_mainLayout = new QVBoxLayout;
        m_mainLayout->setContentsMargins(30, 20, 30, 20);
        m_mainLayout->setSpacing(10);
        setLayout(m_mainLayout);
    }
    if (m_header && m_mainLayout->indexOf(m_header) < 0)
        m_mainLayout->addWidget(m_header);

    if (!m_content) {
        if (m_contentRow) {
            delete m_contentRow; // takes the spacer along and leaves the main layout
            m_contentRow = nullptr;
            m_indentSpacer = nullptr;
        }
        return;
    }
    if (!m_contentRow) {
        // Indent by the avatar and the header's spacing: content starts under the header text.
        const int edge = m_header ? m_header->summaryHeight() : 70;
        m_indentSpacer
            = new QSpacerItem(edge + 20, edge, QSizePolicy::Fixed, QSizePolicy::Expanding);
        m_contentRow = new QHBoxLayout;
        m_contentRow->setContentsMargins(0, 0, 0, 0);
        m_contentRow->setSpacing(0);
        m_contentRow->addItem(m_indentSpacer);
        m_mainLayout->addLayout(m_contentRow);
    }
    m_contentRow->addWidget(m_content);
}

void SingleDynamicWdt::updateAccessibleText(const QString &summary)
{
    // Who and what name the item; when is said after them, as the header shows it.
    m_summary = summary;
    setAccessibleName(summary.isEmpty() ? m_userName : tr("%1: %2").arg(m_userName, summary));
    setAccessibleDescription(m_header->shownTime());
}
