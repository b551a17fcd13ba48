#include "attach/KMToolButton.h"

KMToolButton::KMToolButton(const QString &objectName, QWidget *parent)
    : QToolButton(parent)
{
    setObjectName(objectName);
    setAutoRaise(true);
    setAutoFillBackground(true);
}
