#pragma once

#include "dynfeed_export.h"

#include "views/DynScrollArea.h"

/// The scroll area of the paged project feed: shows one page of 30 records at a time instead
/// of loading more at the ends. It reloads the page shown when records arrive and page 1 when
/// the user scrolls to the top of page 1. Always a group feed. GUI thread only.
class DYNFEED_EXPORT PageViewScrollArea : public DynScrollArea
{
    Q_OBJECT
public:
    explicit PageViewScrollArea(QWidget *parent);

    /// Empties the item page and fills it with page (counted from 1) of the controller's
    /// records, scrolled to the top; page 1 also clears the new-record count.
    void showPage(int page);
    int currentPage() const { return m_currentPage; }
    /// Makes page the one shown by the next reload, without loading it now.
    void setCurrentPage(int page) { m_currentPage = page; }
    int pageSize() const { return m_pageSize; }

    void goTop() override;

protected slots:
    void onScrollBarValueChanged(int val) override;
    void onNewMessageReceived(bool bBackward) override;

protected:
    void wheelEvent(QWheelEvent *event) override;

private:
    const int m_pageSize = 30;
    int m_currentPage = 1;
    // Set while a page is being shown: moving the bar to the top from there must not load
    // page 1 a second time.
    bool m_showingPage = false;
};
