#pragma once

#include "dynfeed_export.h"

#include <QLineEdit>

/// The line edit of the feed: the host's context menu instead of Qt's, and, when made
/// clickable, a clicked() signal on mouse release. GUI thread only.
class DYNFEED_EXPORT KMLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    KMLineEdit(const QString &objectName, QWidget *parent);

    /// Off after construction; the page navigator leaves it off.
    void setClickable(bool clickable) { m_clickable = clickable; }
    bool isClickable() const { return m_clickable; }

signals:
    /// Declared for the host's edits; this class itself emits neither.
    void focusIn();
    void focusOut();
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    bool m_clickable = false;
};
