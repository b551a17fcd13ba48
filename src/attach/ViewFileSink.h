#pragma once

#include "dynfeed_export.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

#include "CloudFileService.h"

/// The download of a file to open: reports progress as a percentage and, when the file has
/// arrived, opens it with its default program; says so when that fails, or when the download is
/// cancelled or fails. A child of the tile it reports to, so it goes with it; it deletes itself
/// after its one onFinished. GUI thread only; the cloud-file service calls back on it.
class DYNFEED_EXPORT ViewFileSink : public QObject, public FileTransferSink
{
    Q_OBJECT
public:
    ViewFileSink(const QString &localPath, std::function<void(int)> progress, QWidget *parent);

    void onResponse(qint64 done, qint64 total) override;
    void onFinished(int status, const QString &text) override;

    /// Opens the file with the program the system has for its type: the shell's "open" verb on
    /// Windows, the desktop's handler elsewhere. False when nothing would open it.
    static bool openLocalFile(const QString &path);

signals:
    void transferEnd();

private:
    const QString m_localPath;
    const std::function<void(int)> m_progress;
    const QPointer<QWidget> m_messageParent;
};
