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
    m_dragging = true;
    m_pressOffset = event->globalPos() - frameGeometry().topLeft();
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
    m_dragging = false;
    event->accept();
}

void NFramelessDlg::hideEvent(QHideEvent *event)
{
    // A release that arrives after the dialog went away must not leave it dragging.
    m_dragging = false;
    QDialog::hideEvent(event);
}
