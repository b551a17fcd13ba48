#include "views/DynScrollArea.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "InformMsgBox.h"
#include "feed/DynDataController.h"
#include "items/SingleDynamicWdt.h"
#include "views/DynamicPage.h"

namespace {

const int kSmallBatch = 20;
const int kLargeBatch = 50;

} // namespace

DynScrollArea::DynScrollArea(bool bGroupFeed, QWidget *parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    setWidgetResizable(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);

    m_page = new DynamicPage(nullptr);
    setWidget(m_page);

    m_controller = new DynDataController(bGroupFeed, this);
    m_vScrollBar = verticalScrollBar();

    // The controller emits on the push service's thread.
    connect(m_controller, &DynDataController::newMessageReceived, this,
        &DynScrollArea::onNewMessageReceived, Qt::QueuedConnection);
    connect(m_controller, &DynDataController::newMsgNum, this, &DynScrollArea::onNewMsgNum,
        Qt::QueuedConnection);
    connect(m_controller, &DynDataController::networkError, this, &DynScrollArea::onNetworkError,
        Qt::QueuedConnection);
    connect(m_controller, &DynDataController::synTaskNotify, m_page, &DynamicPage::onSynTaskNotify,
        Qt::QueuedConnection);
    connect(m_vScrollBar, &QScrollBar::valueChanged, this, &DynScrollArea::onScrollBarValueChanged);
}

DynScrollArea::~DynScrollArea()
{
    // The controller first: deleting it ends the push service's deliveries, and its records
    // must not go while items could still be refilled from them.
    delete m_controller;
    m_controller = nullptr;
    delete m_page;
    m_page = nullptr;
}

bool DynScrollArea::setProjUserId(const QString &prjId, const QString &userId)
{
    if (m_controller->prjId() == prjId && m_controller->userId() == userId)
        return false;

    m_newMsgNum = 0;
    // The page lets go of the old records before the controller frees them.
    m_page->onResetDynData();
    m_page->setCurrentUserId(userId);
    m_controller->setProjUserId(prjId, userId);
    return true;
}

QString DynScrollArea::getProjId() const
{
    return m_controller->prjId();
}

QString DynScrollArea::getUserId() const
{
    return m_controller->userId();
}

bool DynScrollArea::isEmpty() const
{
    return m_page->isEmpty();
}

void DynScrollArea::addDynInfo(const QList<SDynData *> &records)
{
    m_page->addDynInfo(records, true);
}

void DynScrollArea::fetchMoreDynData(bool bLargeBatch, bool bBackward)
{
    const int count = bLargeBatch ? kLargeBatch : kSmallBatch;
    const QList<SDynData *> records = bBackward
        ? m_controller->fetchDynDataBackward(m_page->earliestTime(), count)
        : m_controller->fetchDynDataForward(m_page->latestTime(), count);
    if (records.isEmpty())
        return;
    m_page->updateItemTimes();
    m_page->addDynInfo(records, bBackward);
}

void DynScrollArea::goTop()
{
    if (m_newMsgNum < 1)
        return;
    if (m_vScrollBar->isVisible() && m_vScrollBar->value() > 0)
        m_vScrollBar->setValue(0); // runs onScrollBarValueChanged(0) at once
    else
        onScrollBarValueChanged(0);
    m_newMsgNum = 0;
}

int DynScrollArea::getNewMsgNum() const
{
    return m_newMsgNum;
}

DynDataController *DynScrollArea::dynDataCtrler()
{
    return m_controller;
}

void DynScrollArea::onScrollBarValueChanged(int val)
{
    // With an empty range the bottom wins: an unfilled view asks for older records.
    if (val == m_vScrollBar->maximum())
        fetchMoreDynData(false, true);
    else if (val == m_vScrollBar->minimum())
        fetchMoreDynData(false, false);
    emit newMsgNum(0);
}

void DynScrollArea::onNewMessageReceived(bool bBackward)
{
    fetchMoreDynData(false, bBackward);
}

void DynScrollArea::onNewMsgNum(int num)
{
    m_newMsgNum += num;
    emit newMsgNum(m_newMsgNum);
}

void DynScrollArea::onNetworkError()
{
    InformMsgBox::prompt(tr("Network communication failed!"), this);
}

void DynScrollArea::onUserInfoChanged(const QString &uid, const QString &name)
{
    m_controller->updateUserInfo(uid, name);
}

void DynScrollArea::wheelEvent(QWheelEvent *event)
{
    QScrollArea::wheelEvent(event);
    // Without a bar the list fits in the view and no scroll position can reach an end, so the
    // wheel itself asks for more.
    if (m_vScrollBar->isVisible())
        return;
    const int delta = event->angleDelta().y();
    if (delta < 0)
        fetchMoreDynData(false, true);
    else if (delta > 0)
        fetchMoreDynData(false, false);
    m_newMsgNum = 0;
    emit newMsgNum(0);
}

void DynScrollArea::keyPressEvent(QKeyEvent *event)
{
    const QList<SingleDynamicWdt *> &items = m_page->shownItems();
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int focused = focusedItem();
        const int next
            = focused < 0 ? firstItemInView() : focused + (event->key() == Qt::Key_Down ? 1 : -1);
        if (next >= 0 && next < items.size()) {
            items.at(next)->setFocus(Qt::OtherFocusReason);
            ensureWidgetVisible(items.at(next), 0, 0);
            return;
        }
        break; // past either end the view scrolls, and scrolling to an end loads more
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        m_vScrollBar->triggerAction(event->key() == Qt::Key_PageDown
                ? QAbstractSlider::SliderPageStepAdd
                : QAbstractSlider::SliderPageStepSub);
        // The next Up or Down goes on from what is in view, not from an item scrolled away.
        const int focused = focusedItem();
        if (focused >= 0 && items.at(focused)->visibleRegion().isEmpty())
            items.at(firstItemInView())->setFocus(Qt::OtherFocusReason);
        return;
    }
    case Qt::Key_Home: {
        // The focus goes up with the view, to the newest record.
        const bool moves = m_newMsgNum > 0 && focusedItem() >= 0;
        goTop();
        if (moves && !items.isEmpty())
            items.first()->setFocus(Qt::OtherFocusReason);
        return;
    }
    default:
        break;
    }
    QScrollArea::keyPressEvent(event);
}

int DynScrollArea::focusedItem() const
{
    const QList<SingleDynamicWdt *> &items = m_page->shownItems();
    for (QWidget *widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
        if (widget->parentWidget() == m_page)
            return items.indexOf(qobject_cast<SingleDynamicWdt *>(widget));
    }
    return -1;
}

int DynScrollArea::firstItemInView() const
{
    const QList<SingleDynamicWdt *> &items = m_page->shownItems();
    // The page's top edge sits above the view by the scrolled distance.
    const int viewTop = -m_page->y();
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i)->geometry().center().y() >= viewTop)
            return i;
    }
    return items.isEmpty() ? -1 : items.size() - 1;
}
