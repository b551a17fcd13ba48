#include "findKelmiWdt.h"

#include <QApplication>
#include <QWidget>

QWidget *findKelmiWdt(const QString &name, QWidget *widget)
{
    for (QWidget *ancestor = widget; ancestor; ancestor = ancestor->parentWidget()) {
        if (ancestor->objectName() == name)
            return ancestor;
    }

    // A dialog may hang off another window than the main one; look among all windows,
    // preferring one that is shown.
    QWidget *hidden = nullptr;
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        const QWidgetList topLevels = QApplication::topLevelWidgets();
        for (QWidget *topLevel : topLevels) {
            if (topLevel->objectName() != name)
                continue;
            if (topLevel->isVisible())
                return topLevel;
            if (!hidden)
                hidden = topLevel;
        }
    }
    if (hidden)
        return hidden;
    return widget ? widget->window() : nullptr;
}
