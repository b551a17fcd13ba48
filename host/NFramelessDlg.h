#pragma once

#include "dynfeed_host_export.h"

#include <QDialog>
#include <QPoint>

/// A dialog without a window frame that the user moves by dragging its background with the left
/// button. Children that take the press themselves (buttons) do not start a drag. GUI thread only.
class DYNFEED_HOST_EXPORT NFramelessDlg : public QDialog
{
    Q_OBJECT
public:
    explicit NFramelessDlg(QWidget *parent);

    bool isDragging() const { return m_dragging; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool m_dragging = false;
    QPoint m_pressOffset; // from the window's top left corner to the press, global coordinates
};
