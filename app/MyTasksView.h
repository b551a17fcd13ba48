#pragma once

#include <QWidget>

class DynScrollArea;
struct SampleMember;

/// The demo's personal feed: one member's view of the project's tasks, where a task can be
/// reminded or acknowledged (the buttons exist only in a personal feed).
class MyTasksView : public QWidget
{
    Q_OBJECT
public:
    explicit MyTasksView(QWidget *parent = nullptr);

    /// Shows the project for member, who is then the one signed in to the project store.
    void open(const QString &prjId, const SampleMember &member);
    DynScrollArea *feed() const { return m_feed; }

private:
    DynScrollArea *m_feed = nullptr; // child
};
