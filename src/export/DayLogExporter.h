#pragma once

#include "dynfeed_export.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <memory>

class DayLogExporterPrivate;
class QFont;

/// Exports one day of a project's feed as a daily log (DayLogWriter), loading the day first:
/// what a feed view holds is only what it has shown, so the exporter runs a feed controller of
/// its own on the same project and user.
///
/// How the day is gathered: after subscribing (which brings the newest ten messages) the
/// controller is asked for older messages, 100 at a time from the newest back, until a record
/// older than the day has arrived (sequence numbers follow send times, so the day is then
/// complete) or the group's first message was asked for. A forecast names its first day and the
/// three after and is dated at its first day: when no reminder of the day is in yet, the walk
/// goes on back at most three more days for one. Then the thumbnails of the day's pictures that
/// are not in the feed's temporary directory are fetched from the cloud-file service, one at a
/// time (a failed one leaves the file's icon in the log), and the log is written.
///
/// Asynchronous and bounded: exportDay() returns at once, apart from the controller's wait of
/// at most 400 ms for the group information, and finished() follows once. The answer to a
/// request is taken as complete when nothing more arrived for 50 ms, and as empty when nothing
/// arrived for a second (a range that holds nothing new has no answer), so an export takes at
/// most about a second per 100 messages of the group. The records arrive on the push service's
/// thread; everything else runs on the GUI thread, which is the only one that may call this.
///
/// The controller is a feed of that user like the views' controllers: it keeps the group's
/// newest sequence number in the user's settings as the views do.
class DYNFEED_EXPORT DayLogExporter : public QObject
{
    Q_OBJECT
public:
    explicit DayLogExporter(QObject *parent = nullptr);
    /// Stops an export that is running; finished() does not follow.
    ~DayLogExporter() override;

    /// Starts writing the log of day of the project prjId (named prjName in the log) as userId
    /// sees it to the PDF file path. False, with nothing started, while another export runs;
    /// otherwise finished() follows, also when the arguments cannot be used.
    bool exportDay(const QString &prjId, const QString &userId, const QString &prjName,
        const QDate &day, const QString &path);
    bool isRunning() const;
    /// Stops a running export; finished() does not follow.
    void cancel();

    /// The font of the logs written from now on (DayLogWriter::setFont).
    void setFont(const QFont &font);
    /// Why the last export failed.
    QString errorString() const;
    /// The number of records in the last log written.
    int recordCount() const;

signals:
    /// The end of an export: the file written, or ok false and errorString() says why.
    void finished(bool ok, const QString &path);

private:
    friend class DayLogExporterPrivate;
    std::unique_ptr<DayLogExporterPrivate> const d;
};
