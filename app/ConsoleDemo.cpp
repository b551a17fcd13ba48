#include "ConsoleDemo.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QStandardPaths>
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

/// Runs the event loop until the controller announces a batch, or the time runs out.
bool waitForBatch(DynDataController &controller)
{
    QEventLoop loop;
    QTimer::singleShot(kWaitMs, &loop, [&loop] { loop.exit(1); });
    QObject::connect(
        &controller, &DynDataController::newMessageReceived, &loop, [&loop] { loop.exit(0); },
        Qt::QueuedConnection);
    return loop.exec() == 0;
}

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
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(dataDir);
    PSVPushService::setStorePath(dataDir + QStringLiteral("/push.sqlite"));

    const QString prjId = SampleProject::projectId();
    int initSeq = 0;
    int seq = 0;
    PSVPushService::groupSeqIds(prjId, &initSeq, &seq);
    if (seq == 0) {
        for (const pb_clt_t_user &message : SampleProject::messages()) {
            if (PSVPushService::publish(prjId, message).isEmpty()) {
                m_out << "cannot publish the sample project into " << PSVPushService::storePath()
                      << '\n';
                return 1;
            }
        }
        m_out << "published the sample project into " << PSVPushService::storePath() << '\n';
    }
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

    const QString userId = SampleProject::members().constFirst().userId();
    controller.setProjUserId(prjId, userId);
    if (!waitForBatch(controller) || failed) {
        m_out << "no messages arrived from the push service\n";
        return 1;
    }

    FeedPrinter printer(m_out);
    m_out << SampleProject::projectName() << ": " << controller.getGroupMsgNum()
          << " messages in the group, " << qMax(0, newCount) << " new since the last run\n";
    m_out << "-- page 1 --\n";
    printer.printInOrder(controller.fetchDynData(1, kPageSize));

    // The newest batch fills page 1 only; asking for page 2 requests older messages.
    QList<SDynData *> page2 = controller.fetchDynData(2, kPageSize);
    while (page2.size() < kPageSize && waitForBatch(controller))
        page2 = controller.fetchDynData(2, kPageSize);
    m_out << "-- page 2 --\n";
    printer.printInOrder(page2);
    return 0;
}
