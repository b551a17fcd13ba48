#pragma once

#include "dynfeed_host_export.h"

#include <QMenu>

class QContextMenuEvent;
class QLineEdit;

/// The host's context menu for line edits: Undo, Redo, Cut, Copy, Paste, Delete and Select All,
/// each enabled only when it can act on the edit. GUI thread only.
class DYNFEED_HOST_EXPORT VTRightClickMenu : public QMenu
{
    Q_OBJECT
public:
    /// Pops the menu up at the event's global position without waiting for a choice, and
    /// accepts the event. The menu belongs to the edit and deletes itself once closed.
    /// Returns it, or null when edit or event is missing.
    static VTRightClickMenu *popupRightClickMenu(QLineEdit *edit, QContextMenuEvent *event);

private:
    explicit VTRightClickMenu(QLineEdit *edit);
};
