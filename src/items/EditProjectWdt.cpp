#include "items/EditProjectWdt.h"

#include <QEvent>

#include "attach/KMButton.h"
#include "feed/VantorInformation.h"
#include "views/ProjectDynPage.h"

EditProjectWdt::EditProjectWdt(const QVariantHash &content, QWidget *parent)
    : PlainTextWdt(content, Qt::RichText, parent)
{ }

void EditProjectWdt::initContent()
{
    PlainTextWdt::initContent();
    if (m_moreBtn)
        return;
    m_moreBtn = new KMButton(this);
    connect(m_moreBtn, &KMButton::clicked, this, &EditProjectWdt::onViewProjInfo);
    m_moreBtn->setText(tr("More"));
}

void EditProjectWdt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && m_moreBtn)
        m_moreBtn->setText(tr("More"));
    PlainTextWdt::changeEvent(event);
}

void EditProjectWdt::resizeEvent(QResizeEvent *event)
{
    PlainTextWdt::resizeEvent(event);
    if (m_moreBtn)
        moveToBottomRight(m_moreBtn, 20, 20);
}

void EditProjectWdt::onViewProjInfo()
{
    if (VantorInformation *host = ProjectDynPage::infoInterface())
        host->showProjectInfo();
}
