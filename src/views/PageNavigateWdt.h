#pragma once

#include "dynfeed_export.h"

#include <QList>

#include "views/VTFrame.h"

class GotoPageFrm;
class KMButton;
class KMLabel;
class QHBoxLayout;

/// The row of page controls under the paged feed: Previous, nine page buttons (the first and
/// last page always, seven around the current one, "..." where pages are left out), the go-to
/// box and Next. Knows the total number of records (30 a page) and emits pageChanged whenever
/// a page is picked. GUI thread only.
///
/// The controls are drawn only for a current page from 1 to the last page: with no records
/// (0 pages), after reset(), or with a current page beyond the last one they keep their last
/// drawing (before the first count: "1" and eight blank buttons). A page is announced whoever
/// picks it, even one that does not exist: the go-to box's validator keeps typed numbers in
/// range, and the feed shows an empty page for the rest.
class DYNFEED_EXPORT PageNavigateWdt : public VTFrame
{
    Q_OBJECT
public:
    explicit PageNavigateWdt(QWidget *parent);

    /// No records, current page 1; the controls keep their drawing until the next setMsgNum.
    void reset();
    /// Sets the total number of records and redraws for the current page. No signal.
    void setMsgNum(int msgNum);
    /// As the go-to box does: makes page the current one and emits pageChanged.
    void setCurrentPage(int page);

    int currentPage() const { return m_currentPage; }
    /// Pages for the current total: 0 records give 0 pages, 30 give 1, 31 give 2.
    int pageCount() const;

signals:
    void pageChanged(int pageIdx);

protected slots:
    void onPreviousPage();
    void onNextPage();
    /// From a page button: the page in the sender's "page_index" property.
    void onGotoPage();
    void onGotoPage(int idx);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void changePage(int page);
    void redraw();
    void showPageOnButton(int button, int page, int pages);

    QHBoxLayout *m_mainLayout = nullptr; // on the navigator
    const int m_pageSize = 30;
    int m_currentPage = 1;
    int m_msgNum = 0;
    KMButton *m_prevBtn = nullptr; // child
    KMButton *m_nextBtn = nullptr; // child
    GotoPageFrm *m_gotoFrm = nullptr; // child
    QHBoxLayout *m_indexLayout = nullptr; // in m_mainLayout
    KMLabel *m_leftEllipsis = nullptr; // child
    KMLabel *m_rightEllipsis = nullptr; // child
    QList<KMButton *> m_pageBtns; // children, left to right
    // What each page button shows, so that a redraw touches only buttons that change: a new
    // style sheet re-polishes the button, which costs more than the rest of the redraw.
    QList<int> m_btnPages;
    QList<bool> m_btnCurrent;
};
