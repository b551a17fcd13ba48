#include "items/EditProjectWdt.h"

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
    m_moreBtn->setText(tr("More"));
    connect(m_moreBtn, &KMButton::clicked, this, &EditProjectWdt::onViewProjInfo);
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
