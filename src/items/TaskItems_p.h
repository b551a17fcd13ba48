#pragma once

#include <QLatin1String>
#include <QString>

class AbsContentWdt;
class QHBoxLayout;
class QWidget;

/// What the task and task report items share: the voice suffix and the attachment strip.
namespace TaskItems {

/// A description or report in this form is the location of a voice note (matched exactly).
constexpr QLatin1String kVoiceSuffix(".amr");
/// The placeholder a thumbnail shows until it has arrived.
constexpr QLatin1String kThumbPlaceholder(":/icon/resources/images/thumb.png");

/// The feed's temporary directory: the controller's, or where the controller puts it when no
/// feed has been opened yet (a folder must never be empty: files would land in the root).
QString feedTempDir();

/// Adds one attachment to the strip: a thumbnail of 100 by 100 that opens the viewer through
/// owner's onViewPicture(QVariant) for a picture, else a display-only file tile of 100 by 100.
/// GUI thread only.
void addAttachment(
    QHBoxLayout *strip, const QString &fileName, const QString &fileId, AbsContentWdt *owner);

/// Opens the picture viewer over host for a picture of the feed, modally; an empty name does
/// nothing. The modal loop may delete the item that asked: the dialog is guarded and deleted here.
void viewPicture(const QString &name, QWidget *host);

} // namespace TaskItems
