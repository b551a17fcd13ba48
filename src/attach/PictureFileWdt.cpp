#include "attach/PictureFileWdt.h"

#include <QFileInfo>
#include <QtDebug>

#include "attach/PictureViewer_p.h"
#include "attach/PlainToolTip.h"
#include "attach/SafeFileName.h"
#include "feed/Logging_p.h"

PictureFileWdt::PictureFileWdt(QWidget *parent)
    : PictureLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus); // Enter opens the tile, as a click does
}

PictureFileWdt::~PictureFileWdt()
{
    stopDownload();
}

void PictureFileWdt::setPicture(const QString &name, const QString &dir)
{
    stopDownload(); // the newest name wins
    m_localPath = QStringLiteral("%1%2").arg(dir, safeFileName(name));
    if (QFileInfo(m_localPath).isFile()) {
        showFile(m_localPath);
        return;
    }
    if (fileType(m_localPath) != Picture) {
        showFile(m_localPath);
        setToolTip(plainToolTip(name));
        return;
    }
    m_service = createCloudFileService(QString(), QString());
    m_transfer = m_service->downloadPicture(name, m_localPath, 0, this);
}

void PictureFileWdt::onResponse(qint64, qint64) { }

void PictureFileWdt::onFinished(int status, const QString &)
{
    if (status != TransferStatus_Finished)
        qCDebug(lcFiles).noquote() << "failed to download picture" << m_localPath;
    else if (QFileInfo(m_localPath).isFile()) {
        showFile(m_localPath);
        repaint();
    }
    m_transfer = nullptr; // ended: nothing to cancel
    stopDownload();
}

void PictureFileWdt::stopDownload()
{
    if (m_transfer)
        m_transfer->cancel();
    m_transfer = nullptr;
    if (m_service)
        m_service->release();
    m_service = nullptr;
}

void PictureFileWdt::onViewPicture(QVariant pathVar)
{
    const QString name = pathVar.toString();
    if (name.isEmpty() || fileType(name) != Picture)
        return;
    execPictureViewer(this, name);
}
