#pragma once

#include <QPixmap>
#include <QString>

class QPainter;
class QSize;

/// The device pixels per logical pixel that painter draws with: the screen's ratio on screen,
/// the target's when a widget is rendered into a picture of another ratio.
qreal paintRatio(const QPainter &painter);

/// The resource at path with enough pixels for ratio: its "@2x" variant when there is one and
/// ratio asks for it, else path itself. Loaded once per variant (QPixmapCache).
QPixmap resourceForRatio(const QString &path, qreal ratio);

/// source scaled to logical size at ratio (size * ratio device pixels, that device pixel ratio),
/// shared through QPixmapCache under key and the ratio.
QPixmap scaledForRatio(const QPixmap &source, const QSize &size, qreal ratio, const QString &key);
