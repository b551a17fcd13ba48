#include "views/ProjectDynPage.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "views/PageNavigateWdt.h"
#include "views/PageViewScrollArea.h"

VantorInformation *ProjectDynPage::m_infoInterface = nullptr;

ProjectDynPage::ProjectDynPage(bool, QWidget *parent)
    : VTFrame(QStringLiteral("no_border"), parent)
    , m_layout(new QVBoxLayout(this))
    , m_scrollArea(new PageViewScrollArea(this))
    , m_navigator(new PageNavigateWdt(this))
{
    connect(m_scrollArea, &PageViewScrollArea::newMsgNum, this, &ProjectDynPage::newMsgNum);
    connect(m_scrollArea, &PageViewScrollArea::groupMsgNum, this, &ProjectDynPage::onGroupMsgNum);
    connect(m_navigator, &PageNavigateWdt::pageChanged, this, &ProjectDynPage::onGotoPage);
    m_layout->setSpacing(0);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->addWidget(m_scrollArea);
    m_layout->addWidget(m_navigator);
}

ProjectDynPage::~ProjectDynPage()
{
    // The scroll area first: its controller stops the push service's deliveries.
    delete m_scrollArea;
    m_scrollArea = nullptr;
    delete m_navigator;
    m_navigator = nullptr;
}

void ProjectDynPage::setProjUserId(const QString &prjId, const QString &userId)
{
    // The controller's announcements are queued: the new project's first records are shown
    // after this returns, on the page number the list was showing.
    if (m_scrollArea->setProjUserId(prjId, userId))
        m_navigator->reset();
}

QString ProjectDynPage::getProjId() const
{
    return m_scrollArea->getProjId();
}

QString ProjectDynPage::getUserId() const
{
    return m_scrollArea->getUserId();
}

bool ProjectDynPage::isEmpty() const
{
    return m_scrollArea->isEmpty();
}

void ProjectDynPage::fetchMoreDynData(bool bLargeBatch, bool bBackward)
{
    m_scrollArea->fetchMoreDynData(bLargeBatch, bBackward);
}

void ProjectDynPage::goTop()
{
    if (m_scrollArea->getNewMsgNum() > 0)
        m_navigator->setCurrentPage(1);
}

DynDataController *ProjectDynPage::dynDataCtrler()
{
    return m_scrollArea->dynDataCtrler();
}

void ProjectDynPage::InstallVantorInformation(VantorInformation *info)
{
    m_infoInterface = info;
}

VantorInformation *ProjectDynPage::infoInterface()
{
    return m_infoInterface;
}

void ProjectDynPage::onGotoPage(int pageIdx)
{
    m_scrollArea->showPage(pageIdx);
}

void ProjectDynPage::onGroupMsgNum(int msgNum)
{
    m_navigator->setMsgNum(msgNum);
}

void ProjectDynPage::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Home)
        goTop();
    else
        VTFrame::keyPressEvent(event);
}
