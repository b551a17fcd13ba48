#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QTabWidget>
#include <QWidget>

#include <functional>

#include "samples/SampleLive.h"

class DayLogExporter;
class DynScrollArea;
class MyTasksView;
class ProjectDynPage;
class QLabel;
class QPushButton;
class QTimer;

/// The demo host's main window: a title bar with the new-message badge and a button back to the
/// newest records, above one tab per view of the sample project: "Feed" (the scrolling feed),
/// "Pages" (the paged feed) and "My tasks" (the first member's personal feed, where tasks can be
/// reminded and notifications acknowledged). The badge and the button follow the tab shown.
/// "Export day" writes a day of the project as a daily log PDF.
class DemoWindow : public QWidget
{
    Q_OBJECT
public:
    explicit DemoWindow(QWidget *parent = nullptr);

    /// Shows the sample project for its first member in every tab.
    void openSampleProject();
    /// Publishes a new live message every intervalMs, so that the feed is alive.
    void startLiveMessages(int intervalMs);
    /// Publishes one live message now.
    void publishLiveMessage();
    /// Once the tab's first records are shown and every avatar has arrived, saves the window
    /// showing each (tab, path) in turn, then quits the application (exit code 0; 1 when a
    /// tab showed nothing).
    void screenshotWhenSettled(const QList<QPair<QWidget *, QString>> &shots, int timeoutMs);

    DynScrollArea *feed() const { return m_feed; }
    ProjectDynPage *pages() const { return m_pages; }
    /// Brings the tab of that title ("Feed", "Pages", "My tasks") to the front; false when there
    /// is none.
    bool showTab(const QString &title);
    QWidget *currentTab() const { return m_tabs->currentWidget(); }

private slots:
    void onSettleTick();
    void onExportDay();

private:
    /// A tab for a view that has newMsgNum(int) and goTop().
    template <typename View> void addFeedTab(View *view, const QString &title);
    void updateBadge();
    int shownItems() const;

    QTabWidget *m_tabs = nullptr; // child
    DynScrollArea *m_feed = nullptr; // in m_tabs
    ProjectDynPage *m_pages = nullptr; // in m_tabs
    MyTasksView *m_myTasks = nullptr; // in m_tabs
    QHash<QWidget *, int> m_newCounts; // per view, as its badge signal last said
    QHash<QWidget *, std::function<void()>> m_goTop; // per view
    QLabel *m_badge = nullptr; // child
    QPushButton *m_topButton = nullptr; // child
    QPushButton *m_exportButton = nullptr; // child
    DayLogExporter *m_exporter = nullptr; // child
    QTimer *m_liveTimer = nullptr; // child
    QTimer *m_settleTimer = nullptr; // child
    SampleLiveMessages m_live;
    QElapsedTimer m_settleClock;
    QList<QPair<QWidget *, QString>> m_shots;
    int m_settleTimeoutMs = 0;
    int m_lastItemCount = -1;
    int m_stableTicks = 0;
    bool m_extraPublished = false;
    bool m_failed = false;
};

template <typename View> void DemoWindow::addFeedTab(View *view, const QString &title)
{
    m_tabs->addTab(view, title);
    m_goTop.insert(view, [view] { view->goTop(); });
    connect(view, &View::newMsgNum, this, [this, view](int count) {
        m_newCounts.insert(view, count);
        updateBadge();
    });
}
