#include "views/DynamicPage.h"

#include <QCoreApplication>
#include <QDate>
#include <QEvent>
#include <QLayoutItem>
#include <QTime>
#include <QVBoxLayout>

#include <algorithm>

#include "feed/Logging_p.h"
#include "feed/SDynData.h"
#include "items/SingleDynamicWdt.h"

namespace {

const int kMaxShownItems = 500;
// The pool accepts a widget while it holds this many or fewer, so it never exceeds 101.
const int kSpareLimit = 100;

} // namespace

DynamicPage::DynamicPage(QWidget *parent)
    : QFrame(parent)
    , m_mainLayout(new QVBoxLayout(this))
    , m_itemLayout(new QVBoxLayout)
{
    m_mainLayout->setContentsMargins(30, 20, 30, 20);
    m_itemLayout->setContentsMargins(0, 0, 0, 0);
    m_itemLayout->setSpacing(20);
    m_mainLayout->addLayout(m_itemLayout, 0);
    m_mainLayout->addStretch(1);
    resetTimeRange();
}

DynamicPage::~DynamicPage()
{
    // The shown items go with the page as its children; the spare ones have no parent.
    qDeleteAll(m_spareItems);
    m_spareItems.clear();
}

void DynamicPage::addDynInfo(const QList<SDynData *> &records, bool atBottom)
{
    if (records.isEmpty())
        return;

    // Showing a child lays out its parent at once, so every new item would lay out the whole
    // column again; with the layout off, the column is laid out once, after the batch.
    m_mainLayout->setEnabled(false);

    const int excess = m_shownItems.size() + records.size() - kMaxShownItems;
    if (excess > 0)
        trimItems(std::min(excess, int(m_shownItems.size())), atBottom);

    if (atBottom) {
        for (SDynData *record : records)
            addDynInfo(record, true);
    } else {
        // Each goes to the top, so the list's first record must come last.
        for (auto it = records.crbegin(); it != records.crend(); ++it)
            addDynInfo(*it, false);
    }

    m_mainLayout->setEnabled(true);
    // A layout request that arrived while the layout was off was dropped; ask again.
    QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}

void DynamicPage::addDynInfo(SDynData *record, bool atBottom)
{
    if (!record) {
        qCWarning(lcUi, "%s", qPrintable(tr("DynamicPage::addDynInfo--invalid DynData.")));
        return;
    }
    if (record->seqId != -1) {
        if (m_shownSeqIds.contains(record->seqId))
            return;
        m_shownSeqIds.insert(record->seqId);
    }

    SingleDynamicWdt *item = takeItemWdt();
    item->setDynData(record);
    if (atBottom) {
        m_itemLayout->addWidget(item, 0);
        m_shownItems.append(item);
    } else {
        m_itemLayout->insertWidget(0, item, 0);
        m_shownItems.prepend(item);
    }
    if (item->isHidden())
        item->show();

    // A record without a valid time says nothing about where the feed stands; widening the
    // range with it would make the next fetch beyond the range ask for nothing.
    if (!record->dateTime.isValid())
        return;
    const qint64 key = record->dateTime.toMSecsSinceEpoch();
    if (key < m_earliestKey) {
        m_earliestKey = key;
        m_earliestTime = record->dateTime;
    }
    if (key > m_latestKey) {
        m_latestKey = key;
        m_latestTime = record->dateTime;
    }
}

bool DynamicPage::isEmpty() const
{
    return m_shownItems.isEmpty();
}

const QList<SingleDynamicWdt *> &DynamicPage::shownItems() const
{
    return m_shownItems;
}

const QDateTime &DynamicPage::earliestTime() const
{
    return m_earliestTime;
}

const QDateTime &DynamicPage::latestTime() const
{
    return m_latestTime;
}

void DynamicPage::updateItemTimes()
{
    for (SingleDynamicWdt *item : qAsConst(m_shownItems))
        item->updateTime();
}

void DynamicPage::setCurrentUserId(const QString &userId)
{
    SingleDynamicWdt::setCurrentUserId(userId);
}

void DynamicPage::onResetDynData()
{
    resetTimeRange();

    while (m_spareItems.size() <= kSpareLimit && !m_shownItems.isEmpty()) {
        SingleDynamicWdt *item = m_shownItems.takeFirst();
        delete m_itemLayout->takeAt(0);
        parkItemWdt(item);
    }
    while (!m_shownItems.isEmpty()) {
        SingleDynamicWdt *item = m_shownItems.takeFirst();
        delete m_itemLayout->takeAt(0);
        delete item;
    }
    m_shownSeqIds.clear();
}

void DynamicPage::onUserInfoChanged(const QString &uid, const QString &name)
{
    if (uid.isEmpty() || name.isEmpty())
        return;
    for (SingleDynamicWdt *item : qAsConst(m_shownItems))
        item->onUserInfoChanged(uid, name);
}

void DynamicPage::onSynTaskNotify(const QHash<QString, QVariant> &attachMap)
{
    for (SingleDynamicWdt *item : qAsConst(m_shownItems)) {
        if (item->onSynTaskNotify(attachMap))
            return;
    }
}

void DynamicPage::onUserHeaderDownloaded(const QString &userId, const QString &headerPath)
{
    for (SingleDynamicWdt *item : qAsConst(m_shownItems))
        item->onUserHeaderDownloaded(userId, headerPath);
}

SingleDynamicWdt *DynamicPage::takeItemWdt()
{
    if (!m_spareItems.isEmpty())
        return m_spareItems.takeFirst();

    // A reused widget keeps these connections and its host widget for life.
    auto *item = new SingleDynamicWdt(this);
    connect(item, &SingleDynamicWdt::userInfoChanged, this, &DynamicPage::onUserInfoChanged);
    connect(
        item, &SingleDynamicWdt::userHeaderDownloaded, this, &DynamicPage::onUserHeaderDownloaded);
    // Inside a scroll area the third ancestor is the widget that holds the feed; a page with
    // fewer ancestors hands over the highest one it has.
    QWidget *host = this;
    for (int level = 0; level < 3 && host->parentWidget(); ++level)
        host = host->parentWidget();
    item->setHostWidget(host);
    // Filling lays the item out at its own width before the column gives it its place, and a
    // word-wrapped text measured at another width is measured again: started at Qt's default
    // 100 pixels, a long text would be broken into hundreds of lines only to be thrown away.
    // A reused item keeps the width the column gave it.
    const int columnWidth = contentsRect().marginsRemoved(m_mainLayout->contentsMargins()).width();
    if (columnWidth > 0)
        item->resize(columnWidth, item->height());
    return item;
}

bool DynamicPage::parkItemWdt(SingleDynamicWdt *item)
{
    if (!item || m_spareItems.size() > kSpareLimit)
        return false;
    item->setParent(nullptr);
    item->hide();
    m_spareItems.append(item);
    return true;
}

void DynamicPage::trimItems(int count, bool fromTop)
{
    for (int i = 0; i < count && !m_shownItems.isEmpty(); ++i) {
        SingleDynamicWdt *item = fromTop ? m_shownItems.takeFirst() : m_shownItems.takeLast();
        // Taken out explicitly: a disabled layout does not notice a child leaving.
        delete m_itemLayout->takeAt(fromTop ? 0 : m_itemLayout->count() - 1);
        if (!parkItemWdt(item))
            delete item;
    }
}

void DynamicPage::resetTimeRange()
{
    m_earliestTime = QDateTime::currentDateTime();
    m_latestTime = QDateTime(QDate(1970, 1, 1), QTime(0, 0));
    m_earliestKey = m_earliestTime.toMSecsSinceEpoch();
    m_latestKey = m_latestTime.toMSecsSinceEpoch();
}
