#include "attach/FileDisplayWdt.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

#include "CloudFileService.h"
#include "InformMsgBox.h"
#include "KMLabel.h"
#include "attach/PictureFileWdt.h"
#include "attach/PlainToolTip.h"
#include "attach/SafeFileName.h"
#include "attach/ViewFileSink.h"

namespace {

constexpr int kDefaultEdge = 100;

} // namespace

FileDisplayWdt::FileDisplayWdt(const QString &fileId, const QString &fileName, QWidget *parent)
    : QFrame(parent)
    , m_fileName(QFileInfo(fileName).fileName())
    , m_fileId(fileId)
{
    setObjectName(QStringLiteral("FileDisplayWdt"));
    setMouseTracking(true);
    setContentsMargins(0, 5, 10, 0);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(5);

    m_picLbl = new PictureFileWdt(this);
    m_picLbl->setObjectName(QStringLiteral("FileDisplayWdt_picLbl"));
    m_picLbl->setProperty("filepath", fileName);
    // Sized before the picture is set, so that the icon is scaled once for every tile.
    m_picLbl->setFixedSize(kDefaultEdge, kDefaultEdge);
    // A picture's name is not read as a local path (it comes from a message): the placeholder
    // shows until its thumbnail arrives. Any other name only picks its type's icon.
    const bool picture = PictureLabel::fileType(fileName) == PictureLabel::Picture;
    m_picLbl->showFile(picture ? QStringLiteral(":/icon/resources/images/thumb.png") : fileName);
    m_layout->addWidget(m_picLbl);

    if (PictureLabel::fileType(fileId) == PictureLabel::Picture) {
        m_picLbl->setPicture(fileId, QDir::tempPath() + QLatin1Char('/'));
        m_picLbl->setData(fileId);
        m_picLbl->connectClickedData(m_picLbl, "onViewPicture(QVariant)");
    } else {
        m_picLbl->connectClicked(this, "openFile()");
    }
    m_picLbl->setCursor(Qt::PointingHandCursor);
}

FileDisplayWdt::~FileDisplayWdt()
{
    // Released in any case: a transfer that reported its last byte may still owe its end, and
    // no callback may reach the sink, which goes with this tile.
    if (m_transfer && (!m_progress || m_progress->value() != 100))
        m_transfer->cancel();
    m_transfer = nullptr;
    if (m_service)
        m_service->release();
}

void FileDisplayWdt::setDisplayOnly()
{
    disconnect(m_picLbl, SIGNAL(clicked()), this, SLOT(openFile()));
    m_picLbl->setCursor(Qt::ArrowCursor);
    m_closeHidden = true;
}

void FileDisplayWdt::setPictureSize(int w, int h)
{
    m_picLbl->setFixedSize(w, h);
    m_picLbl->resize(w, h);
    m_picLbl->adjustSize();
}

void FileDisplayWdt::setProgress(int percent)
{
    if (!m_progress) {
        m_progress = new QProgressBar(this);
        m_progress->setObjectName(QStringLiteral("FileDisplayWdt_progress"));
        m_progress->setRange(0, 100);
        m_progress->setOrientation(Qt::Horizontal);
        m_progress->setTextVisible(false);
        m_progress->setFixedHeight(6);
        m_layout->addWidget(m_progress);
    }
    m_progress->setValue(percent);
    m_progress->setVisible(percent != 100);
}

QString FileDisplayWdt::localFilePath(const QString &fileName)
{
    return QStringLiteral("%1/Vantor/file/%2")
        .arg(QDir::tempPath(), safeFileName(QFileInfo(fileName).fileName()));
}

bool FileDisplayWdt::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Enter:
        // Set on first hover only: a tool tip costs every tile memory.
        if (toolTip().isEmpty())
            setToolTip(plainToolTip(m_fileName));
        if (!m_closeHidden) {
            if (!m_closeLbl) {
                m_closeLbl = new KMLabel(QStringLiteral("FileDisplayWdt_m_close"), this);
                m_closeLbl->setCursor(Qt::PointingHandCursor);
                m_closeLbl->connectClicked(
                    this, [this] { emit removeWdt(this); }, Qt::QueuedConnection);
                m_closeLbl->move(m_picLbl->width() - 10, 0);
            }
            m_closeLbl->show();
        }
        break;
    case QEvent::Leave:
        if (m_closeLbl)
            m_closeLbl->hide();
        break;
    default:
        break;
    }
    return QFrame::event(event);
}

void FileDisplayWdt::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    if (m_closeLbl)
        m_closeLbl->move(m_picLbl->width() - 10, 0);
}

void FileDisplayWdt::openFile()
{
    const QString localPath = localFilePath(m_fileName);
    if (QFileInfo(localPath).isFile()) {
        if (!ViewFileSink::openLocalFile(localPath))
            InformMsgBox::prompt(QStringLiteral("不支持的文件格式!"), this);
        return;
    }
    const QPointer<FileDisplayWdt> self(this);
    auto *sink = new ViewFileSink(
        localPath,
        [self](int percent) {
            if (self)
                self->setProgress(percent);
        },
        this);
    connect(sink, &ViewFileSink::transferEnd, this, &FileDisplayWdt::transferEnd);
    if (!m_service)
        m_service = createCloudFileService(QString(), QString());
    m_transferring = true;
    m_transfer = m_service->downloadFile(m_fileId, localPath, sink);
}

void FileDisplayWdt::transferEnd()
{
    m_transferring = false;
}
