#pragma once

#include "dynfeed_export.h"

#include <QPixmap>
#include <QSize>

#include "KMLabel.h"

/// A clickable label that shows a local file stretched to its size: the picture itself, or the
/// file-type tile icon of its suffix when it is not a picture. GUI thread only.
class DYNFEED_EXPORT PictureLabel : public KMLabel
{
    Q_OBJECT
public:
    enum FileType { Picture, OtherFile };

    explicit PictureLabel(QWidget *parent);
    PictureLabel(const QString &objectName, QWidget *parent);

    /// Picture when the suffix of path's file name is jpg, png, bmp or jpeg in any ASCII case.
    static FileType fileType(const QString &path);
    /// What showFile would show for path: the picture read in the format its first bytes give
    /// (its suffix when they name none), or the "_Shape" icon of its suffix. Null when the file
    /// cannot be read.
    static QPixmap loadFile(const QString &path);

    /// Shows loadFile(path) and returns the size of the loaded pixmap before scaling. Labels
    /// that show the same file share one pixmap, and one scaled copy per size.
    QSize showFile(const QString &path);

protected:
    /// Draws the pixmap scaled to the label, at the ratio painted with, from a copy shared
    /// through QPixmapCache instead of QLabel's two copies per label.
    void paintEvent(QPaintEvent *event) override;
    /// Enter and Return on a focused label that reports clicks act as a click on it.
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_resourcePath; // the resource shown, if it is one: drawn from its "@2x" where needed
};
