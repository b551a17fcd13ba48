#pragma once

#include "dynfeed_export.h"

#include <QDate>
#include <QDateTime>
#include <QFrame>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "CloudFileService.h"

class KMLabel;
class PictureLabel;
class QHBoxLayout;
class QVBoxLayout;

/// The header row of a feed item: the author's avatar, name, the record's summary, its relative
/// time and the author's job title. Fetches a missing avatar once per user for all headers of
/// the process, and opens the host's personal information on a click on avatar or name.
/// GUI thread only, including the cloud-file callbacks.
class DYNFEED_EXPORT SummaryInfoWdt : public QFrame, public FileTransferSink
{
    Q_OBJECT
public:
    explicit SummaryInfoWdt(QWidget *parent = nullptr);
    ~SummaryInfoWdt() override;

    /// Avatar path (empty: the author's cached or downloaded avatar), user id, name, job title.
    void setUserInfo(const QString &headerPath, const QString &userId, const QString &userName,
        const QString &userJob);
    /// Shows the picture at path, or the default avatar when there is none.
    void setUserHeader(const QString &path);
    /// Shows the user's cached avatar file, if there is one.
    void resetUserHeader(const QString &userId);
    /// Shows the user's avatar from the cache, or starts its download unless one is under way.
    void setUserId(const QString &userId);
    void setUserName(const QString &name);
    /// An empty job title removes the job label.
    void setUserJob(const QString &job);
    void setSummary(const QString &text);
    void setTime(const QDateTime &time);
    /// Recomputes the relative time text from the stored time.
    void updateTime();
    /// The relative time text the header shows; empty before setTime.
    QString shownTime() const;
    /// Puts the children into their layouts; does nothing before avatar, summary and time exist.
    void layoutUI();
    /// Some header downloaded userId's avatar to headerPath: shows it if this header's user.
    void onHeaderDownloaded(const QString &userId, const QString &headerPath);
    /// The host widget that the host's personal-information view opens over.
    void setHostWidget(QWidget *hostWidget);

    const QDateTime &dateTime() const;
    /// The avatar's edge: the header's height and the base of the item's content indent.
    int summaryHeight() const;

    /// "Just now", "%1 minutes ago", "%1 hours ago" or "%1 days ago" for time seen now.
    static QString getTimeStr(const QDateTime &time);
    /// The same text for time seen at now.
    static QString getTimeStr(const QDateTime &time, const QDateTime &now);
    /// Marks the signed-in user's avatar as cached: it is never downloaded.
    static void setCurrentUserId(const QString &userId);
    /// The avatar cache file of a user: "<application dir>/UserData/header/<id>.png", where an
    /// id that could leave the directory is replaced by its safeFileName.
    static QString headerFilePath(const QString &userId);

    void onResponse(qint64 done, qint64 total) override;
    void onFinished(int status, const QString &text) override;

signals:
    void userInfoChanged(const QString &uid, const QString &name);
    void userHeaderDownloaded(const QString &userId, const QString &headerPath);

protected slots:
    void onPersonalInfo(const QVariant &vUID);

protected:
    void changeEvent(QEvent *event) override;

private:
    void layoutNameSmryTime();
    void layoutSmryJob();
    void setUserClickable(const QString &userId);
    /// Shows a picture file in the avatar label, scaled once and shared by every header.
    void showAvatar(const QString &path);
    /// Ends a running avatar download without a callback and lets another header retry it.
    void stopDownload();
    static QString timeText(qint64 msecs, const QDate &date, qint64 nowMSecs, const QDate &today);

    QDateTime m_time;
    qint64 m_timeMSecs = 0; // m_time as UTC milliseconds, converted once in setTime
    QDate m_timeDate; // m_time's own calendar date
    QHBoxLayout *m_mainLayout = nullptr; // installed on this header
    QVBoxLayout *m_textColumn = nullptr; // owned by m_mainLayout
    QHBoxLayout *m_nameRow = nullptr; // owned by m_textColumn
    PictureLabel *m_headerLbl = nullptr; // children of this header; Qt deletes them
    QString m_headerPath;
    KMLabel *m_nameLbl = nullptr;
    QString m_userId;
    KMLabel *m_jobLbl = nullptr;
    QString m_job; // as the record gives it; shown in the installed language
    KMLabel *m_summaryLbl = nullptr;
    KMLabel *m_timeLbl = nullptr;
    QString m_shownAvatar; // cache key of the picture in m_headerLbl
    ICloudFileService *m_fileService = nullptr; // ours until release()
    ICloudFileTransfer *m_transfer = nullptr; // the service's; valid until release()
    QString m_dldingUserId; // whose avatar m_transfer fetches

    static QStringList m_dldedUserIdList;
    static QStringList m_dldingUserIdList;
    QPointer<QWidget> m_hostWidget; // the host's, handed to its personal-information view
    static constexpr int m_smryHeight = 70;
};
