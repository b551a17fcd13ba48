#include "items/TaskInfoLayout.h"

#include <QLabel>
#include <QPixmap>
#include <QPixmapCache>
#include <QSpacerItem>

#include "items/ItemLabel_p.h"

TaskInfoLayout::TaskInfoLayout(const QString &objectName, QWidget *parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(10);
    m_iconLbl = new QLabel(parent);
    // The icons are drawn at 16 by 16: shown as they are, with no scaled copy per label.
    m_iconLbl->setFixedSize(16, 16);
    m_textLbl = new ItemLabel(objectName, parent);
    m_textLbl->setWordWrap(true);
    addWidget(m_iconLbl);
    addWidget(m_textLbl);
    addItem(new QSpacerItem(100, 20, QSizePolicy::Fixed, QSizePolicy::Minimum));
}

void TaskInfoLayout::setText(const QString &text)
{
    m_textLbl->setText(text);
}

void TaskInfoLayout::setIcon(const QString &path)
{
    QPixmap icon;
    if (!QPixmapCache::find(path, &icon)) {
        icon.load(path);
        if (icon.size() != m_iconLbl->size() && !icon.isNull())
            icon = icon.scaled(m_iconLbl->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QPixmapCache::insert(path, icon);
    }
    m_iconLbl->setPixmap(icon);
}
