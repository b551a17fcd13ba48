#pragma once

#include "dynfeed_export.h"

#include <QPushButton>

/// The module's flat push button; its look comes from the host's style sheet, which finds it by
/// object name ("KMButton" unless another is given). GUI thread only.
class DYNFEED_EXPORT KMButton : public QPushButton
{
    Q_OBJECT
public:
    explicit KMButton(QWidget *parent);
    KMButton(const QString &objectName, QWidget *parent);

protected:
    /// Enter and Return press the focused button, as Space does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setup(const QString &objectName);
};
