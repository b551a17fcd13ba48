#include "attach/PictureViewDlg.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QMovie>
#include <QPixmap>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <QtDebug>

#include <utility>

#include "PictureViewLbl.h"
#include "attach/KMToolButton.h"
#include "attach/PictureLabel.h"
#include "attach/SafeFileName.h"
#include "feed/Logging_p.h"
#include "findKelmiWdt.h"

namespace {

/// a1b2.jpg -> a1b2_larger.jpg; a name without a dot stays as it is.
QString largeName(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return name;
    return QString(name).insert(dot, QLatin1String("_larger"));
}

} // namespace

PictureViewDlg::PictureViewDlg(const QString &picName, QString dir, QWidget *parent)
    : NFramelessDlg(parent)
    , m_picName(picName)
    , m_dir(std::move(dir))
{
    m_pictureLbl = new PictureViewLbl(this);
    m_pictureLbl->setObjectName(QStringLiteral("PictureViewDlg_pictureLbl"));
    m_waitingMovie
        = new QMovie(QStringLiteral(":/icon/resources/images/waiting.gif"), QByteArray(), this);
    m_pictureLbl->setMovie(m_waitingMovie);

    m_innerLayout = new QHBoxLayout;
    m_innerLayout->addStretch();
    m_innerLayout->addWidget(m_pictureLbl);
    m_innerLayout->addStretch();
    m_outerLayout = new QVBoxLayout(this);
    m_outerLayout->setContentsMargins(5, 5, 5, 5);
    m_outerLayout->addStretch();
    m_outerLayout->addLayout(m_innerLayout);
    m_outerLayout->addStretch();
    m_waitingMovie->start();

    m_closeBtn = new KMToolButton(QStringLiteral("PictureViewDlg_closeBtn"), this);
    m_closeBtn->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_closeBtn->setIcon(QIcon(QStringLiteral(":/icon/resources/images/picture_close.png")));
    m_closeBtn->setFixedSize(20, 20);
    connect(m_closeBtn, &QToolButton::clicked, this, &QDialog::accept);

    connect(this, &PictureViewDlg::showed, this, &PictureViewDlg::onWidgetShow);

    setMinimumSize(200, 200);
    resize(500, 500);
}

PictureViewDlg::~PictureViewDlg()
{
    if (m_transfer)
        m_transfer->cancel();
    m_transfer = nullptr;
    releaseService();
}

void PictureViewDlg::onResponse(qint64, qint64) { }

void PictureViewDlg::onFinished(int status, const QString &)
{
    if (status != TransferStatus_Finished)
        qCDebug(lcFiles).noquote() << "failed to download picture" << m_localPath;
    else
        setPicturePath(m_localPath);
    m_transfer = nullptr;
    releaseService();
}

void PictureViewDlg::setPicturePath(QString picPath)
{
    if (!QFileInfo(picPath).isFile())
        return;

    if (!m_pictureShown) {
        // Without the stretches above and below, the picture row takes the whole height.
        delete m_outerLayout->takeAt(2);
        delete m_outerLayout->takeAt(0);
        m_pictureShown = true;
    }

    const QPixmap pixmap = PictureLabel::loadFile(picPath);
    m_waitingMovie->stop();
    m_pictureLbl->setPixmap(pixmap);

    const QSize size = pixmap.size();
    QSize fitted(qRound(size.width() / 100.0), qRound(size.height() / 100.0));
    // A side of 0 leaves the target size itself (600 by 600).
    fitted.scale(600, 600, Qt::KeepAspectRatio);
    resize(fitted);
}

void PictureViewDlg::showEvent(QShowEvent *event)
{
    NFramelessDlg::showEvent(event);
    emit showed();
}

void PictureViewDlg::resizeEvent(QResizeEvent *event)
{
    NFramelessDlg::resizeEvent(event);

    QWidget *host = findKelmiWdt(QStringLiteral("Kelmi"), this);
    if (host && host != this) {
        move(host->x() + host->width() / 2 - width() / 2,
            host->y() + host->height() / 2 - height() / 2);
    }

    const QRect area = rect();
    m_closeBtn->move(area.right() - m_closeBtn->width() - 10, area.top() + 10);
    m_closeBtn->raise();
    m_closeBtn->repaint();
}

void PictureViewDlg::onWidgetShow()
{
    if (m_pictureShown || m_service)
        return; // shown again: the picture is there or on its way
    m_localPath = QStringLiteral("%1/%2").arg(m_dir, largeName(safeFileName(m_picName)));
    if (QFileInfo(m_localPath).isFile()) {
        setPicturePath(m_localPath);
        return;
    }
    m_service = createCloudFileService(QString(), QString());
    m_transfer = m_service->downloadPicture(m_picName, m_localPath, 2, this);
}

void PictureViewDlg::releaseService()
{
    if (m_service)
        m_service->release();
    m_service = nullptr;
}
