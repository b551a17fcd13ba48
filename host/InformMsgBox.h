#pragma once

#include "dynfeed_host_export.h"

#include <QMessageBox>

/// The host's information box. prompt() shows it without blocking and returns at once, so a
/// caller deep in the feed never waits for the user. GUI thread; calls from another thread are
/// handed to the GUI thread.
class DYNFEED_HOST_EXPORT InformMsgBox : public QMessageBox
{
    Q_OBJECT
public:
    /// Shows text (as plain text) in a non-modal box over parent; the box deletes itself when
    /// closed.
    static void prompt(const QString &text, QWidget *parent);

    /// The text of the newest prompt and how many prompts there were; for tests and logs.
    static QString lastPrompt();
    static int promptCount();
    /// The boxes shown and not yet closed, oldest first.
    static QList<InformMsgBox *> openBoxes();
    /// Closes every box still open.
    static void closeAll();

private:
    InformMsgBox(const QString &text, QWidget *parent);
};
