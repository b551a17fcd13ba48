// Placing records in the controller's list, and records per second from publishing into the push
// service to the controller's signal.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QMutex>
#include <QStandardPaths>
#include <QWaitCondition>

#include <memory>
#include <vector>

#include "DynKeys.h"
#include "PSVPushService.h"
#include "feed/DynDataController.h"
#include "feed/SDynData.h"
#include "msl.pb.h"

namespace {

const qint64 kBase = 1762000000;

std::vector<SDynData *> makeRecords(int n)
{
    // Oldest last: every record is older than the ones before it, with runs of equal times.
    std::vector<SDynData *> records;
    records.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        auto *record = new SDynData(SDynData::KindText);
        record->text = QStringLiteral("record");
        // With a fixed offset, as the converter makes them.
        record->dateTime
            = QDateTime::fromSecsSinceEpoch(kBase - i / 3, Qt::OffsetFromUTC, 8 * 3600);
        records.push_back(record);
    }
    return records;
}

void BM_BackfillOldestLast(benchmark::State &state)
{
    const int n = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto controller = std::make_unique<DynDataController>(true, nullptr);
        std::vector<SDynData *> records = makeRecords(n);
        state.ResumeTiming();
        for (SDynData *record : records)
            controller->addDynData(record);
        state.PauseTiming();
        controller.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BackfillOldestLast)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Reference: the placement walked from the front of a QList, as the rule is stated.
void BM_ReferenceWalkOldestLast(benchmark::State &state)
{
    const int n = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<SDynData *> records = makeRecords(n);
        QList<SDynData *> list;
        state.ResumeTiming();
        for (SDynData *record : records) {
            int pos = 0;
            while (pos < list.size() && !(record->dateTime > list.at(pos)->dateTime))
                ++pos;
            if (pos == list.size() && pos > 0 && !(record->dateTime < list.last()->dateTime))
                pos = list.size() - 1;
            list.insert(pos, record);
        }
        state.PauseTiming();
        qDeleteAll(list);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ReferenceWalkOldestLast)->Arg(10000)->Unit(benchmark::kMillisecond);

/// Counts the records announced by the controller; woken on the push thread.
struct Arrivals
{
    QMutex mutex;
    QWaitCondition changed;
    int batches = 0;

    void waitFor(int wanted)
    {
        QMutexLocker lock(&mutex);
        while (batches < wanted)
            changed.wait(&mutex);
    }
};

pb_clt_t_user messageOf(int items, qint64 firstTime)
{
    pb_clt_t_user user;
    for (int i = 0; i < items; ++i) {
        pb_im_t_msg_item *item = user.mutable_f_im_msg()->add_f_msg();
        item->set_f_msg_type(MsgType::Plain);
        item->set_f_msg_id(quint64(firstTime + i));
        item->set_f_sender_id(1001);
        item->set_f_sender_name("张伟");
        item->set_f_msg_body("张伟：三号楼十二层顶板钢筋绑扎完成，请质量员验收。");
        item->set_f_send_time(firstTime + i);
    }
    return user;
}

void BM_PublishToSignal(benchmark::State &state)
{
    const int items = int(state.range(0));
    static int project = 700;
    const QString prj = QString::number(++project);

    DynDataController controller(true, nullptr);
    Arrivals arrivals;
    QObject::connect(
        &controller, &DynDataController::newMessageReceived, &controller,
        [&arrivals](bool) {
            QMutexLocker lock(&arrivals.mutex);
            ++arrivals.batches;
            arrivals.changed.wakeAll();
        },
        Qt::DirectConnection);
    controller.setProjUserId(prj, QStringLiteral("bench"));

    qint64 time = kBase;
    int published = 0;
    for (auto _ : state) {
        const pb_clt_t_user message = messageOf(items, time);
        time += items;
        PSVPushService::publish(prj, message);
        arrivals.waitFor(++published);
    }
    state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_PublishToSignal)->Arg(1)->Arg(20)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    PSVPushService::setStorePath(QString()); // in memory
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
