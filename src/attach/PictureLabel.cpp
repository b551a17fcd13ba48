#include "attach/PictureLabel.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QtDebug>

#include "attach/FileIconTable.h"
#include "attach/PixmapRatio_p.h"
#include "feed/Logging_p.h"

namespace {

/// Pictures are often stored under the wrong suffix (a JPEG named .png); the first bytes decide
/// where they name a format, the suffix elsewhere.
QByteArray pictureFormat(const QString &path)
{
    QByteArray format = QFileInfo(path).suffix().toLocal8Bit();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCCritical(lcFiles, "PictureLabel open pic fial!");
        return format;
    }
    static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
    if (file.read(8) == pngSignature)
        return QByteArrayLiteral("png");
    file.seek(0);
    if (file.read(2) == QByteArrayLiteral("\xff\xd8"))
        return QByteArrayLiteral("jpg");
    return format;
}

} // namespace

PictureLabel::PictureLabel(QWidget *parent)
    : PictureLabel(QStringLiteral("PictureLabel"), parent)
{ }

PictureLabel::PictureLabel(const QString &objectName, QWidget *parent)
    : KMLabel(objectName, parent)
{
    setScaledContents(true);
}

PictureLabel::FileType PictureLabel::fileType(const QString &path)
{
    // Compared as bytes so that only ASCII letters fold (no Unicode case mapping).
    const QByteArray suffix = QFileInfo(path).suffix().toLocal8Bit().toLower();
    static const QByteArray pictureSuffixes[] = { "jpg", "png", "bmp", "jpeg" };
    for (const QByteArray &picture : pictureSuffixes) {
        if (suffix == picture)
            return Picture;
    }
    return OtherFile;
}

QPixmap PictureLabel::loadFile(const QString &path)
{
    QPixmap pixmap;
    if (fileType(path) == Picture) {
        pixmap.load(path, pictureFormat(path).constData());
    } else {
        pixmap.load(FileIconTable::iconPath(QStringLiteral("%1_Shape").arg(path)), "png");
    }
    return pixmap;
}

QSize PictureLabel::showFile(const QString &path)
{
    // A file that is no picture shows its type's icon: keyed by the icon, without a look at the
    // file. A picture is keyed by its time and size too: one downloaded again under the same
    // name is read again. Resources never change.
    const bool picture = fileType(path) == Picture;
    const QString shown
        = picture ? path : FileIconTable::iconPath(QStringLiteral("%1_Shape").arg(path));
    QString key = QStringLiteral("PictureLabel:") + shown;
    if (picture && !path.startsWith(QLatin1Char(':'))) {
        const QFileInfo info(path);
        key += QStringLiteral(":%1:%2")
                   .arg(info.lastModified().toMSecsSinceEpoch())
                   .arg(info.size());
    }
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = loadFile(path);
        if (!pixmap.isNull())
            QPixmapCache::insert(key, pixmap);
    }
    // Resources come in more than one resolution: the painting picks the one its ratio needs.
    m_resourcePath = shown.startsWith(QLatin1Char(':')) ? shown : QString();
    setPixmap(pixmap);
    return pixmap.size();
}

void PictureLabel::paintEvent(QPaintEvent *event)
{
    QPixmap source = pixmap(Qt::ReturnByValue);
    if (!hasScaledContents() || source.isNull()) {
        KMLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = contentsRect();
    const qreal ratio = paintRatio(painter);
    if (ratio > 1 && !m_resourcePath.isEmpty()) {
        const QPixmap larger = resourceForRatio(m_resourcePath, ratio);
        if (larger.width() > source.width())
            source = larger;
    }
    // The same picture at the same size is scaled once for every label that shows it.
    const QPixmap scaled = scaledForRatio(source, room.size(), ratio,
        QStringLiteral("PictureLabel:scaled:%1").arg(source.cacheKey()));
    if (!scaled.isNull())
        painter.drawPixmap(room, scaled);
}

void PictureLabel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Enter || event->key() == Qt::Key_Return) {
        // Through the label's own press handling, which knows whether anyone listens.
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(rect().center()), Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        press.ignore();
        mousePressEvent(&press);
        if (press.isAccepted())
            return;
    }
    KMLabel::keyPressEvent(event);
}
