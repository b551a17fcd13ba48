#include "VTVoice.h"

#include <QAudioDeviceInfo>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

#include <algorithm>
#include <utility>

#include "Logging_p.h"

namespace {

constexpr int kHeight = 30;
constexpr int kMinWidth = 96;
constexpr int kWidthPerSecond = 2;
constexpr int kMaxWidth = 216;
const QColor kBubble(0xea, 0xf2, 0xfe);
const QColor kAccent(0x3d, 0x8a, 0xf7);
const QColor kText(0x37, 0x41, 0x51);
const QColor kFault(0xe5, 0x48, 0x4d);

QString clock(qint64 ms)
{
    const qint64 seconds = std::max<qint64>(0, (ms + 500) / 1000);
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

/// Whether the file begins like a sound file of a kind the pipeline decodes. Checked before a
/// pipeline is built, so that a broken note costs nothing and says so at once.
bool looksLikeSound(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(12);
    const auto at = [&head](int i) { return i < head.size() ? quint8(head.at(i)) : 0; };
    return head.startsWith("#!AMR") // AMR-NB and AMR-WB storage format
        || (head.startsWith("RIFF") && head.mid(8, 4) == "WAVE") || head.startsWith("ID3")
        || head.startsWith("OggS") || head.startsWith("fLaC") || head.mid(4, 4) == "ftyp"
        || (at(0) == 0xff && (at(1) & 0xe0) == 0xe0); // an MPEG audio frame
}

/// A cloud file id that names no entry outside the cache folder.
bool isSafeId(const QString &id)
{
    return !id.isEmpty() && id != QLatin1String(".") && id != QLatin1String("..")
        && !id.contains(QLatin1Char('/')) && !id.contains(QLatin1Char('\\'))
        && !id.contains(QChar(u'\0'));
}

} // namespace

VTVoice::VTVoice(QWidget *parent)
    : QWidget(parent)
{
    static const int stateType = qRegisterMetaType<VTVoice::State>(); // for queued listeners
    Q_UNUSED(stateType)
    setObjectName(QStringLiteral("VTVoice"));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

VTVoice::~VTVoice()
{
    stopFetch();
    if (m_player)
        m_player->stop();
}

void VTVoice::setUrl(const QString &url, int playTime)
{
    stopFetch();
    if (m_player)
        m_player->stop();
    m_url = url;
    m_localPath.clear();
    m_playTimeSec = std::max(1, playTime);
    m_elapsedMs = 0;
    m_totalMs = qint64(m_playTimeSec) * 1000;
    setToolTip(QString());
    setState(Idle);
    updateGeometry();
}

QString VTVoice::stateText() const
{
    switch (m_state) {
    case Idle:
        return clock(m_totalMs);
    case Fetching:
        return tr("Loading...");
    case Playing:
    case Paused:
        return QStringLiteral("%1 / %2").arg(clock(m_elapsedMs), clock(m_totalMs));
    case Missing:
        return tr("Voice note unavailable");
    case Undecodable:
        return tr("Cannot play this note");
    case NoAudioDevice:
        return tr("No audio device");
    }
    return QString();
}

bool VTVoice::hasAudioOutput()
{
    if (!qEnvironmentVariableIsEmpty("DYNFEED_NO_AUDIO"))
        return false;
#ifdef Q_OS_LINUX
    // Asked of the system, not of Qt: Qt's audio plugins log warnings where no sound server runs.
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()
        && (QFileInfo::exists(runtime + QStringLiteral("/pulse/native"))
            || QFileInfo::exists(runtime + QStringLiteral("/pipewire-0"))))
        return true;
    return !QDir(QStringLiteral("/dev/snd"))
                .entryList({ QStringLiteral("pcmC*D*p") }, QDir::System)
                .isEmpty();
#else
    return !QAudioDeviceInfo::defaultOutputDevice().isNull();
#endif
}

QSize VTVoice::sizeHint() const
{
    const int width = std::min(kMaxWidth, kMinWidth + kWidthPerSecond * m_playTimeSec);
    // Room for the longest state text in the widget's font.
    const int text = fontMetrics().horizontalAdvance(stateText()) + 2 * kHeight;
    return QSize(std::max(width, text), kHeight);
}

void VTVoice::play()
{
    if (m_state == Playing || m_state == Fetching)
        return;
    if (m_player && m_state == Paused) {
        m_player->play();
        return;
    }
    if (!m_localPath.isEmpty() && QFileInfo(m_localPath).isFile()) {
        playFile(m_localPath);
        return;
    }
    const QUrl url(m_url);
    if (url.isLocalFile() || QFileInfo(m_url).isAbsolute()) {
        const QString path = url.isLocalFile() ? url.toLocalFile() : m_url;
        if (!QFileInfo(path).isFile()) {
            fail(Missing, QStringLiteral("there is no such file"));
            return;
        }
        m_localPath = path;
        playFile(path);
        return;
    }
    const QString id = url.fileName();
    if (!isSafeId(id)) {
        fail(Missing, QStringLiteral("it names no cloud file"));
        return;
    }
    m_localPath = QStringLiteral("%1/Vantor/voice/%2").arg(QDir::tempPath(), id);
    if (QFileInfo(m_localPath).isFile()) {
        playFile(m_localPath);
        return;
    }
    setState(Fetching);
    m_service = createCloudFileService(QString(), QString());
    m_transfer = m_service->downloadFile(id, m_localPath, this);
}

void VTVoice::pause()
{
    if (m_player && m_state == Playing)
        m_player->pause();
}

void VTVoice::togglePlay()
{
    if (m_state == Playing)
        pause();
    else
        play();
}

void VTVoice::onResponse(qint64, qint64) { }

void VTVoice::onFinished(int status, const QString &text)
{
    m_transfer = nullptr; // ended: nothing to cancel
    stopFetch();
    if (status == TransferStatus_Finished && QFileInfo(m_localPath).isFile()) {
        playFile(m_localPath);
        return;
    }
    fail(Missing, text.isEmpty() ? QStringLiteral("the fetch ended with %1").arg(status) : text);
}

void VTVoice::playFile(const QString &path)
{
    if (!m_player) {
        if (!looksLikeSound(path)) {
            fail(Undecodable, QStringLiteral("the file is no sound"));
            return;
        }
        if (!hasAudioOutput()) {
            fail(NoAudioDevice, QStringLiteral("there is no audio output"));
            return;
        }
        m_player = new QMediaPlayer(this);
        m_player->setNotifyInterval(200);
        connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
            m_elapsedMs = ms;
            update();
        });
        connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64 ms) {
            if (ms > 0) {
                m_totalMs = ms;
                update();
            }
        });
        connect(m_player, &QMediaPlayer::stateChanged, this, [this](QMediaPlayer::State state) {
            if (m_state == Undecodable)
                return;
            if (state == QMediaPlayer::PlayingState)
                setState(Playing);
            else if (state == QMediaPlayer::PausedState)
                setState(Paused);
            else
                setState(Idle);
        });
        connect(m_player, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::EndOfMedia)
                    m_elapsedMs = 0;
            });
        connect(m_player, QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error), this,
            [this](QMediaPlayer::Error) {
                // A failed pipeline is not used again; the next play builds a new one.
                QMediaPlayer *player = std::exchange(m_player, nullptr);
                fail(Undecodable, player->errorString());
                player->deleteLater();
            });
        m_player->setMedia(QUrl::fromLocalFile(path));
    }
    m_player->play();
}

void VTVoice::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    updateGeometry();
    update();
    emit stateChanged(state);
}

void VTVoice::fail(State state, const QString &why)
{
    qCWarning(lcUi()).noquote() << "voice note" << m_url << "cannot be played:" << why;
    m_elapsedMs = 0;
    setState(state);
    setToolTip(stateText());
}

void VTVoice::stopFetch()
{
    if (m_transfer)
        m_transfer->cancel();
    m_transfer = nullptr;
    if (m_service)
        m_service->release();
    m_service = nullptr;
}

void VTVoice::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bubble = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool faulty = m_state == Missing || m_state == Undecodable || m_state == NoAudioDevice;
    painter.setPen(QPen(faulty ? kFault : kAccent, 1));
    painter.setBrush(kBubble);
    painter.drawRoundedRect(bubble, kHeight / 2.0, kHeight / 2.0);

    // The button: a triangle to play, two bars while playing.
    const QRectF button(kHeight / 2.0 - 5, height() / 2.0 - 6, 10, 12);
    painter.setPen(Qt::NoPen);
    painter.setBrush(faulty ? kFault : kAccent);
    if (m_state == Playing) {
        painter.drawRect(QRectF(button.left(), button.top(), 3.5, button.height()));
        painter.drawRect(QRectF(button.right() - 3.5, button.top(), 3.5, button.height()));
    } else {
        QPainterPath triangle;
        triangle.moveTo(button.topLeft());
        triangle.lineTo(button.right(), button.center().y());
        triangle.lineTo(button.bottomLeft());
        triangle.closeSubpath();
        painter.drawPath(triangle);
    }
    // The sound waves of a voice note.
    painter.setPen(QPen(faulty ? kFault : kAccent, 1.5));
    painter.setBrush(Qt::NoBrush);
    const QPointF centre(kHeight + 2, height() / 2.0);
    for (int wave = 1; wave <= 3; ++wave) {
        const qreal r = 3.0 * wave;
        painter.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
    painter.setPen(faulty ? kFault : kText);
    painter.drawText(rect().adjusted(kHeight + 16, 0, -kHeight / 2, 0),
        Qt::AlignRight | Qt::AlignVCenter, stateText());
}

void VTVoice::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    togglePlay();
}
