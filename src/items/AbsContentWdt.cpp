#include "items/AbsContentWdt.h"

#include <QVBoxLayout>

AbsContentWdt::AbsContentWdt(const QVariantHash &content, QWidget *parent)
    : QFrame(parent)
    , m_content(content)
{ }

void AbsContentWdt::setExtraData(const QVariantHash &extra)
{
    m_extra = extra;
}

void AbsContentWdt::setHostWidget(QWidget *hostWidget)
{
    m_hostWidget = hostWidget;
}

QWidget *AbsContentWdt::hostWidget() const
{
    return m_hostWidget;
}

bool AbsContentWdt::onSynTaskNotify(const QVariantHash &)
{
    return false;
}

void AbsContentWdt::createContentLayout()
{
    if (m_contentLayout)
        return;
    m_contentLayout = new QVBoxLayout(this);
    m_contentLayout->setContentsMargins(30, 20, 30, 20);
    m_contentLayout->setSpacing(10);
}

void AbsContentWdt::addContentWidget(QWidget *widget)
{
    if (m_contentLayout && widget)
        m_contentLayout->addWidget(widget);
}

void AbsContentWdt::removeContentWidget(QWidget *widget)
{
    if (m_contentLayout && widget)
        m_contentLayout->removeWidget(widget);
}

void AbsContentWdt::moveToBottomRight(QWidget *widget, int dx, int dy)
{
    if (!widget)
        return;
    const QRect area = rect();
    widget->move(area.right() - widget->width() - dx, area.bottom() - widget->height() - dy);
}
