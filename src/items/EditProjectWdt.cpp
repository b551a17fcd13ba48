#include "items/EditProjectWdt.h"

#include <QPushButton>

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
    m_moreBtn = new QPushButton(this);
    m_moreBtn->setObjectName(QStringLiteral("KMButton"));
    m_moreBtn->setFlat(true);
    m_moreBtn->setAutoFillBackground(true);
    m_moreBtn->setText(tr("More"));
    connect(m_moreBtn, &QPushButton::clicked, this, &EditProjectWdt::onViewProjInfo);
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
