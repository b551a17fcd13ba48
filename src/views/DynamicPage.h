#pragma once

#include "dynfeed_export.h"

#include <QDateTime>
#include <QFrame>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>

class QVBoxLayout;
class SingleDynamicWdt;
struct SDynData;

/// The column of item widgets inside a feed view, newest record at the top, at most 500 items.
/// Keeps widgets that leave the column for reuse, skips records it already shows and remembers
/// the time range it has shown. Holds the records through its items only; GUI thread only.
class DYNFEED_EXPORT DynamicPage : public QFrame
{
    Q_OBJECT
public:
    explicit DynamicPage(QWidget *parent = nullptr);
    /// Deletes every item widget, shown and spare.
    ~DynamicPage() override;

    /// Adds records given newest first: below the shown items (older records) when atBottom,
    /// above them (newer records) otherwise. Makes room first by dropping items from the other
    /// end, so that at most 500 remain.
    void addDynInfo(const QList<SDynData *> &records, bool atBottom);
    /// Adds one record unless its sequence id is already shown; a null record is logged.
    void addDynInfo(SDynData *record, bool atBottom);

    bool isEmpty() const;
    /// The shown items, the newest at the top: the order the keyboard walks them in.
    const QList<SingleDynamicWdt *> &shownItems() const;
    /// Oldest and newest record time added since the last reset; after a reset the range is
    /// empty (earliest is the moment of the reset, latest is 1 January 1970).
    const QDateTime &earliestTime() const;
    const QDateTime &latestTime() const;

    /// Every shown item refreshes its relative time text.
    void updateItemTimes();
    /// The signed-in user, shared by every item header.
    void setCurrentUserId(const QString &userId);

public slots:
    /// Empties the page: keeps up to 101 item widgets for reuse, deletes the rest, forgets the
    /// shown sequence ids and the time range.
    void onResetDynData();
    /// Tells every item that a user's information changed; empty id or name is ignored.
    void onUserInfoChanged(const QString &uid, const QString &name);
    /// Offers a task notification to the items top down until one takes it.
    void onSynTaskNotify(const QHash<QString, QVariant> &attachMap);
    void onUserHeaderDownloaded(const QString &userId, const QString &headerPath);

signals:
    void userInfoChanged(const QString &uid, const QString &name);

private:
    SingleDynamicWdt *takeItemWdt();
    /// Takes the widget out of the page and keeps it for reuse; false when the pool is full,
    /// and the caller then deletes it.
    bool parkItemWdt(SingleDynamicWdt *item);
    void trimItems(int count, bool fromTop);
    void resetTimeRange();

    QVBoxLayout *m_mainLayout = nullptr; // installed on the page
    QVBoxLayout *m_itemLayout = nullptr; // child of m_mainLayout
    QList<SingleDynamicWdt *> m_shownItems; // same order as m_itemLayout; Qt children
    QList<SingleDynamicWdt *> m_spareItems; // hidden, without parent; ours to delete
    QDateTime m_earliestTime;
    QDateTime m_latestTime;
    QSet<int> m_shownSeqIds;
    // The range as UTC milliseconds, so that widening it never compares local times.
    qint64 m_earliestKey = 0;
    qint64 m_latestKey = 0;
};
