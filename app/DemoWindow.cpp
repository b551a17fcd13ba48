#include "DemoWindow.h"

#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "CloudFileService.h"
#include "ExportDayDialog.h"
#include "InformMsgBox.h"
#include "MyTasksView.h"
#include "PSVPushService.h"
#include "export/DayLogExporter.h"
#include "feed/DynDataController.h"
#include "items/SingleDynamicWdt.h"
#include "samples/SampleProject.h"
#include "views/DynScrollArea.h"
#include "views/ProjectDynPage.h"

namespace {

const int kSettleTickMs = 200;
const int kStableTicksWanted = 5;
const int kScreenshotMinimumItems = 3;

/// The sample group's newest sequence number: live messages number on from it, so that a new
/// start goes on where the last one stopped.
quint64 groupSeq()
{
    int initSeq = 0;
    int seq = 0;
    PSVPushService::groupSeqIds(SampleProject::projectId(), &initSeq, &seq);
    return quint64(qMax(0, seq));
}

} // namespace

DemoWindow::DemoWindow(QWidget *parent)
    : QWidget(parent)
    , m_live(groupSeq())
{
    setObjectName(QStringLiteral("DemoWindow"));
    setWindowTitle(tr("Project dynamics - %1").arg(SampleProject::projectName()));
    resize(900, 980);

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
    m_exportButton = new QPushButton(tr("Export day"), topBar);
    m_exportButton->setObjectName(QStringLiteral("DemoWindow_exportBtn"));
    m_exportButton->setCursor(Qt::PointingHandCursor);
    m_exporter = new DayLogExporter(this);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(title);
    titles->addWidget(subtitle);
    auto *barLayout = new QHBoxLayout(topBar);
    barLayout->setContentsMargins(24, 14, 24, 14);
    barLayout->addLayout(titles, 1);
    barLayout->addWidget(m_badge);
    barLayout->addWidget(m_topButton);
    barLayout->addWidget(m_exportButton);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("DemoWindow_tabs"));
    m_tabs->setDocumentMode(true);
    m_feed = new DynScrollArea(true, m_tabs);
    addFeedTab(m_feed, tr("Feed"));
    m_pages = new ProjectDynPage(true, m_tabs);
    addFeedTab(m_pages, tr("Pages"));
    m_myTasks = new MyTasksView(m_tabs);
    m_tabs->addTab(m_myTasks, tr("My tasks"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(topBar);
    layout->addWidget(m_tabs, 1);

    connect(m_tabs, &QTabWidget::currentChanged, this, &DemoWindow::updateBadge);
    connect(m_topButton, &QPushButton::clicked, this, [this] {
        if (const auto goTop = m_goTop.value(m_tabs->currentWidget()))
            goTop();
    });

    connect(m_exportButton, &QPushButton::clicked, this, &DemoWindow::onExportDay);
    connect(m_exporter, &DayLogExporter::finished, this, [this](bool ok, const QString &path) {
        m_exportButton->setEnabled(true);
        m_exportButton->setText(tr("Export day"));
        InformMsgBox::prompt(ok
                ? tr("The daily log is saved as %1").arg(path)
                : tr("The daily log was not saved: %1").arg(m_exporter->errorString()),
            this);
    });

    m_liveTimer = new QTimer(this);
    connect(m_liveTimer, &QTimer::timeout, this, &DemoWindow::publishLiveMessage);
    m_settleTimer = new QTimer(this);
    m_settleTimer->setInterval(kSettleTickMs);
    connect(m_settleTimer, &QTimer::timeout, this, &DemoWindow::onSettleTick);
}

void DemoWindow::openSampleProject()
{
    const QString userId = SampleProject::members().constFirst().userId();
    // Weather messages name no project: the host tells each view the name to show.
    m_feed->dynDataCtrler()->setPrjName(SampleProject::projectName());
    m_feed->setProjUserId(SampleProject::projectId(), userId);
    m_pages->dynDataCtrler()->setPrjName(SampleProject::projectName());
    m_pages->setProjUserId(SampleProject::projectId(), userId);
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

void DemoWindow::publishLiveMessage()
{
    PSVPushService::publish(
        SampleProject::projectId(), m_live.next(QDateTime::currentSecsSinceEpoch()));
}

void DemoWindow::screenshotWhenSettled(const QList<QPair<QWidget *, QString>> &shots, int timeoutMs)
{
    m_shots = shots;
    m_settleTimeoutMs = timeoutMs;
    if (m_shots.isEmpty()) {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
        return;
    }
    m_tabs->setCurrentWidget(m_shots.constFirst().first);
    m_settleClock.start();
    m_settleTimer->start();
}

void DemoWindow::updateBadge()
{
    const int count = m_newCounts.value(m_tabs->currentWidget());
    m_badge->setVisible(count > 0);
    m_badge->setText(count > 99 ? QStringLiteral("99+") : QString::number(count));
}

int DemoWindow::shownItems() const
{
    QWidget *view = m_tabs->currentWidget();
    int shown = 0;
    for (const SingleDynamicWdt *item : view->findChildren<SingleDynamicWdt *>()) {
        if (item->isVisibleTo(view))
            ++shown;
    }
    return shown;
}

void DemoWindow::onSettleTick()
{
    const int items = shownItems();
    // Two messages arrive once the first page is in, so that the badge has something to show.
    if (items >= kScreenshotMinimumItems && !m_extraPublished) {
        m_extraPublished = true;
        publishLiveMessage();
        publishLiveMessage();
    }
    const bool quiet = CloudFileStore::runningTransfers() == 0;
    m_stableTicks = (items == m_lastItemCount && quiet) ? m_stableTicks + 1 : 0;
    m_lastItemCount = items;

    const bool settled = items >= kScreenshotMinimumItems && m_stableTicks >= kStableTicksWanted;
    if (!settled && m_settleClock.elapsed() < m_settleTimeoutMs)
        return;
    const QString path = m_shots.takeFirst().second;
    const bool saved = items > 0 && grab().save(path, "PNG");
    if (!saved) {
        qWarning("dynfeed_demo: nothing to save to %s", qUtf8Printable(path));
        m_failed = true;
    }
    if (!m_shots.isEmpty()) {
        m_tabs->setCurrentWidget(m_shots.constFirst().first);
        m_lastItemCount = -1;
        m_stableTicks = 0;
        m_settleClock.start();
        return;
    }
    m_settleTimer->stop();
    QCoreApplication::exit(m_failed ? 1 : 0);
}

void DemoWindow::onExportDay()
{
    ExportDayDialog dialog(SampleProject::projectName(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool started = m_exporter->exportDay(SampleProject::projectId(),
        SampleProject::members().constFirst().userId(), SampleProject::projectName(), dialog.day(),
        dialog.path());
    if (!started)
        return;
    m_exportButton->setEnabled(false);
    m_exportButton->setText(tr("Exporting..."));
}
