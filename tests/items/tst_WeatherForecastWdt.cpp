#include <QLabel>
#include <QtTest>

#include <google/protobuf/text_format.h>

#include <memory>

#include "MessageContext.h"
#include "common/TestEnvironment.h"
#include "common/TestMain.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "items/AbsContentWdt.h"
#include "items/ContentWdtFactory.h"
#include "msl.pb.h"

/// Weather pushed into the project's group, from the message to the item's content: one record
/// per reminder (none for a day without), dated by the forecast's first day, the type's look,
/// the project and date, and the reminder's tag.

class tst_WeatherForecastWdt : public QObject
{
    Q_OBJECT

private slots:

    void forecast_data()
    {
        QTest::addColumn<QString>("days"); // the forecast's f_weather_info entries
        QTest::addColumn<QString>("prjName"); // set on the converter
        QTest::addColumn<QDate>("dated"); // the records' day; invalid: no time
        // Per record: "summary|widget's name|weather|project and date|tag", "-" for no tag.
        QTest::addColumn<QStringList>("expected");

        const QDate may3(2016, 5, 3);
        QTest::newRow("thunder shower with a reminder")
            << "{ f_weather_info: '雷阵雨' f_weather_type: 1 f_date: '2016-05-03' "
               "f_reminders { f_reminder_title: '暂停塔吊作业' f_reminder_type: 1 } }"
            << "Tower B" << may3
            << QStringList { "暂停塔吊作业|ThunderShower|雷阵雨|Tower B.05-03|暂停塔吊作业" };
        QTest::newRow("a day without reminder gives nothing")
            << "{ f_weather_info: '多云' f_weather_type: 0 f_date: '2016-05-03' }"
            << "Tower B" << may3 << QStringList {};
        QTest::newRow("a reminder without title: a header without content")
            << "{ f_weather_info: '阴' f_date: '2016-05-03' f_reminders {} }"
            << "Tower B" << may3 << QStringList { "|none" };
        QTest::newRow("unknown type looks cloudy, reminders in order, dated by the first day")
            << "{ f_weather_info: '晴' f_weather_type: 7 f_date: '2016-05-04' "
               "f_reminders { f_reminder_title: '防晒' } f_reminders { f_reminder_title: '补水' } "
               "} "
               "f_weather_info { f_weather_info: '小雨' f_date: '2016-05-03' }"
            << "Tower B" << may3
            << QStringList { "防晒|Cloudy|晴|Tower B.05-04|防晒",
                   "补水|Cloudy|晴|Tower B.05-04|补水" };
        QTest::newRow("no project name")
            << "{ f_weather_info: '多云' f_date: '2016-05-03' f_reminders { f_reminder_title: "
               "'降温' } "
               "}"
            << "" << may3 << QStringList { "降温|Cloudy|多云|.05-03|降温" };
        QTest::newRow("a date in another form: no month and day, no time")
            << "{ f_weather_info: '多云' f_date: '5月3日' f_reminders { f_reminder_title: '降温' } "
               "}"
            << "Tower B" << QDate() << QStringList { "降温|Cloudy|多云|Tower B.|降温" };
    }

    void forecast()
    {
        QFETCH(QString, days);
        QFETCH(QDate, dated);

        const ScopedTimeZone zone("Asia/Shanghai");
        pb_clt_t_user message;
        QVERIFY(google::protobuf::TextFormat::MergeFromString(
            QString("f_prj_weather { f_prj_id: 10086 f_weather_info %1 }").arg(days).toStdString(),
            &message));
        DynMsgConverter converter(true);
        converter.setPrjId(QStringLiteral("10086"));
        QFETCH(QString, prjName);
        converter.setPrjName(prjName);
        MessageContext context;
        context.user = &message;
        QStringList actual;
        for (SDynData *raw : converter.convert(context)) {
            const std::unique_ptr<SDynData> record(raw);
            QCOMPARE(record->dateTime, dated.isValid() ? dated.startOfDay() : QDateTime());
            const std::unique_ptr<AbsContentWdt> content(createContentWdt(record.get()));
            QStringList parts { record->text,
                content ? content->objectName() : QStringLiteral("none") };
            for (const char *name : { "Weather", "ProjTime", "Mark" }) {
                if (!content)
                    break;
                const auto *label
                    = content->findChild<QLabel *>("WeatherForecastWdt_" + QString(name));
                parts << (label ? label->text() : QStringLiteral("-"));
                // The tag takes its text's size and 20 by 10 pixels of room.
                if (label && QLatin1String(name) == QLatin1String("Mark"))
                    QCOMPARE(label->size(), label->sizeHint() + QSize(20, 10));
            }
            actual << parts.join(QLatin1Char('|'));
        }
        QTEST(actual, "expected");
    }
};

DYNFEED_TEST_MAIN(tst_WeatherForecastWdt)
#include "tst_WeatherForecastWdt.moc"
