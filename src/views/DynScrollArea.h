#pragma once

#include "dynfeed_export.h"

#include <QList>
#include <QScrollArea>
#include <QString>

class DynDataController;
class DynamicPage;
class QKeyEvent;
class QScrollBar;
class SingleDynamicWdt;
class QWheelEvent;
struct SDynData;

/// The scrolling feed of one project and user: an item page in a scroll area that loads older
/// records at the bottom and newer ones at the top, counts new records for the host's badge and
/// reports network failures. Owns its controller, whose signals it receives queued.
/// GUI thread only.
class DYNFEED_EXPORT DynScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    /// bGroupFeed goes to the controller: true for a project group feed, false for the
    /// personal notification feed.
    explicit DynScrollArea(bool bGroupFeed, QWidget *parent = nullptr);
    /// Deletes the controller, then the page.
    ~DynScrollArea() override;

    /// Shows that project's feed for that user; false when both ids are the current ones.
    /// Blocks for at most 400 ms while the controller waits for the group information.
    bool setProjUserId(const QString &prjId, const QString &userId);
    QString getProjId() const;
    QString getUserId() const;
    bool isEmpty() const;
    /// Adds records (newest first) below the shown ones.
    void addDynInfo(const QList<SDynData *> &records);
    /// Loads 50 (large batch) or 20 records older (backward) or newer than the shown ones.
    void fetchMoreDynData(bool bLargeBatch, bool bBackward);
    /// Takes the user to the newest records when new ones are waiting.
    virtual void goTop();
    int getNewMsgNum() const;
    DynDataController *dynDataCtrler();

signals:
    /// The count for the host's badge; 0 clears it.
    void newMsgNum(int num);
    /// The number of records of the project's group; only the paged view emits it.
    void groupMsgNum(int num);

protected slots:
    virtual void onScrollBarValueChanged(int val);
    /// The controller added records: newer ones (false) or only older ones (true).
    virtual void onNewMessageReceived(bool bBackward);
    void onNewMsgNum(int num);
    void onNetworkError();
    void onUserInfoChanged(const QString &uid, const QString &name);

protected:
    void wheelEvent(QWheelEvent *event) override;
    /// Up and Down move the focus between items and keep it in view, Page Up and Page Down
    /// scroll a page, Home goes to the newest records.
    void keyPressEvent(QKeyEvent *event) override;

    // For the paged view, which replaces whole pages instead of fetching at the ends.
    DynamicPage *dynamicPage() const { return m_page; }
    QScrollBar *vScrollBar() const { return m_vScrollBar; }
    void setNewMsgCount(int count) { m_newMsgNum = count; }

private:
    /// The shown item that holds the focus, or -1.
    int focusedItem() const;
    /// The first shown item whose lower part is in the view, or -1.
    int firstItemInView() const;
    DynDataController *m_controller = nullptr; // child; deleted first by the destructor
    DynamicPage *m_page = nullptr; // the scroll area's widget; deleted by the destructor
    QScrollBar *m_vScrollBar = nullptr; // the scroll area's own bar
    int m_newMsgNum = 0;
};
