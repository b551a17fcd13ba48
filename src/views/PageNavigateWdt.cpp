#include "views/PageNavigateWdt.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVariant>

#include <cmath>

#include "KMLabel.h"
#include "attach/KMButton.h"
#include "views/GotoPageFrm.h"

namespace {

const int kPageButtons = 9;
const char kPageIndex[] = "page_index";

const QString &currentPageStyle()
{
    static const QString style
        = QStringLiteral("QPushButton{color:#4c4c4c;font:11pt \"微软雅黑\";width:30px;height:30px;"
                         "background-color:#e3edf6;border:1px solid #60b1e9;}");
    return style;
}

const QString &otherPageStyle()
{
    static const QString style = QStringLiteral(
        "QPushButton{color:#999999;font:11pt \"微软雅黑\";width:30px;height:30px;}");
    return style;
}

KMLabel *newEllipsis(QWidget *parent)
{
    auto *label = new KMLabel(QStringLiteral("PageNavigateWdt_apostropheLbl"), parent);
    label->setText(QStringLiteral("..."));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

PageNavigateWdt::PageNavigateWdt(QWidget *parent)
    : VTFrame(QStringLiteral("PageNavigateWdt"), parent)
    , m_mainLayout(new QHBoxLayout(this))
    , m_prevBtn(new KMButton(this))
    , m_nextBtn(new KMButton(this))
    , m_gotoFrm(new GotoPageFrm(this))
    , m_indexLayout(new QHBoxLayout)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    m_prevBtn->setMinimumWidth(70);
    connect(m_prevBtn, &KMButton::clicked, this, &PageNavigateWdt::onPreviousPage);
    m_nextBtn->setMinimumWidth(70);
    retranslate();
    connect(m_nextBtn, &KMButton::clicked, this, &PageNavigateWdt::onNextPage);
    connect(m_gotoFrm, &GotoPageFrm::gotoPage, this,
        static_cast<void (PageNavigateWdt::*)(int)>(&PageNavigateWdt::onGotoPage));

    for (int i = 0; i < kPageButtons; ++i) {
        auto *button = new KMButton(QStringLiteral("PageNavigateWdt_pageIdxBtn"), this);
        connect(button, &KMButton::clicked, this,
            static_cast<void (PageNavigateWdt::*)()>(&PageNavigateWdt::onGotoPage));
        m_pageBtns.append(button);
        m_btnPages.append(0);
        m_btnCurrent.append(false);
    }
    m_leftEllipsis = newEllipsis(this);
    m_rightEllipsis = newEllipsis(this);

    m_indexLayout->setSpacing(10);
    m_indexLayout->setContentsMargins(0, 0, 0, 0);
    m_indexLayout->addWidget(m_pageBtns.at(0));
    m_indexLayout->addWidget(m_leftEllipsis);
    for (int i = 1; i < kPageButtons - 1; ++i)
        m_indexLayout->addWidget(m_pageBtns.at(i));
    m_indexLayout->addWidget(m_rightEllipsis);
    m_indexLayout->addWidget(m_pageBtns.at(kPageButtons - 1));

    m_mainLayout->setSpacing(20);
    m_mainLayout->setContentsMargins(10, 10, 10, 10);
    m_mainLayout->addStretch();
    m_mainLayout->addWidget(m_prevBtn);
    m_mainLayout->addLayout(m_indexLayout);
    m_mainLayout->addWidget(m_gotoFrm);
    m_mainLayout->addWidget(m_nextBtn);
    m_mainLayout->addStretch();

    // Until the first redraw only the first page's button has a number.
    m_pageBtns.at(0)->setProperty(kPageIndex, 1);
    m_pageBtns.at(0)->setText(QStringLiteral("1"));
    m_btnPages[0] = 1;
    m_leftEllipsis->hide();
    m_rightEllipsis->hide();

    // Tab walks the controls as they are drawn, and Left and Right turn the page from any of
    // the buttons (a push button would only move the focus with them).
    QList<QWidget *> tabOrder { m_prevBtn };
    for (KMButton *button : qAsConst(m_pageBtns))
        tabOrder << button;
    tabOrder << m_gotoFrm << m_nextBtn;
    for (int i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));
    m_prevBtn->installEventFilter(this);
    m_nextBtn->installEventFilter(this);
    for (KMButton *button : qAsConst(m_pageBtns))
        button->installEventFilter(this);
}

void PageNavigateWdt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    VTFrame::changeEvent(event);
}

void PageNavigateWdt::retranslate()
{
    m_prevBtn->setText(tr("Previous Page"));
    m_nextBtn->setText(tr("Next Page"));
}

bool PageNavigateWdt::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            if (key == Qt::Key_Left)
                onPreviousPage();
            else
                onNextPage();
            return true;
        }
    }
    return VTFrame::eventFilter(watched, event);
}

void PageNavigateWdt::reset()
{
    m_msgNum = 0;
    m_currentPage = 1;
}

void PageNavigateWdt::setMsgNum(int msgNum)
{
    m_msgNum = msgNum;
    m_gotoFrm->setLastPage(pageCount());
    redraw();
}

void PageNavigateWdt::setCurrentPage(int page)
{
    onGotoPage(page);
}

int PageNavigateWdt::pageCount() const
{
    return int(std::ceil(double(m_msgNum) / m_pageSize));
}

void PageNavigateWdt::onPreviousPage()
{
    if (m_currentPage > 1)
        changePage(m_currentPage - 1);
}

void PageNavigateWdt::onNextPage()
{
    if (m_currentPage < pageCount())
        changePage(m_currentPage + 1);
}

void PageNavigateWdt::onGotoPage()
{
    if (const QObject *button = sender())
        changePage(button->property(kPageIndex).toInt());
}

void PageNavigateWdt::onGotoPage(int idx)
{
    changePage(idx);
}

void PageNavigateWdt::changePage(int page)
{
    m_currentPage = page;
    redraw();
    emit pageChanged(m_currentPage);
}

void PageNavigateWdt::redraw()
{
    const int pages = pageCount();
    const int current = m_currentPage;
    if (current < 1 || current > pages)
        return;

    const bool leftGap = current - 5 >= 1;
    const bool rightGap = current + 5 <= pages;
    m_prevBtn->setEnabled(current != 1);
    m_nextBtn->setEnabled(current != pages);

    if (pages <= kPageButtons) {
        for (int i = 0; i < kPageButtons; ++i)
            showPageOnButton(i, i + 1, pages);
        m_leftEllipsis->setVisible(false);
        m_rightEllipsis->setVisible(false);
        return;
    }
    m_leftEllipsis->setVisible(leftGap);
    m_rightEllipsis->setVisible(rightGap);
    showPageOnButton(0, 1, pages);
    for (int i = 1; i < kPageButtons - 1; ++i) {
        int page = 0;
        if (leftGap && rightGap)
            page = current - 4 + i;
        else if (rightGap)
            page = i + 1;
        else
            page = pages - 8 + i;
        showPageOnButton(i, page, pages);
    }
    showPageOnButton(kPageButtons - 1, pages, pages);
}

void PageNavigateWdt::showPageOnButton(int button, int page, int pages)
{
    KMButton *btn = m_pageBtns.at(button);
    if (m_btnPages.at(button) != page) {
        m_btnPages[button] = page;
        btn->setProperty(kPageIndex, page);
        btn->setText(QString::number(page));
    }
    const bool current = page == m_currentPage;
    if (btn->styleSheet().isEmpty() || m_btnCurrent.at(button) != current) {
        m_btnCurrent[button] = current;
        btn->setStyleSheet(current ? currentPageStyle() : otherPageStyle());
    }
    btn->setVisible(page <= pages);
}
