#pragma once

#include "dynfeed_export.h"

#include <QFrame>
#include <QString>

class ICloudFileService;
class ICloudFileTransfer;
class KMLabel;
class PictureFileWdt;
class QProgressBar;
class QVBoxLayout;

/// One tile of a file attachment: the picture's thumbnail or the file type's icon, the name as
/// tool tip, and a progress bar while the file is fetched. A click on a picture opens the
/// viewer; on any other file it fetches the file into the temporary directory (unless it is
/// there) and opens it with its default program, unless the tile is display only. The name
/// label (the name elided to 70 pixels) and the close label exist but stay hidden: nothing
/// offers to remove a tile. GUI thread only.
///
/// A name from a message is never read as a local path: a picture's name shows the thumbnail
/// placeholder until its thumbnail has arrived (instead of the picture at that path), any other
/// name only picks its type's icon.
class DYNFEED_EXPORT FileDisplayWdt : public QFrame
{
    Q_OBJECT
public:
    /// fileId is the cloud file id, fileName the name shown and stored under.
    FileDisplayWdt(const QString &fileId, const QString &fileName, QWidget *parent);
    /// Stops a download still running.
    ~FileDisplayWdt() override;

    /// A tile that only shows: a click no longer fetches and opens the file (a picture still
    /// opens the viewer).
    void setDisplayOnly();
    void setPictureSize(int w, int h);
    /// Shows the progress bar at percent; it goes again at 100.
    void setProgress(int percent);

    /// Where a file of that name is kept once fetched: Vantor/file in the temporary directory,
    /// under the name's file-name part, made safe when it could leave the folder.
    static QString localFilePath(const QString &fileName);

signals:
    void removeWdt(FileDisplayWdt *fileDisplayWdt);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    /// Opens the file, fetching it first when it is not kept yet.
    void openFile();
    void transferEnd();

private:
    QVBoxLayout *m_layout = nullptr;
    QProgressBar *m_progress = nullptr; // child; hidden until a download reports
    KMLabel *m_nameLbl = nullptr; // child; hidden
    QString m_fileName;
    KMLabel *m_closeLbl = nullptr; // child; hidden
    PictureFileWdt *m_picLbl = nullptr; // child
    QString m_fileId;
    ICloudFileService *m_service = nullptr; // ours until release()
    ICloudFileTransfer *m_transfer = nullptr; // the service's; valid while it is held
    bool m_closeHidden = true; // nothing in the feed offers to remove a tile
    bool m_transferring = false;
};
