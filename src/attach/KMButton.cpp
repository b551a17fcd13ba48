#include "attach/KMButton.h"

#include <QKeyEvent>

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

void KMButton::keyPressEvent(QKeyEvent *event)
{
    // A push button outside a dialog ignores Enter; the feed's buttons act on it.
    if ((event->key() == Qt::Key_Enter || event->key() == Qt::Key_Return) && isEnabled()) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}
