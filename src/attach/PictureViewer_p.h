#pragma once

#include <QString>

class QWidget;

/// Opens the picture viewer for the picture name over the window of origin: the nearest
/// ancestor of origin's parent that is a "KMDialogBase" (at most eleven steps up) is made
/// transparent while the modal viewer runs. Returns when the viewer is closed; origin may have
/// been destroyed by then. GUI thread only.
void execPictureViewer(QWidget *origin, const QString &name);
