#pragma once

#include "dynfeed_host_export.h"

#include <QString>
#include <QWidget>

#include "CloudFileService.h"

class QMediaPlayer;

/// The host's voice player: one voice note as a small bubble with a play/pause button and the
/// elapsed and total time. A note that is not a local file is fetched through the cloud-file
/// service on the first play; the media pipeline is built then too, never with the widget. A
/// missing or undecodable note, or a machine without audio output, shows as the bubble's state
/// and writes one log line. GUI thread only; the cloud-file service calls back on it.
class DYNFEED_HOST_EXPORT VTVoice : public QWidget, public FileTransferSink
{
    Q_OBJECT
public:
    enum State {
        Idle, // ready; shows the total time
        Fetching, // the note is being fetched from the cloud
        Playing,
        Paused,
        Missing, // the note could not be fetched or found
        Undecodable, // the file is no sound this player knows, or decoding failed
        NoAudioDevice, // nothing to play on
    };
    Q_ENUM(State)

    explicit VTVoice(QWidget *parent);
    /// Stops playing and cancels a fetch still running.
    ~VTVoice() override;

    /// The note: a local file, a file: URL, or a cloud URL or file id whose last part is the
    /// cloud file id; playTime is its length in seconds as the message gives it (shown until the
    /// note itself tells).
    void setUrl(const QString &url, int playTime);
    QString url() const { return m_url; }
    State state() const { return m_state; }
    /// What the bubble shows beside the button: the times, or what went wrong.
    QString stateText() const;
    qint64 elapsedMs() const { return m_elapsedMs; }
    qint64 totalMs() const { return m_totalMs; }

    /// Whether this machine has somewhere to play sound: false when DYNFEED_NO_AUDIO is set (a
    /// host that wants silence) or no output device is there.
    static bool hasAudioOutput();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    void onResponse(qint64 done, qint64 total) override;
    void onFinished(int status, const QString &text) override;

public slots:
    /// Plays from where it paused, fetching the note and building the pipeline the first time;
    /// after a failure it tries again.
    void play();
    void pause();
    void togglePlay();

signals:
    void stateChanged(VTVoice::State state);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    /// Plays the local file: checks it, then builds the pipeline if needed.
    void playFile(const QString &path);
    void setState(State state);
    void fail(State state, const QString &why);
    void stopFetch();

    QString m_url;
    QString m_localPath; // the note on disk once known
    int m_playTimeSec = 1;
    qint64 m_elapsedMs = 0;
    qint64 m_totalMs = 0;
    State m_state = Idle;
    QMediaPlayer *m_player = nullptr; // child; built on the first play
    ICloudFileService *m_service = nullptr; // ours until release()
    ICloudFileTransfer *m_transfer = nullptr; // the service's; valid while held
};
