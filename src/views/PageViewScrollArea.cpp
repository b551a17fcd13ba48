#include "views/PageViewScrollArea.h"

#include <QKeyEvent>
#include <QScrollBar>

#include "feed/DynDataController.h"
#include "views/DynamicPage.h"

PageViewScrollArea::PageViewScrollArea(QWidget *parent)
    : DynScrollArea(true, parent)
{
    // The controller emits on the push service's thread.
    connect(dynDataCtrler(), &DynDataController::groupMsgNum, this,
        &PageViewScrollArea::groupMsgNum, Qt::QueuedConnection);
}

void PageViewScrollArea::showPage(int page)
{
    m_currentPage = page;
    DynamicPage *items = dynamicPage();
    items->onResetDynData();
    if (page == 1) {
        setNewMsgCount(0);
        emit newMsgNum(0);
    }
    const QList<SDynData *> records = dynDataCtrler()->fetchDynData(page, m_pageSize);
    if (records.isEmpty())
        return;
    items->addDynInfo(records, true);
    vScrollBar()->setValue(0);
}

void PageViewScrollArea::goTop()
{
    if (getNewMsgNum() > 0)
        showPage(1);
}

void PageViewScrollArea::onScrollBarValueChanged(int val)
{
    if (m_currentPage == 1 && val == vScrollBar()->minimum())
        showPage(1);
}

void PageViewScrollArea::onNewMessageReceived(bool)
{
    showPage(m_currentPage);
}

void PageViewScrollArea::wheelEvent(QWheelEvent *event)
{
    // Pages are turned by the navigator, never by the wheel at an end of the list.
    QScrollArea::wheelEvent(event);
}

void PageViewScrollArea::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Home) {
        event->ignore();
        return;
    }
    DynScrollArea::keyPressEvent(event);
}
