#include "attach/KMButton.h"

KMButton::KMButton(QWidget *parent)
    : QPushButton(parent)
{
    setup(QStringLiteral("KMButton"));
}

KMButton::KMButton(const QString &objectName, QWidget *parent)
    : QPushButton(parent)
{
    setup(objectName);
}

void KMButton::setup(const QString &objectName)
{
    setObjectName(objectName);
    setFlat(true);
    setAutoFillBackground(true);
}
