#pragma once

#include "dynfeed_export.h"

#include <QString>

#include "views/VTFrame.h"

class DynDataController;
class PageNavigateWdt;
class PageViewScrollArea;
class QKeyEvent;
class QVBoxLayout;
class VantorInformation;

/// The paged project feed that the host embeds: one page of 30 records above the page
/// navigator. The navigator's choice drives the page shown; the group's message count drives
/// the number of pages. Its static part holds the host's interface record, which every widget
/// of the feed fetches at the moment of use. GUI thread only.
///
/// Choice where the feed's behaviour was open: switching to another project or user starts
/// the new feed on page 1, in the list as in the navigator, rather than on the page number
/// the previous project was showing.
class DYNFEED_EXPORT ProjectDynPage : public VTFrame
{
    Q_OBJECT
public:
    /// The flag is accepted for the host's sake; the paged feed is always a group feed.
    explicit ProjectDynPage(bool bGroupFeed, QWidget *parent = nullptr);
    /// Deletes the scroll area (and with it the controller), then the navigator.
    ~ProjectDynPage() override;

    /// Shows that project's feed for that user and resets the navigator; nothing changes when
    /// both ids are the current ones. Blocks for at most 400 ms while the controller waits for the
    /// group information.
    void setProjUserId(const QString &prjId, const QString &userId);
    QString getProjId() const;
    QString getUserId() const;
    bool isEmpty() const;
    void fetchMoreDynData(bool bLargeBatch, bool bBackward);
    /// Goes to page 1 when new records are waiting.
    void goTop();
    DynDataController *dynDataCtrler();

    /// Installs the host's record; it is never owned nor deleted by the library.
    static void InstallVantorInformation(VantorInformation *info);
    /// The installed record, or null when none is installed.
    static VantorInformation *infoInterface();

public slots:
    /// Shows that page of the records in the list (empty for a page beyond them); the navigator
    /// is not told.
    void onGotoPage(int pageIdx);

signals:
    /// The count for the host's badge; 0 clears it.
    void newMsgNum(int num);

protected slots:
    void onGroupMsgNum(int msgNum);

protected:
    /// Home goes to page 1, in the list and in the navigator, when new records are waiting.
    void keyPressEvent(QKeyEvent *event) override;

private:
    QVBoxLayout *m_layout = nullptr; // on the page
    PageViewScrollArea *m_scrollArea = nullptr; // child; deleted first by the destructor
    PageNavigateWdt *m_navigator = nullptr; // child

    static VantorInformation *m_infoInterface;
};
