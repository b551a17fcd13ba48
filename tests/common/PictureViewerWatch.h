#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QTimer>

#include <functional>

class PictureViewDlg;
class QWidget;

/// Lets a test drive the modal picture viewer: while it lives, every viewer that opens is noted
/// and closed with its own close button, from inside the viewer's modal loop.
class PictureViewerWatch : public QObject
{
    Q_OBJECT
public:
    /// What a viewer looked like just before it was closed.
    struct Seen
    {
        QSize size;
        QPoint pos;
        QPointer<QWidget> parent;
        qreal parentOpacity = -1; // -1: no parent
        bool showsPicture = false; // the animation was replaced
    };

    /// ready decides when a viewer may be closed (by default at once).
    explicit PictureViewerWatch(std::function<bool(PictureViewDlg *)> ready = {});

    QList<Seen> seen;

private:
    void poll();

    std::function<bool(PictureViewDlg *)> m_ready;
    QTimer m_timer;
};
