#include "views/KMLineEdit.h"

#include "VTRightClickMenu.h"

KMLineEdit::KMLineEdit(const QString &objectName, QWidget *parent)
    : QLineEdit(parent)
{
    setObjectName(objectName);
}

void KMLineEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (m_clickable)
        emit clicked();
}

void KMLineEdit::contextMenuEvent(QContextMenuEvent *event)
{
    VTRightClickMenu::popupRightClickMenu(this, event);
}
