#include "NFramelessDlg.h"

#include <QMouseEvent>

NFramelessDlg::NFramelessDlg(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{ }

void NFramelessDlg::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    if (!m_dragging)
        m_trackedBeforeDrag = hasMouseTracking();
    m_dragging = true;
    m_pressOffset = event->globalPos() - frameGeometry().topLeft();
    // Moves must reach us even where the platform reports them without the pressed button.
    setMouseTracking(true);
    event->accept();
}

void NFramelessDlg::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    move(event->globalPos() - m_pressOffset);
    event->accept();
}

void NFramelessDlg::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    endDrag();
    event->accept();
}

void NFramelessDlg::hideEvent(QHideEvent *event)
{
    // A release that arrives after the dialog went away must not leave it dragging.
    if (m_dragging)
        endDrag();
    QDialog::hideEvent(event);
}

void NFramelessDlg::endDrag()
{
    m_dragging = false;
    setMouseTracking(m_trackedBeforeDrag);
}
