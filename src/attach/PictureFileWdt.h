#pragma once

#include "dynfeed_export.h"

#include <QVariant>

#include "CloudFileService.h"
#include "attach/PictureLabel.h"

/// The picture of a file tile: shows the cached file, fetching a picture's thumbnail first when
/// it is missing; a click opens the viewer. GUI thread only; the cloud-file service calls back on
/// the GUI thread.
class DYNFEED_EXPORT PictureFileWdt : public PictureLabel, public FileTransferSink
{
    Q_OBJECT
public:
    explicit PictureFileWdt(QWidget *parent);
    /// Cancels a download still running.
    ~PictureFileWdt() override;

    /// As DldPictureLabel::setPicture, but the file is dir followed directly by name: dir ends
    /// in a separator.
    void setPicture(const QString &name, const QString &dir);

    void onResponse(qint64 done, qint64 total) override;
    void onFinished(int status, const QString &text) override;

private slots:
    /// Opens the viewer, modally, for the picture named by pathVar; nothing for an empty name
    /// or one that is no picture.
    void onViewPicture(QVariant pathVar);

private:
    /// Cancels a running download and releases the service.
    void stopDownload();

    ICloudFileService *m_service = nullptr; // ours until release()
    ICloudFileTransfer *m_transfer = nullptr; // the service's; valid while it is held
    QString m_localPath;
};
