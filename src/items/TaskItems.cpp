#include "items/TaskItems_p.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPointer>

#include "attach/DldPictureLabel.h"
#include "attach/FileDisplayWdt.h"
#include "attach/PictureViewDlg.h"
#include "feed/DynDataController.h"
#include "items/AbsContentWdt.h"

namespace TaskItems {

QString feedTempDir()
{
    if (!DynDataController::s_dynTmpDir.isEmpty())
        return DynDataController::s_dynTmpDir;
    return QStringLiteral("%1/Vantor").arg(QDir::tempPath());
}

void addAttachment(
    QHBoxLayout *strip, const QString &fileName, const QString &fileId, AbsContentWdt *owner)
{
    constexpr int kEdge = 100;
    if (PictureLabel::fileType(fileName) == PictureLabel::Picture) {
        auto *picture = new DldPictureLabel(owner);
        picture->setFixedSize(kEdge, kEdge);
        picture->showFile(kThumbPlaceholder);
        picture->setPicture(fileName, feedTempDir());
        picture->setData(QVariant(fileName));
        picture->connectClickedData(owner, "onViewPicture(QVariant)", Qt::QueuedConnection);
        strip->addWidget(picture);
        return;
    }
    // In an item a tile only shows its file; one whose id is a picture still opens the viewer.
    auto *tile = new FileDisplayWdt(fileId, fileName, owner);
    tile->setDisplayOnly();
    tile->setPictureSize(kEdge, kEdge);
    strip->addWidget(tile);
}

void viewPicture(const QString &name, QWidget *host)
{
    if (name.isEmpty())
        return;
    QPointer<PictureViewDlg> viewer(new PictureViewDlg(name, feedTempDir(), host));
    viewer->exec();
    delete viewer.data();
}

} // namespace TaskItems
