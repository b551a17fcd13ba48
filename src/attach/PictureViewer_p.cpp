#include "attach/PictureViewer_p.h"

#include <QDir>
#include <QPointer>
#include <QWidget>

#include "attach/PictureViewDlg.h"

void execPictureViewer(QWidget *origin, const QString &name)
{
    QWidget *hostWindow = origin->parentWidget();
    for (int step = 0; hostWindow && !hostWindow->inherits("KMDialogBase") && step < 11; ++step)
        hostWindow = hostWindow->parentWidget();

    // The modal loop runs arbitrary events: the host window (and origin) may be deleted in it,
    // and the viewer with its parent. Nothing is touched afterwards without a guard.
    QPointer<QWidget> host(hostWindow);
    QPointer<PictureViewDlg> viewer(
        new PictureViewDlg(name, QStringLiteral("%1/Vantor").arg(QDir::tempPath()), hostWindow));
    if (host)
        host->setWindowOpacity(0.0);
    viewer->exec();
    if (host)
        host->setWindowOpacity(1.0);
    delete viewer.data();
}
