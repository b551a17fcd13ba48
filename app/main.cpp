#include <QCoreApplication>
#include <QTextStream>

#include "FeedPrinter.h"
#include "MessageContext.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "samples/SampleProject.h"

// For now the demo converts the sample project and prints its feed, newest first.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    out.setCodec("UTF-8");

    DynMsgConverter converter(true);
    converter.setPrjId(SampleProject::projectId());
    converter.setUserId(SampleProject::members().constFirst().userId());

    const QList<pb_clt_t_user> messages = SampleProject::messages();
    QList<SDynData *> records;
    for (const pb_clt_t_user &message : messages) {
        MessageContext context;
        context.groupId = SampleProject::projectId();
        context.user = &message;
        records += converter.convert(context);
    }
    for (const pb_prj_t_prj_weather &forecast : SampleProject::weather())
        records += converter.convertWeather(forecast, SampleProject::projectName());

    const int offsetMinutes = SampleProject::startTime().toLocalTime().offsetFromUtc() / 60;
    out << SampleProject::projectName() << " (" << SampleProject::projectId()
        << "): " << records.size() << " records from " << messages.size()
        << " messages; local time UTC" << (offsetMinutes < 0 ? '-' : '+')
        << QStringLiteral("%1:%2")
               .arg(qAbs(offsetMinutes) / 60, 2, 10, QLatin1Char('0'))
               .arg(qAbs(offsetMinutes) % 60, 2, 10, QLatin1Char('0'))
        << '\n';
    FeedPrinter(out).print(records);
    qDeleteAll(records);
    return 0;
}
