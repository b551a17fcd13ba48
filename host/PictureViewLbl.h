#pragma once

#include "dynfeed_host_export.h"

#include <QLabel>

/// The picture area of a picture viewer: a pixmap is drawn centred and, when larger than the
/// area, scaled down keeping its aspect ratio; a movie or text shows as in a plain label.
/// A large picture never makes the area ask for more room than it is given. GUI thread only.
class DYNFEED_HOST_EXPORT PictureViewLbl : public QLabel
{
    Q_OBJECT
public:
    explicit PictureViewLbl(QWidget *parent);

    QSize minimumSizeHint() const override;

    /// Where the current pixmap is drawn in the label's coordinates; empty without a pixmap.
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
