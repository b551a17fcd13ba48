#pragma once

#include "dynfeed_export.h"

#include "views/DynScrollArea.h"

/// The scroll area of the paged project feed: shows one page of 30 records at a time instead
/// of loading more at the ends. It reloads the page shown when records arrive and page 1 when
/// the bar reaches the top of page 1 (also when showing page 1 itself moves it there, which
/// shows page 1 once more). Always a group feed. GUI thread only.
class DYNFEED_EXPORT PageViewScrollArea : public DynScrollArea
{
    Q_OBJECT
public:
    explicit PageViewScrollArea(QWidget *parent);

    /// Empties the item page and fills it with page (counted from 1) of the controller's
    /// records, scrolled to the top; page 1 also clears the new-record count.
    void showPage(int page);
    int currentPage() const { return m_currentPage; }
    int pageSize() const { return m_pageSize; }

    void goTop() override;

protected slots:
    void onScrollBarValueChanged(int val) override;
    void onNewMessageReceived(bool bBackward) override;

protected:
    void wheelEvent(QWheelEvent *event) override;
    /// Home goes on to the paged feed, which turns its navigator to page 1 too.
    void keyPressEvent(QKeyEvent *event) override;

private:
    const int m_pageSize = 30;
    int m_currentPage = 1;
};
