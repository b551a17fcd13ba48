#include "ConsoleDemo.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

#include "FeedPrinter.h"
#include "PSVPushService.h"
#include "feed/DynDataController.h"
#include "feed/SDynData.h"
#include "samples/SampleProject.h"

namespace {

const int kPageSize = 30;
const int kWaitMs = 5000;
const int kOlderWaitMs = 500;
const int kOlderAttempts = 6;

/// Counts the batches a controller announces, and waits for the next one.
class BatchWatch : public QObject
{
public:
    explicit BatchWatch(DynDataController *controller)
    {
        connect(
            controller, &DynDataController::newMessageReceived, this,
            [this] {
                ++m_batches;
                m_loop.exit(0);
            },
            Qt::QueuedConnection);
    }

    /// True when a batch arrived since the last call, or arrives within waitMs.
    bool waitForBatch(int waitMs)
    {
        if (m_batches == m_seen) {
            QTimer timer;
            timer.setSingleShot(true);
            connect(&timer, &QTimer::timeout, &m_loop, [this] { m_loop.exit(1); });
            timer.start(waitMs);
            m_loop.exec();
        }
        const bool arrived = m_batches > m_seen;
        m_seen = m_batches;
        return arrived;
    }

private:
    QEventLoop m_loop;
    int m_batches = 0;
    int m_seen = 0;
};

/// A notice as a site engineer would post it, sent now.
pb_clt_t_user notice(int number)
{
    const SampleMember author = SampleProject::members().value(number % 3);
    pb_clt_t_user user;
    pb_im_t_msg_item *item = user.mutable_f_im_msg()->add_f_msg();
    item->set_f_msg_type(5);
    item->set_f_sender_id(author.uid);
    item->set_f_sender_name(author.name.toStdString());
    item->set_f_msg_body(QStringLiteral("%1：现场巡查第%2次，塔吊运行正常。")
                             .arg(author.name)
                             .arg(number)
                             .toStdString());
    item->set_f_send_time(QDateTime::currentSecsSinceEpoch());
    return user;
}

} // namespace

ConsoleDemo::ConsoleDemo(QTextStream &out, QObject *parent)
    : QObject(parent)
    , m_out(out)
{ }

int ConsoleDemo::run(int newMessages)
{
    // The stores were prepared by main (DemoStore).
    const QString prjId = SampleProject::projectId();
    int initSeq = 0;
    int seq = 0;
    PSVPushService::groupSeqIds(prjId, &initSeq, &seq);
    for (int i = 0; i < newMessages; ++i)
        PSVPushService::publish(prjId, notice(seq + i));

    DynDataController controller(true, nullptr);
    int newCount = -1;
    connect(
        &controller, &DynDataController::newMsgNum, this,
        [&newCount](int count) {
            if (newCount < 0)
                newCount = count;
        },
        Qt::QueuedConnection);
    bool failed = false;
    connect(
        &controller, &DynDataController::networkError, this, [&failed] { failed = true; },
        Qt::QueuedConnection);

    controller.setPrjName(SampleProject::projectName());
    BatchWatch watch(&controller);
    const QString userId = SampleProject::members().constFirst().userId();
    controller.setProjUserId(prjId, userId);
    if (!watch.waitForBatch(kWaitMs) || failed) {
        m_out << "no messages arrived from the push service\n";
        return 1;
    }

    FeedPrinter printer(m_out);
    m_out << SampleProject::projectName() << ": " << controller.getGroupMsgNum()
          << " messages in the group, " << qMax(0, newCount) << " new since the last run\n";
    // The service sends only the group's newest few messages on subscribing: a short page asks
    // for older ones, which arrive as a batch of their own, and is fetched again.
    const auto fill = [&controller, &watch](int page) {
        QList<SDynData *> records = controller.fetchDynData(page, kPageSize);
        for (int attempt = 0; records.size() < kPageSize && attempt < kOlderAttempts; ++attempt) {
            if (!watch.waitForBatch(kOlderWaitMs))
                break;
            records = controller.fetchDynData(page, kPageSize);
        }
        return records;
    };
    m_out << "-- page 1 --\n";
    printer.printInOrder(fill(1));
    m_out << "-- page 2 --\n";
    printer.printInOrder(fill(2));
    return 0;
}
