#include "items/TaskItems_p.h"

#include <QDir>
#include <QHBoxLayout>

#include "attach/DldPictureLabel.h"
#include "attach/FileDisplayWdt.h"
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
    // Left clickable, unlike a display-only tile: on site the feed is where a drawing or a
    // report is opened from.
    auto *tile = new FileDisplayWdt(fileId, fileName, owner);
    tile->setPictureSize(kEdge, kEdge);
    strip->addWidget(tile);
}

} // namespace TaskItems
