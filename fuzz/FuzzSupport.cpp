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

    // A plain message's summary is its body exactly as Qt decodes it, less the sender's name in
    // front: the converter's own UTF-8 decoder and its cutting of the name must agree with Qt.
    for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg()) {
        if (item.f_msg_type() != 5)
            continue;
        pb_clt_t_user single;
        pb_im_t_msg_item *copy = single.mutable_f_im_msg()->add_f_msg();
        *copy = item;
        copy->clear_f_msg_seq_id(); // converted even when its number was seen
        const QList<SDynData *> records = s_groupFeed->convert({ s_prjId, &single });
        const std::string &body = item.f_msg_body();
        const std::string &name = item.f_sender_name();
        QString expected = QString::fromUtf8(body.data(), int(body.size()));
        const QString nameText = QString::fromUtf8(name.data(), int(name.size()));
        if (!nameText.isEmpty() && expected.startsWith(nameText))
            expected.remove(0, nameText.size());
        if (records.size() != 1 || records.constFirst()->text != expected
            || records.constFirst()->userName != nameText)
            abort();
        qDeleteAll(records);
    }
}

void FuzzSupport::convertWeather(const pb_prj_t_prj_weather &weather)
{
    for (DynMsgConverter *converter : { s_groupFeed, s_personalFeed }) {
        const QList<SDynData *> records = converter->convertWeather(weather, s_prjName);
        checkRecords(records);
        // One record per reminder, in order, its texts exactly as Qt decodes the bytes: the
        // converter's own UTF-8 decoder must never differ from Qt's.
        int next = 0;
        for (const pb_prj_t_weather_details &day : weather.f_weather_info()) {
            if (records.isEmpty())
                break; // another project's forecast
            const QString info
                = QString::fromUtf8(day.f_weather_info().data(), int(day.f_weather_info().size()));
            for (const pb_prj_t_reminder &reminder : day.f_reminders()) {
                if (next >= records.size())
                    abort();
                const SDynData *record = records.at(next++);
                const std::string &title = reminder.f_reminder_title();
                if (record->text != QString::fromUtf8(title.data(), int(title.size()))
                    || record->content.value(QStringLiteral("f_weather_info")).toString() != info)
                    abort();
            }
        }
        if (next != records.size())
            abort();
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
