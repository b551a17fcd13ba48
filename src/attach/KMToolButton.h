#pragma once

#include "dynfeed_export.h"

#include <QToolButton>

/// A raised-on-hover tool button styled by the host through its object name. GUI thread only.
class DYNFEED_EXPORT KMToolButton : public QToolButton
{
    Q_OBJECT
public:
    KMToolButton(const QString &objectName, QWidget *parent);
};
