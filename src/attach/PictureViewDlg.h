#pragma once

#include "dynfeed_export.h"

#include <QString>

#include "CloudFileService.h"
#include "NFramelessDlg.h"

class KMToolButton;
class PictureViewLbl;
class QHBoxLayout;
class QMovie;
class QVBoxLayout;

/// The picture viewer: a frameless dialog that shows a waiting animation, then the large variant
/// of a cloud picture (cached as name_larger.suffix in a directory, downloaded when missing),
/// sized to the picture's shape and centred on the host's main widget. GUI thread only; the
/// cloud-file service calls back on the GUI thread.
class DYNFEED_EXPORT PictureViewDlg : public NFramelessDlg, public FileTransferSink
{
    Q_OBJECT
public:
    PictureViewDlg(const QString &picName, QString dir, QWidget *parent);
    /// Cancels a download still running.
    ~PictureViewDlg() override;

    void onResponse(qint64 done, qint64 total) override;
    void onFinished(int status, const QString &text) override;

public slots:
    /// Shows the picture at picPath in place of the animation and resizes the dialog to fit
    /// within 600 by 600 in the picture's proportions; nothing when there is no such file.
    void setPicturePath(QString picPath);

signals:
    void showed();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

protected slots:
    /// Loads the large picture: from the directory when it is there, else from the cloud.
    void onWidgetShow();

private:
    void releaseService();

    PictureViewLbl *m_pictureLbl = nullptr; // child
    QMovie *m_waitingMovie = nullptr; // child; the label only watches it (QPointer)
    QVBoxLayout *m_outerLayout = nullptr;
    QHBoxLayout *m_innerLayout = nullptr;
    KMToolButton *m_closeBtn = nullptr; // child, outside the layouts
    ICloudFileService *m_service = nullptr; // ours until release()
    ICloudFileTransfer *m_transfer = nullptr; // the service's; valid while it is held
    QString m_picName;
    QString m_dir;
    QString m_localPath;
    bool m_pictureShown = false;
};
