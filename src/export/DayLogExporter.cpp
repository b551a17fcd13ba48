#include "export/DayLogExporter.h"

#include <QDir>
#include <QFont>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <memory>

#include "CloudFileService.h"
#include "DynKeys.h"
#include "export/DayLogWriter.h"
#include "export/DayLog_p.h"
#include "feed/DynDataController.h"
#include "feed/SDynData.h"

namespace {

constexpr int kBatch = 100;
/// What subscribing delivers: the group's newest ten sequence numbers (PSVPushService).
constexpr int kNewestOnSubscribe = 10;
constexpr int kSettleMs = 50;
constexpr int kNoAnswerMs = 1000;
constexpr int kForecastReachDays = 3;

} // namespace

class DayLogExporterPrivate : public FileTransferSink
{
public:
    enum class Phase { Idle, Loading, Thumbnails };

    explicit DayLogExporterPrivate(DayLogExporter *exporter)
        : q(exporter)
    {
        timer.setSingleShot(true);
    }

    void start();
    /// Looks at what has arrived: asks for more, or goes on to the thumbnails.
    void step();
    QList<const SDynData *> loadedRecords() const;
    bool dayComplete(const QList<const SDynData *> &loaded) const;
    void fetchNextThumbnail();
    void writeLog();
    /// Ends the export; finished() follows unless it was cancelled.
    void finish(bool ok, const QString &why);
    /// Ends the controller and any transfer; no callback of either follows.
    void stop();

    void onResponse(qint64, qint64) override { }
    void onFinished(int status, const QString &text) override;

    DayLogExporter *const q;
    QTimer timer; // the walk's wait for answers
    DynDataController *controller = nullptr; // child of q while loading
    ICloudFileService *service = nullptr; // ours until release()
    ICloudFileTransfer *transfer = nullptr; // the service's; valid while it is held
    std::unique_ptr<DayLogWriter> writer; // while an export runs
    std::unique_ptr<QFont> font; // as setFont said; the writer's default otherwise
    QString prjId;
    QString userId;
    QString path;
    QString error;
    QStringList thumbnails; // still to fetch
    qint64 dayStart = 0; // ms since 1970
    qint64 lowerBound = 0; // the oldest a forecast naming the day can be
    int groupMessages = 0; // the group's messages when the walk began
    int asked = 0; // how many of them were asked for, from the newest back
    int recordCount = 0;
    Phase phase = Phase::Idle;
};

void DayLogExporterPrivate::start()
{
    phase = Phase::Loading;
    controller = new DynDataController(true, q);
    // The records arrive on the push thread; the walk goes on on the GUI thread.
    QObject::connect(
        controller, &DynDataController::newMessageReceived, q,
        [this] {
            if (phase == Phase::Loading)
                timer.start(kSettleMs);
        },
        Qt::QueuedConnection);
    QObject::connect(
        controller, &DynDataController::groupMsgNum, q,
        [this](int count) {
            // The group information came after the controller had stopped waiting for it.
            if (phase == Phase::Loading && groupMessages == 0 && count > 0) {
                groupMessages = count;
                asked = std::min(count, kNewestOnSubscribe);
            }
        },
        Qt::QueuedConnection);
    QObject::connect(
        controller, &DynDataController::networkError, q,
        [this] {
            if (phase == Phase::Loading)
                finish(false,
                    DayLogExporter::tr("The project's messages cannot be loaded: the push service "
                                       "reported an error"));
        },
        Qt::QueuedConnection);

    controller->setPrjName(writer->prjName());
    controller->setProjUserId(prjId, userId);
    groupMessages = controller->getGroupMsgNum();
    asked = std::min(groupMessages, kNewestOnSubscribe);
    timer.start(kNoAnswerMs);
}

QList<const SDynData *> DayLogExporterPrivate::loadedRecords() const
{
    // Every record with a time, newest first. They stay the controller's, which frees none
    // before it is deleted or switched to another project.
    static const QDateTime epoch = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
    QList<const SDynData *> records;
    for (const SDynData *record : controller->fetchDynDataForward(epoch, INT_MAX))
        records << record;
    return records;
}

bool DayLogExporterPrivate::dayComplete(const QList<const SDynData *> &loaded) const
{
    // Forecasts are dated at their first day, whenever they were pushed: only the other
    // records' times follow the order of the messages.
    const auto oldestMessage = std::find_if(loaded.crbegin(), loaded.crend(),
        [](const SDynData *record) { return record->kind != SDynData::KindWeather; });
    if (oldestMessage == loaded.crend())
        return false;
    const qint64 oldest = (*oldestMessage)->dateTime.toMSecsSinceEpoch();
    if (oldest >= dayStart)
        return false;
    if (oldest < lowerBound)
        return true;
    // Between the day and the bound: only a forecast naming the day may still be missing.
    const QString dayText = writer->day().toString(Qt::ISODate);
    return std::any_of(loaded.cbegin(), loaded.cend(), [&dayText](const SDynData *record) {
        return record->kind == SDynData::KindWeather
            && record->content.value(DynKey::date).toString() == dayText;
    });
}

void DayLogExporterPrivate::step()
{
    if (phase != Phase::Loading)
        return;
    const QList<const SDynData *> loaded = loadedRecords();
    if (!dayComplete(loaded) && asked < groupMessages) {
        const int below = groupMessages - asked; // not asked for yet, counted from the first
        const int offset = std::max(0, below - kBatch);
        controller->loadDynData(offset, below - offset);
        asked += below - offset;
        timer.start(kNoAnswerMs);
        return;
    }
    phase = Phase::Thumbnails;
    thumbnails = writer->missingThumbnails(loaded);
    if (!thumbnails.isEmpty() && !QDir().mkpath(writer->thumbnailDir()))
        qCInfo(lcDayLog) << "no thumbnails: cannot create" << writer->thumbnailDir();
    fetchNextThumbnail();
}

void DayLogExporterPrivate::fetchNextThumbnail()
{
    if (thumbnails.isEmpty()) {
        writeLog();
        return;
    }
    if (!service)
        service = createCloudFileService(QString(), QString());
    const QString name = thumbnails.takeFirst();
    transfer = service->downloadPicture(name, writer->thumbnailPath(name), 0, this);
    if (!transfer) {
        qCDebug(lcDayLog) << "no thumbnail of" << name << ": the cloud-file service refused it";
        fetchNextThumbnail();
    }
}

void DayLogExporterPrivate::onFinished(int status, const QString &text)
{
    transfer = nullptr; // ended
    if (status != TransferStatus_Finished)
        qCDebug(lcDayLog) << "no thumbnail for the daily log:" << status << text;
    // Not from inside the service's callback: the next transfer, or the end, releases it.
    QTimer::singleShot(0, q, [this] {
        if (phase == Phase::Thumbnails && !transfer)
            fetchNextThumbnail();
    });
}

void DayLogExporterPrivate::writeLog()
{
    // Read again: records that arrived while the thumbnails came belong in the log too.
    const QList<const SDynData *> records = loadedRecords();
    if (font)
        writer->setFont(*font);
    const bool ok = writer->write(path, records);
    recordCount = ok ? writer->dayRecords(records).size() : 0;
    finish(ok, writer->errorString());
}

void DayLogExporterPrivate::finish(bool ok, const QString &why)
{
    stop();
    error = ok ? QString() : why;
    if (!ok)
        qCDebug(lcDayLog).noquote() << "daily log not written:" << why;
    emit q->finished(ok, path);
}

void DayLogExporterPrivate::stop()
{
    phase = Phase::Idle;
    timer.stop();
    if (transfer)
        transfer->cancel();
    transfer = nullptr;
    if (service)
        service->release();
    service = nullptr;
    // Joins the push thread; queued signals still on their way die with it.
    delete controller;
    controller = nullptr;
    writer.reset();
    thumbnails.clear();
}

DayLogExporter::DayLogExporter(QObject *parent)
    : QObject(parent)
    , d(new DayLogExporterPrivate(this))
{
    connect(&d->timer, &QTimer::timeout, this, [this] { d->step(); });
}

DayLogExporter::~DayLogExporter()
{
    d->stop();
}

bool DayLogExporter::exportDay(const QString &prjId, const QString &userId, const QString &prjName,
    const QDate &day, const QString &path)
{
    if (d->phase != DayLogExporterPrivate::Phase::Idle)
        return false;
    d->prjId = prjId;
    d->userId = userId;
    d->path = path;
    d->error.clear();
    d->recordCount = 0;
    QString why;
    if (prjId.isEmpty() || userId.isEmpty())
        why = tr("No project or user to export the day of");
    else if (!day.isValid())
        why = tr("The day to export is not a valid date");
    else if (path.isEmpty())
        why = tr("No file to write the daily log to");
    if (!why.isEmpty()) {
        // Never from inside the call.
        QTimer::singleShot(0, this, [this, why, path] {
            d->error = why;
            emit finished(false, path);
        });
        return true;
    }
    d->writer.reset(new DayLogWriter(prjName, day));
    d->dayStart = day.startOfDay().toMSecsSinceEpoch();
    d->lowerBound = day.addDays(-kForecastReachDays).startOfDay().toMSecsSinceEpoch();
    d->start();
    return true;
}

bool DayLogExporter::isRunning() const
{
    return d->phase != DayLogExporterPrivate::Phase::Idle;
}

void DayLogExporter::cancel()
{
    d->stop();
}

void DayLogExporter::setFont(const QFont &font)
{
    d->font.reset(new QFont(font));
}

QString DayLogExporter::errorString() const
{
    return d->error;
}

int DayLogExporter::recordCount() const
{
    return d->recordCount;
}
