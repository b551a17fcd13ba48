#include "DemoWindow.h"

#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "CloudFileService.h"
#include "MyTasksView.h"
#include "PSVPushService.h"
#include "items/SingleDynamicWdt.h"
#include "samples/SampleProject.h"
#include "views/DynScrollArea.h"

namespace {

const int kSettleTickMs = 200;
const int kStableTicksWanted = 5;
const int kScreenshotMinimumItems = 3;

/// Notices as site engineers post them through the day.
const char *const kNotices[] = {
    "塔吊例行检查完成，运行正常。",
    "21层顶板混凝土浇筑完成，开始养护。",
    "下午三点召开安全例会，请各班组长准时参加。",
    "外架连墙件已复查，发现2处松动已紧固。",
    "幕墙单元板第三批进场，请质量员抽检。",
    "雨天暂停室外焊接作业，注意临时用电安全。",
};

} // namespace

DemoWindow::DemoWindow(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DemoWindow"));
    setWindowTitle(tr("Project dynamics - %1").arg(SampleProject::projectName()));
    resize(760, 980);

    auto *topBar = new QFrame(this);
    topBar->setObjectName(QStringLiteral("DemoWindow_topBar"));
    auto *title = new QLabel(SampleProject::projectName(), topBar);
    title->setObjectName(QStringLiteral("DemoWindow_title"));
    title->setTextFormat(Qt::PlainText);
    auto *subtitle = new QLabel(tr("Project dynamics"), topBar);
    subtitle->setObjectName(QStringLiteral("DemoWindow_subtitle"));
    m_badge = new QLabel(topBar);
    m_badge->setObjectName(QStringLiteral("DemoWindow_badge"));
    m_badge->setAlignment(Qt::AlignCenter);
    m_badge->hide();
    m_topButton = new QPushButton(tr("Newest"), topBar);
    m_topButton->setObjectName(QStringLiteral("DemoWindow_topBtn"));
    m_topButton->setCursor(Qt::PointingHandCursor);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(title);
    titles->addWidget(subtitle);
    auto *barLayout = new QHBoxLayout(topBar);
    barLayout->setContentsMargins(24, 14, 24, 14);
    barLayout->addLayout(titles, 1);
    barLayout->addWidget(m_badge);
    barLayout->addWidget(m_topButton);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("DemoWindow_tabs"));
    m_tabs->setDocumentMode(true);
    m_feed = new DynScrollArea(true, m_tabs);
    m_tabs->addTab(m_feed, tr("Feed"));
    m_myTasks = new MyTasksView(m_tabs);
    m_tabs->addTab(m_myTasks, tr("My tasks"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(topBar);
    layout->addWidget(m_tabs, 1);

    connect(m_feed, &DynScrollArea::newMsgNum, this, &DemoWindow::onNewMsgNum);
    connect(m_topButton, &QPushButton::clicked, m_feed, &DynScrollArea::goTop);

    m_liveTimer = new QTimer(this);
    connect(m_liveTimer, &QTimer::timeout, this, &DemoWindow::publishNotice);
    m_settleTimer = new QTimer(this);
    m_settleTimer->setInterval(kSettleTickMs);
    connect(m_settleTimer, &QTimer::timeout, this, &DemoWindow::onSettleTick);
}

void DemoWindow::openSampleProject()
{
    m_feed->setProjUserId(
        SampleProject::projectId(), SampleProject::members().constFirst().userId());
    m_myTasks->open(SampleProject::projectId(), SampleProject::members().constFirst());
}

bool DemoWindow::showTab(const QString &title)
{
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (m_tabs->tabText(i) == title) {
            m_tabs->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

void DemoWindow::startLiveMessages(int intervalMs)
{
    m_liveTimer->start(intervalMs);
}

void DemoWindow::publishNotice()
{
    const QList<SampleMember> members = SampleProject::members();
    const SampleMember &author = members.at(m_noticesPublished % members.size());
    const QString text = QString::fromUtf8(kNotices[m_noticesPublished % int(std::size(kNotices))]);
    ++m_noticesPublished;

    pb_clt_t_user message;
    pb_im_t_msg_item *item = message.mutable_f_im_msg()->add_f_msg();
    item->set_f_msg_type(5);
    item->set_f_msg_id(quint64(QDateTime::currentMSecsSinceEpoch()));
    item->set_f_sender_id(author.uid);
    item->set_f_sender_name(author.name.toStdString());
    item->set_f_msg_body((author.name + QStringLiteral("：") + text).toStdString());
    item->set_f_send_time(QDateTime::currentSecsSinceEpoch());
    PSVPushService::publish(SampleProject::projectId(), message);
}

void DemoWindow::screenshotWhenSettled(const QString &path, int timeoutMs)
{
    m_screenshotPath = path;
    m_settleTimeoutMs = timeoutMs;
    m_settleClock.start();
    m_settleTimer->start();
}

void DemoWindow::onNewMsgNum(int count)
{
    m_badge->setVisible(count > 0);
    m_badge->setText(count > 99 ? QStringLiteral("99+") : QString::number(count));
}

int DemoWindow::shownItems() const
{
    int shown = 0;
    for (const SingleDynamicWdt *item : m_feed->findChildren<SingleDynamicWdt *>()) {
        if (item->isVisibleTo(m_feed))
            ++shown;
    }
    return shown;
}

void DemoWindow::onSettleTick()
{
    const int items = shownItems();
    // Two notices arrive once the first page is in, so that the badge has something to show.
    if (items >= kScreenshotMinimumItems && !m_extraPublished) {
        m_extraPublished = true;
        publishNotice();
        publishNotice();
    }
    const bool quiet = CloudFileStore::runningTransfers() == 0;
    m_stableTicks = (items == m_lastItemCount && quiet) ? m_stableTicks + 1 : 0;
    m_lastItemCount = items;

    const bool settled = items >= kScreenshotMinimumItems && m_stableTicks >= kStableTicksWanted;
    if (!settled && m_settleClock.elapsed() < m_settleTimeoutMs)
        return;
    m_settleTimer->stop();
    const bool saved = items > 0 && grab().save(m_screenshotPath, "PNG");
    if (!saved)
        qWarning("dynfeed_demo: nothing to save to %s", qUtf8Printable(m_screenshotPath));
    QCoreApplication::exit(saved ? 0 : 1);
}
