#include "FuzzSupport.h"

#include <QCoreApplication>

#include <cstdlib>

#include "MessageContext.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "msl.pb.h"
#include "samples/SampleProject.h"

namespace {

DynMsgConverter *s_groupFeed = nullptr;
DynMsgConverter *s_personalFeed = nullptr;
QString s_prjId;
QString s_prjName;

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) { }

void setUp(DynMsgConverter &converter, const QString &userId)
{
    converter.setPrjId(s_prjId);
    converter.setUserId(userId);
}

void convertWith(DynMsgConverter &converter, const MessageContext &context)
{
    const QList<SDynData *> records = converter.convert(context);
    FuzzSupport::checkRecords(records);
    qDeleteAll(records);
}

} // namespace

void FuzzSupport::initialize(const char *program)
{
    // The converter watches the application's translators, as it does in the client.
    static int argc = 1;
    static char *argv[] = { const_cast<char *>(program), nullptr };
    static QCoreApplication app(argc, argv);
    qInstallMessageHandler(dropMessage);

    s_prjId = SampleProject::projectId();
    s_prjName = SampleProject::projectName();
    const QString userId = SampleProject::members().constFirst().userId();
    // Never deleted: the process ends when libFuzzer is done.
    s_groupFeed = new DynMsgConverter(true);
    s_personalFeed = new DynMsgConverter(false);
    setUp(*s_groupFeed, userId);
    setUp(*s_personalFeed, userId);
}

void FuzzSupport::resetConverters()
{
    s_groupFeed->reset();
    s_personalFeed->reset();
}

void FuzzSupport::convertMessage(const pb_clt_t_user &message)
{
    const MessageContext context { s_prjId, &message };
    convertWith(*s_groupFeed, context);
    convertWith(*s_personalFeed, context);
}

void FuzzSupport::convertWeather(const pb_prj_t_prj_weather &weather)
{
    for (DynMsgConverter *converter : { s_groupFeed, s_personalFeed }) {
        const QList<SDynData *> records = converter->convertWeather(weather, s_prjName);
        checkRecords(records);
        qDeleteAll(records);
    }
}

void FuzzSupport::checkRecords(const QList<SDynData *> &records)
{
    for (const SDynData *record : records) {
        if (!record || record->kind < SDynData::KindText || record->kind > SDynData::KindAttachment)
            abort();
        // What the views ask of every record: its time as a sort key, its notification kind.
        if (record->dateTime.isValid())
            (void)record->dateTime.toMSecsSinceEpoch();
        (void)taskNotifyKind(record);
        (void)isValid(record);
    }
}
