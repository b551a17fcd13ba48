#pragma once

#include "dynfeed_export.h"

#include <QVariant>

#include "CloudFileService.h"
#include "attach/PictureLabel.h"

/// A thumbnail of a cloud picture: shows the cached file in a directory, or fetches it there
/// first while the placeholder shown before stays. GUI thread only; the cloud-file service calls
/// back on the GUI thread.
class DYNFEED_EXPORT DldPictureLabel : public PictureLabel, public FileTransferSink
{
    Q_OBJECT
public:
    explicit DldPictureLabel(QWidget *parent);
    /// Cancels a download still running.
    ~DldPictureLabel() override;

    /// Shows dir/name when it is there; a name that is no picture shows its type's icon with the
    /// name as tool tip; otherwise the thumbnail is downloaded to dir/name. Call once. A name
    /// that could leave dir is stored under a safe name instead.
    void setPicture(const QString &name, const QString &dir);

    void onResponse(qint64 done, qint64 total) override;
    void onFinished(int status, const QString &text) override;

private slots:
    /// Opens the viewer, modally, for the picture named by pathVar when this label shows one.
    void onViewPicture(QVariant pathVar);

private:
    /// Cancels a running download and releases the service.
    void stopDownload();

    ICloudFileService *m_service = nullptr; // ours until release()
    ICloudFileTransfer *m_transfer = nullptr; // the service's; valid while it is held
    QString m_localPath;
};
