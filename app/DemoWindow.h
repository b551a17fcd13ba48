#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

class DynScrollArea;
class MyTasksView;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;

/// The demo host's main window: a title bar with the new-message badge and a button back to the
/// newest records, above the scrolling feed of the sample project.
class DemoWindow : public QWidget
{
    Q_OBJECT
public:
    explicit DemoWindow(QWidget *parent = nullptr);

    /// Shows the sample project's feed for its first member.
    void openSampleProject();
    /// Publishes a new sample notice every intervalMs, so that the feed is alive.
    void startLiveMessages(int intervalMs);
    /// Publishes one new sample notice now.
    void publishNotice();
    /// Once the first records are shown and every avatar has arrived, saves the window to path
    /// and quits the application (exit code 0; 1 when nothing could be shown).
    void screenshotWhenSettled(const QString &path, int timeoutMs);

    DynScrollArea *feed() const { return m_feed; }
    /// Brings the tab of that title ("Feed", "My tasks") to the front; false when there is none.
    bool showTab(const QString &title);

private slots:
    void onNewMsgNum(int count);
    void onSettleTick();

private:
    int shownItems() const;

    DynScrollArea *m_feed = nullptr; // child
    QTabWidget *m_tabs = nullptr; // child
    MyTasksView *m_myTasks = nullptr; // child
    QLabel *m_badge = nullptr; // child
    QPushButton *m_topButton = nullptr; // child
    QTimer *m_liveTimer = nullptr; // child
    QTimer *m_settleTimer = nullptr; // child
    QElapsedTimer m_settleClock;
    QString m_screenshotPath;
    int m_settleTimeoutMs = 0;
    int m_lastItemCount = -1;
    int m_stableTicks = 0;
    int m_noticesPublished = 0;
    bool m_extraPublished = false;
};
