#include "common/PictureViewerWatch.h"

#include <QApplication>
#include <QLabel>
#include <QToolButton>

#include "attach/PictureViewDlg.h"

PictureViewerWatch::PictureViewerWatch(std::function<bool(PictureViewDlg *)> ready)
    : m_ready(std::move(ready))
{
    connect(&m_timer, &QTimer::timeout, this, &PictureViewerWatch::poll);
    m_timer.start(5);
}

void PictureViewerWatch::poll()
{
    // Guarded: ready() may delete windows, viewers among them.
    QList<QPointer<PictureViewDlg>> viewers;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (auto *viewer = qobject_cast<PictureViewDlg *>(window))
            viewers.append(viewer);
    }
    for (const QPointer<PictureViewDlg> &viewer : qAsConst(viewers)) {
        if (!viewer || !viewer->isVisible() || (m_ready && !m_ready(viewer)) || !viewer)
            continue;
        Seen entry;
        entry.size = viewer->size();
        entry.pos = viewer->pos();
        entry.parent = viewer->parentWidget();
        if (entry.parent)
            entry.parentOpacity = entry.parent->windowOpacity();
        if (const auto *area
            = viewer->findChild<QLabel *>(QStringLiteral("PictureViewDlg_pictureLbl")))
            entry.showsPicture = !area->pixmap(Qt::ReturnByValue).isNull() && !area->movie();
        seen.append(entry);
        if (auto *close
            = viewer->findChild<QToolButton *>(QStringLiteral("PictureViewDlg_closeBtn")))
            close->click();
    }
}
