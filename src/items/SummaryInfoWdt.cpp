#include "items/SummaryInfoWdt.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QPointer>
#include <QRegion>
#include <QVBoxLayout>
#include <QtDebug>

#include <filesystem>
#include <limits>
#include <system_error>

#include "KMLabel.h"
#include "attach/PictureLabel.h"
#include "attach/PixmapRatio_p.h"
#include "attach/SafeFileName.h"
#include "feed/Logging_p.h"
#include "feed/SDynData.h"
#include "feed/VantorInformation.h"
#include "items/AvatarProvider_p.h"
#include "items/ItemLabel_p.h"
#include "views/ProjectDynPage.h"

QStringList SummaryInfoWdt::m_dldedUserIdList;
QStringList SummaryInfoWdt::m_dldingUserIdList;

namespace {

const char kDefaultHeader[] = ":/icon/resources/images/default_header.png";
const char kPictureMask[] = ":/icon/resources/images/picture_mask.png";
const char kSystemUserId[] = "10000";

// Set while the host shows a person's information: one such view at a time in the process.
bool s_personalInfoBusy = false;

/// The avatar mask, made once: every header shares the same shape.
const QRegion &avatarMask(int edge)
{
    static const QRegion mask = [edge] {
        QImage image;
        if (!QFile::exists(QLatin1String(kPictureMask)) || !image.load(QLatin1String(kPictureMask)))
            return QRegion();
        const QImage scaled
            = image.scaled(edge, edge, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        return QRegion(QBitmap::fromImage(scaled));
    }();
    return mask;
}

/// The avatar: drawn at the ratio it is painted with, so that it stays sharp on a screen of
/// another ratio and in a picture rendered at one, while it holds the picture for its screen.
class AvatarLabel : public PictureLabel
{
public:
    using PictureLabel::PictureLabel;

    void setAvatar(const QString &path, const QPixmap &pixmap)
    {
        m_path = path;
        setPixmap(pixmap);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        drawFrame(&painter);
        const qreal ratio = paintRatio(painter);
        const QRect room = contentsRect();
        QPixmap shown = pixmap(Qt::ReturnByValue);
        if (!qFuzzyCompare(shown.devicePixelRatio(), ratio) && !m_path.isEmpty())
            shown = AvatarProvider::instance()->avatar(m_path, room.size(), ratio);
        if (!shown.isNull())
            painter.drawPixmap(room, shown);
    }

private:
    QString m_path;
};

/// Today's local date, recomputed only when now leaves the day it was computed for: asking the
/// C library for the local date costs microseconds per call where TZ is unset. GUI thread only.
QDate localToday(qint64 nowMSecs)
{
    static QDate today;
    static qint64 dayStart = 1;
    static qint64 dayEnd = 0;
    if (nowMSecs < dayStart || nowMSecs >= dayEnd) {
        today = QDateTime::fromMSecsSinceEpoch(nowMSecs).date();
        dayStart = today.startOfDay().toMSecsSinceEpoch();
        dayEnd = today.addDays(1).startOfDay().toMSecsSinceEpoch();
    }
    return today;
}

} // namespace

SummaryInfoWdt::SummaryInfoWdt(QWidget *parent)
    : QFrame(parent)
{
    setAutoFillBackground(true);
    // Headers of the same author in any view wait for one download; the provider tells them.
    AvatarProvider *provider = AvatarProvider::instance();
    connect(provider, &AvatarProvider::avatarDownloaded, this, &SummaryInfoWdt::onHeaderDownloaded);
    connect(provider, &AvatarProvider::downloadAbandoned, this, [this](const QString &userId) {
        if (userId == m_userId)
            setUserId(userId);
    });
}

SummaryInfoWdt::~SummaryInfoWdt()
{
    const QString stopped = m_dldingUserId;
    stopDownload();
    if (!stopped.isEmpty()) {
        AvatarProvider *provider = AvatarProvider::instance();
        disconnect(provider, nullptr, this, nullptr); // not this header, which is going
        provider->announceAbandoned(stopped);
    }
}

void SummaryInfoWdt::setUserInfo(const QString &headerPath, const QString &userId,
    const QString &userName, const QString &userJob)
{
    setUserHeader(headerPath);
    if (!userId.isEmpty() && headerPath.isEmpty()) {
        setUserId(userId);
    } else {
        // A refilled header must not take another user's avatar when it arrives.
        m_userId.clear();
    }
    setUserName(userName);
    setUserJob(userJob);
    setUserClickable(userId);
}

void SummaryInfoWdt::setUserHeader(const QString &path)
{
    m_headerPath = path;
    if (!m_headerLbl) {
        m_headerLbl = new AvatarLabel(QStringLiteral("SummaryInfoWdt_headerLbl"), this);
        // The picture comes scaled to the label's room and shared by all headers: scaling in
        // the label would keep two more copies of it per header.
        m_headerLbl->setScaledContents(false);
        m_headerLbl->setFixedSize(m_smryHeight, m_smryHeight);
        const QRegion &mask = avatarMask(m_smryHeight);
        if (!mask.isEmpty())
            m_headerLbl->setMask(mask);
    }
    if (path.isEmpty() || !QFile::exists(path))
        showAvatar(QLatin1String(kDefaultHeader));
    else
        showAvatar(path);
}

void SummaryInfoWdt::resetUserHeader(const QString &userId)
{
    const QString file = headerFilePath(userId);
    if (!QFile::exists(file) || !m_headerLbl)
        return;
    // A picture the host replaced has a new key: showAvatar reads it again.
    showAvatar(file);
}

void SummaryInfoWdt::setUserId(const QString &userId)
{
    const QString file = headerFilePath(userId);
    m_userId = userId;
    if (m_dldedUserIdList.contains(userId) && QFile::exists(file)) {
        showAvatar(file);
        return;
    }
    if (m_dldingUserIdList.contains(userId))
        return; // the header that fetches it announces it (onHeaderDownloaded)
    // A refilled header lets its running download finish, since other headers may be waiting
    // for it, and fetches this user's avatar afterwards (onFinished).
    if (m_transfer)
        return;
    m_dldingUserIdList.append(userId);
    m_dldingUserId = userId;
    QDir().mkpath(QFileInfo(file).path());
    m_fileService = createCloudFileService(QString(), QString());
    m_transfer = m_fileService ? m_fileService->downloadUserHeader(userId, file, 0, this) : nullptr;
    if (!m_transfer) {
        // Without a transfer no end would ever be reported: fail now.
        onFinished(TransferStatus_Failed, QString());
    }
}

void SummaryInfoWdt::setUserName(const QString &name)
{
    if (!m_nameLbl)
        m_nameLbl = new ItemLabel(QStringLiteral("SummaryInfoWdt_UserName"), this);
    m_nameLbl->setText(name);
}

void SummaryInfoWdt::setUserJob(const QString &job)
{
    if (job.isEmpty()) {
        delete m_jobLbl; // leaves its layout on its own
        m_jobLbl = nullptr;
        return;
    }
    if (!m_jobLbl)
        m_jobLbl = new ItemLabel(QStringLiteral("SummaryInfoWdt_JobTime"), this);
    m_job = job;
    m_jobLbl->setText(shownValueName(job));
}

void SummaryInfoWdt::setSummary(const QString &text)
{
    if (!m_summaryLbl) {
        m_summaryLbl = new ItemLabel(QStringLiteral("SummaryInfoWdt_Summary"), this);
        m_summaryLbl->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        m_summaryLbl->setWordWrap(true);
        m_summaryLbl->setScaledContents(true);
    }
    m_summaryLbl->setText(text);
}

void SummaryInfoWdt::setTime(const QDateTime &time)
{
    if (!m_timeLbl) {
        m_timeLbl = new ItemLabel(QStringLiteral("SummaryInfoWdt_JobTime"), this);
        m_timeLbl->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    }
    m_time = time;
    // Converted once here; updateTime then only compares numbers.
    m_timeMSecs = time.isValid() ? time.toMSecsSinceEpoch() : 0;
    m_timeDate = time.date();
    updateTime();
}

void SummaryInfoWdt::updateTime()
{
    if (!m_timeLbl)
        return;
    if (!m_time.isValid()) {
        m_timeLbl->setText(tr("Invalid time"));
        return;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    m_timeLbl->setText(timeText(m_timeMSecs, m_timeDate, now, localToday(now)));
}

void SummaryInfoWdt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        updateTime();
        if (m_jobLbl)
            m_jobLbl->setText(shownValueName(m_job));
    }
    QFrame::changeEvent(event);
}

QString SummaryInfoWdt::shownTime() const
{
    return m_timeLbl ? m_timeLbl->text() : QString();
}

void SummaryInfoWdt::layoutUI()
{
    if (!m_headerLbl || !m_summaryLbl || !m_timeLbl)
        return;
    setMaximumHeight(m_smryHeight);
    layoutNameSmryTime();
    layoutSmryJob();
    if (!m_mainLayout) {
        m_mainLayout = new QHBoxLayout;
        m_mainLayout->setContentsMargins(0, 0, 0, 0);
        m_mainLayout->setSpacing(20);
        setLayout(m_mainLayout);
    }
    if (m_mainLayout->indexOf(m_headerLbl) < 0)
        m_mainLayout->addWidget(m_headerLbl);
    if (m_mainLayout->count() < 2)
        m_mainLayout->addLayout(m_textColumn);
}

void SummaryInfoWdt::onHeaderDownloaded(const QString &userId, const QString &headerPath)
{
    if (!userId.isEmpty() && userId == m_userId)
        setUserHeader(headerPath);
}

const QDateTime &SummaryInfoWdt::dateTime() const
{
    return m_time;
}

int SummaryInfoWdt::summaryHeight() const
{
    return m_smryHeight;
}

QString SummaryInfoWdt::getTimeStr(const QDateTime &time)
{
    return getTimeStr(time, QDateTime::currentDateTime());
}

QString SummaryInfoWdt::getTimeStr(const QDateTime &time, const QDateTime &now)
{
    if (!time.isValid())
        return tr("Invalid time");
    if (!now.isValid())
        return tr("Just now"); // no distance to an invalid time
    return timeText(time.toMSecsSinceEpoch(), time.date(), now.toMSecsSinceEpoch(), now.date());
}

void SummaryInfoWdt::setCurrentUserId(const QString &userId)
{
    if (!m_dldedUserIdList.contains(userId))
        m_dldedUserIdList.append(userId);
}

QString SummaryInfoWdt::headerFilePath(const QString &userId)
{
    static const QString dir
        = QCoreApplication::applicationDirPath() + QStringLiteral("/UserData/header/");
    return dir + safeFileName(userId) + QStringLiteral(".png");
}

void SummaryInfoWdt::onResponse(qint64, qint64) { }

void SummaryInfoWdt::onFinished(int status, const QString &)
{
    const QString userId = m_dldingUserId;
    // The download is over before anyone hears of it, so that a receiver may start another.
    m_dldingUserIdList.removeAll(userId);
    m_dldingUserId.clear();
    if (m_fileService) {
        m_fileService->release();
        m_fileService = nullptr;
    }
    m_transfer = nullptr;

    const QPointer<SummaryInfoWdt> self(this);
    if (status != TransferStatus_Finished) {
        qCDebug(lcFiles).noquote() << "failed to download user header picture" << userId;
    } else if (QFile::exists(headerFilePath(userId))) {
        const QString file = headerFilePath(userId);
        if (!m_dldedUserIdList.contains(userId))
            m_dldedUserIdList.append(userId);
        if (userId == m_userId)
            setUserHeader(file);
        emit userHeaderDownloaded(userId, file);
        // The signal reaches the items of this header's page only; headers of that user in
        // another view of the feed waited for this download too.
        AvatarProvider::instance()->announceDownloaded(userId, file);
    }
    // Refilled meanwhile with another user: that user's avatar now.
    if (self && !m_userId.isEmpty() && m_userId != userId)
        setUserId(m_userId);
}

void SummaryInfoWdt::onPersonalInfo(const QVariant &vUID)
{
    const QString uid = vUID.toString();
    if (uid.isEmpty())
        return;
    VantorInformation *host = ProjectDynPage::infoInterface();
    if (!host || s_personalInfoBusy)
        return;
    s_personalInfoBusy = true;
    QWidget *hostWdt = m_hostWidget;
    QString newName;
    // The host may run its own event loop, in which this header can be deleted.
    const QPointer<SummaryInfoWdt> self(this);
    const int result = host->showPersonalInfo(uid, newName, hostWdt);
    s_personalInfoBusy = false;
    if (self && result == 1 && !newName.isEmpty())
        emit userInfoChanged(uid, newName);
}

void SummaryInfoWdt::layoutNameSmryTime()
{
    if (!m_nameRow) {
        m_nameRow = new QHBoxLayout;
        m_nameRow->setContentsMargins(0, 0, 0, 0);
        m_nameRow->setSpacing(15);
    }
    if (m_nameLbl && m_nameRow->indexOf(m_nameLbl) < 0)
        m_nameRow->addWidget(m_nameLbl);
    if (m_summaryLbl && m_nameRow->indexOf(m_summaryLbl) < 0) {
        m_nameRow->addWidget(m_summaryLbl);
        m_nameRow->addSpacing(1);
    }
    if (m_timeLbl && m_nameRow->indexOf(m_timeLbl) < 0)
        m_nameRow->addWidget(m_timeLbl);
}

void SummaryInfoWdt::layoutSmryJob()
{
    if (!m_textColumn) {
        m_textColumn = new QVBoxLayout;
        m_textColumn->setContentsMargins(0, 8, 0, 8);
        m_textColumn->setSpacing(0);
        m_textColumn->addLayout(m_nameRow);
        m_textColumn->addStretch(0);
    }
    if (m_jobLbl && m_textColumn->indexOf(m_jobLbl) < 0)
        m_textColumn->addWidget(m_jobLbl);
}

void SummaryInfoWdt::setUserClickable(const QString &userId)
{
    const bool clickable = !userId.isEmpty() && userId != QLatin1String(kSystemUserId);
    for (KMLabel *label : { static_cast<KMLabel *>(m_headerLbl), m_nameLbl }) {
        if (!label)
            continue;
        // Refilled headers are made clickable again: never connect twice.
        disconnect(label, SIGNAL(clickedData(QVariant)), this, SLOT(onPersonalInfo(QVariant)));
        if (clickable) {
            label->setData(QVariant(userId));
            label->connectClickedData(this, SLOT(onPersonalInfo(QVariant)), Qt::QueuedConnection);
        } else {
            label->disableClick();
        }
        // After the label's own cursor handling, which clears it on disableClick.
        label->setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
}

void SummaryInfoWdt::showAvatar(const QString &path)
{
    m_headerLbl->ensurePolished(); // a style sheet's frame changes the picture's room
    const QSize size = m_headerLbl->contentsRect().size();
    // Scaled for the screen's ratio; the mask stays in logical pixels.
    const qreal ratio = m_headerLbl->devicePixelRatioF();
    const QString key = AvatarProvider::cacheKey(path, size, ratio);
    if (key == m_shownAvatar)
        return;
    static_cast<AvatarLabel *>(m_headerLbl)
        ->setAvatar(path, AvatarProvider::instance()->avatar(path, size, ratio));
    m_shownAvatar = key;
}

void SummaryInfoWdt::stopDownload()
{
    if (m_transfer)
        m_transfer->cancel(); // no callback follows
    m_transfer = nullptr;
    if (!m_dldingUserId.isEmpty()) {
        m_dldingUserIdList.removeAll(m_dldingUserId);
        m_dldingUserId.clear();
    }
    if (m_fileService) {
        m_fileService->release();
        m_fileService = nullptr;
    }
}

QString SummaryInfoWdt::timeText(
    qint64 msecs, const QDate &date, qint64 nowMSecs, const QDate &today)
{
    // Midnights passed, then the signed distance truncated to whole seconds, as
    // QDateTime::daysTo and secsTo count them.
    const qint64 days = date.daysTo(today);
    if (days >= 1) {
        constexpr int kMaxCount = std::numeric_limits<int>::max();
        if (days <= kMaxCount)
            return tr("%n days ago", nullptr, int(days));
        // tr() counts in int: a date further back keeps the plural of a large count.
        return tr("%n days ago", nullptr, kMaxCount)
            .replace(QString::number(kMaxCount), QString::number(days));
    }
    const qint64 secs = (nowMSecs - msecs) / 1000;
    if (secs < 60)
        return tr("Just now");
    if (secs < 3600)
        return tr("%n minutes ago", nullptr, int(secs / 60));
    return tr("%n hours ago", nullptr, int(secs / 3600));
}

void SummaryInfoWdt::setHostWidget(QWidget *hostWidget)
{
    m_hostWidget = hostWidget;
}
