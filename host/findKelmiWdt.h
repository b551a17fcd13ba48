#pragma once

#include "dynfeed_host_export.h"

#include <QString>

class QWidget;

/// The host's main widget: the ancestor of widget, or failing that the top-level widget, whose
/// object name is name (the host's is "Kelmi"); when there is none, the window of widget.
/// Null only when widget is null and no top-level widget has the name. GUI thread only.
DYNFEED_HOST_EXPORT QWidget *findKelmiWdt(const QString &name, QWidget *widget);
