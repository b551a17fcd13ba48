#include "attach/DldPictureLabel.h"

#include <QFileInfo>
#include <QtDebug>

#include "attach/PictureViewer_p.h"
#include "attach/PlainToolTip.h"
#include "attach/SafeFileName.h"
#include "feed/Logging_p.h"

DldPictureLabel::DldPictureLabel(QWidget *parent)
    : PictureLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus); // Enter opens it, as a click does
}

DldPictureLabel::~DldPictureLabel()
{
    stopDownload();
}

void DldPictureLabel::setPicture(const QString &name, const QString &dir)
{
    stopDownload(); // the newest name wins
    m_localPath = QStringLiteral("%1/%2").arg(dir, safeFileName(name));
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

void DldPictureLabel::onResponse(qint64, qint64) { }

void DldPictureLabel::onFinished(int status, const QString &)
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

void DldPictureLabel::stopDownload()
{
    if (m_transfer)
        m_transfer->cancel();
    m_transfer = nullptr;
    if (m_service)
        m_service->release();
    m_service = nullptr;
}

void DldPictureLabel::onViewPicture(QVariant pathVar)
{
    if (fileType(m_localPath) != Picture)
        return;
    const QString name = pathVar.toString();
    if (name.isEmpty())
        return;
    execPictureViewer(this, name);
}
