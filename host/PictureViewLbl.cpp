#include "PictureViewLbl.h"

#include <QPainter>
#include <QStyle>

PictureViewLbl::PictureViewLbl(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("PictureViewLbl"));
    setAlignment(Qt::AlignCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize PictureViewLbl::minimumSizeHint() const
{
    // QLabel would ask for the whole pixmap; the viewer sizes itself and we scale to fit.
    if (!pixmap(Qt::ReturnByValue).isNull())
        return QSize(1, 1);
    return QLabel::minimumSizeHint();
}

QRect PictureViewLbl::pictureRect() const
{
    const QPixmap picture = pixmap(Qt::ReturnByValue);
    if (picture.isNull())
        return QRect();
    const QRect area = contentsRect();
    QSize size = picture.size() / picture.devicePixelRatio();
    if (size.width() > area.width() || size.height() > area.height())
        size.scale(area.size(), Qt::KeepAspectRatio);
    return QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, size, area);
}

void PictureViewLbl::paintEvent(QPaintEvent *event)
{
    const QPixmap picture = pixmap(Qt::ReturnByValue);
    if (picture.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    // The frame and style sheet background still come from QFrame.
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(pictureRect(), picture);
}
