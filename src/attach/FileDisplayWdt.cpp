#include "attach/FileDisplayWdt.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
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

constexpr int kNameWidth = 70;

/// The width of "...", measured with the font of the first label that needs it and used for
/// every label after.
int ellipsisWidth(const QFontMetrics &metrics)
{
    static const int width = metrics.horizontalAdvance(QStringLiteral("..."));
    return width;
}

/// text cut to what fits width pixels on lines lines, followed by "...": the characters kept are
/// in proportion to the room left beside the "..."s.
QString elideText(const QString &text, const QFontMetrics &metrics, int width, int lines)
{
    const int textWidth = metrics.horizontalAdvance(text);
    if (textWidth < width * lines || textWidth == 0)
        return text;
    const qint64 kept
        = qint64(text.size()) * (width * lines - ellipsisWidth(metrics) * lines) / textWidth;
    // With less room than the "..." itself, nothing of the text is kept.
    return text.left(int(qMax<qint64>(0, kept))) + QStringLiteral("...");
}

/// As elideText, keeping the suffix: "quarterly_con...xlsx".
QString elideFileName(const QString &name, const QFontMetrics &metrics, int width, int lines)
{
    const int nameWidth = metrics.horizontalAdvance(name);
    if (nameWidth < width * lines || nameWidth == 0)
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot < 0 ? QString() : name.mid(dot + 1);
    const int suffixWidth = metrics.horizontalAdvance(QStringLiteral("...%1").arg(suffix));
    return QStringLiteral("%1%2").arg(elideText(name, metrics, width - suffixWidth, lines), suffix);
}

} // namespace

FileDisplayWdt::FileDisplayWdt(const QString &fileId, const QString &fileName, QWidget *parent)
    : QFrame(parent)
    , m_fileName(QFileInfo(fileName).fileName())
    , m_fileId(fileId)
{
    setContentsMargins(0, 5, 10, 0);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(5);

    m_picLbl = new PictureFileWdt(this);
    m_picLbl->setObjectName(QStringLiteral("FileDisplayWdt_picLbl"));
    m_picLbl->setProperty("filepath", fileName);
    const bool picture = PictureLabel::fileType(fileName) == PictureLabel::Picture;
    m_picLbl->showFile(picture ? QStringLiteral(":/icon/resources/images/thumb.png") : fileName);
    installEventFilter(this);

    m_closeLbl = new KMLabel(QStringLiteral("FileDisplayWdt_m_close"), this);
    m_closeLbl->setCursor(Qt::PointingHandCursor);
    m_closeLbl->connectClicked(
        this, [this] { emit removeWdt(this); }, Qt::QueuedConnection);
    m_closeLbl->hide();

    m_nameLbl = new KMLabel(QStringLiteral("FileDisplayWdt_fileNameLabel"), this);
    m_nameLbl->setAlignment(Qt::AlignCenter);
    m_nameLbl->setTextFormat(Qt::PlainText);
    m_nameLbl->setText(elideFileName(m_fileName, m_nameLbl->fontMetrics(), kNameWidth, 1));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("FileDisplayWdt_progress"));
    m_progress->setRange(0, 100);
    m_progress->setOrientation(Qt::Horizontal);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(6);
    m_progress->hide();

    m_layout->addWidget(m_picLbl);
    m_layout->addWidget(m_nameLbl);
    m_layout->addWidget(m_progress);

    setObjectName(QStringLiteral("FileDisplayWdt"));
    setMouseTracking(true);
    m_closeHidden = true;
    m_service = createCloudFileService(QString(), QString());

    if (PictureLabel::fileType(fileId) == PictureLabel::Picture) {
        m_picLbl->setPicture(fileId, QDir::tempPath() + QLatin1Char('/'));
        m_picLbl->connectClickedData(m_picLbl, "onViewPicture(QVariant)");
        m_picLbl->setData(fileId);
    } else {
        m_picLbl->connectClicked(this, "openFile()");
    }
    m_nameLbl->hide();
    m_picLbl->setCursor(Qt::PointingHandCursor);
}

FileDisplayWdt::~FileDisplayWdt()
{
    // Released in any case: a transfer that reported its last byte may still owe its end, and
    // no callback may reach the sink, which goes with this tile.
    if (m_transfer && m_progress->value() != 100)
        m_transfer->cancel();
    m_transfer = nullptr;
    if (m_service)
        m_service->release();
}

void FileDisplayWdt::setDisplayOnly()
{
    disconnect(m_picLbl, SIGNAL(clicked()), this, SLOT(openFile()));
    m_picLbl->setCursor(Qt::ArrowCursor);
    m_nameLbl->hide();
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
    m_progress->show();
    m_progress->setValue(percent);
    m_progress->setVisible(percent != 100);
}

QString FileDisplayWdt::localFilePath(const QString &fileName)
{
    return QStringLiteral("%1/Vantor/file/%2")
        .arg(QDir::tempPath(), safeFileName(QFileInfo(fileName).fileName()));
}

bool FileDisplayWdt::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this) {
        switch (event->type()) {
        case QEvent::Enter:
            setToolTip(plainToolTip(m_fileName));
            if (!m_closeHidden)
                m_closeLbl->show();
            break;
        case QEvent::Leave:
            m_closeLbl->hide();
            break;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void FileDisplayWdt::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    m_closeLbl->move(m_picLbl->width() - 10, 0);
}

void FileDisplayWdt::openFile()
{
    const QString localPath = localFilePath(m_fileName);
    if (QFileInfo(localPath).isFile()) {
        if (!ViewFileSink::openLocalFile(localPath))
            InformMsgBox::prompt(tr("不支持的文件格式!"), this);
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
    m_transferring = true;
    m_transfer = m_service->downloadFile(m_fileId, localPath, sink);
}

void FileDisplayWdt::transferEnd()
{
    m_transferring = false;
}
