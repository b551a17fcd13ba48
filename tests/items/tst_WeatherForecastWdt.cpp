#include <QHBoxLayout>
#include <QLabel>
#include <QtTest>

#include <google/protobuf/text_format.h>

#include <memory>
#include <vector>

#include "MessageContext.h"
#include "common/TestEnvironment.h"
#include "common/TestMain.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "items/ContentWdtFactory.h"
#include "items/WeatherForecastWdt.h"
#include "msl.pb.h"

/// Weather pushed into the project's group, from the message to the item's content: one record
/// per reminder or per day without one, dated by the forecast's first day, the type's look,
/// the project and date, and the reminder's tag present or absent.
class tst_WeatherForecastWdt : public QObject
{
    Q_OBJECT

private slots:
    void forecast_data();
    void forecast();
};

namespace {

/// "summary|widget's name|weather|project and date|tag" per record, "-" for a missing label.
QString reading(const SDynData &record, const AbsContentWdt *content)
{
    if (!content)
        return record.text + QStringLiteral("|no content");
    QStringList parts { record.text, content->objectName() };
    for (const char *name : { "WeatherForecastWdt_Weather", "WeatherForecastWdt_ProjTime",
             "WeatherForecastWdt_Mark" }) {
        const auto *label = content->findChild<QLabel *>(QLatin1String(name));
        parts << (label ? label->text() : QStringLiteral("-"));
    }
    return parts.join(QLatin1Char('|'));
}

} // namespace

void tst_WeatherForecastWdt::forecast_data()
{
    QTest::addColumn<QString>("weather"); // the forecast's fields
    QTest::addColumn<QString>("prjName"); // set on the converter
    QTest::addColumn<QDate>("dated"); // the records' day; invalid: no time
    QTest::addColumn<QStringList>("expected");

    const QDate may3(2016, 5, 3);
    const auto own = [](const char *days) { return "f_prj_id: 10086 " + QString(days); };
    QTest::newRow("thunder shower with a reminder")
        << own("f_weather_info { f_weather_info: '雷阵雨 15~22℃' f_weather_type: 1 f_date: "
               "'2016-05-03' f_reminders { f_reminder_title: '暂停塔吊作业' f_reminder_type: 1 } }")
        << "Tower B" << may3
        << QStringList { "暂停塔吊作业|ThunderShower|雷阵雨 15~22℃|Tower B.05-03|暂停塔吊作业" };
    QTest::newRow("a day without reminder has no tag")
        << own("f_weather_info { f_weather_info: '多云' f_weather_type: 0 f_date: '2016-05-03' }")
        << "Tower B" << may3 << QStringList { "天气预报|Cloudy|多云|Tower B.05-03|-" };
    QTest::newRow("a reminder without title counts as none")
        << own("f_weather_info { f_weather_info: '阴' f_date: '2016-05-03' f_reminders {} }")
        << "Tower B" << may3 << QStringList { "天气预报|Cloudy|阴|Tower B.05-03|-" };
    QTest::newRow("unknown type looks cloudy, days in order, dated by the first")
        << own("f_weather_info { f_weather_info: '晴' f_weather_type: 7 f_date: '2016-05-04' "
               "f_reminders { f_reminder_title: '防晒' } "
               "f_reminders { f_reminder_title: '补水' } } "
               "f_weather_info { f_weather_info: '小雨' f_weather_type: 0 f_date: '2016-05-03' }")
        << "Tower B" << may3
        << QStringList { "防晒|Cloudy|晴|Tower B.05-04|防晒", "补水|Cloudy|晴|Tower B.05-04|补水",
               "天气预报|Cloudy|小雨|Tower B.05-03|-" };
    QTest::newRow("no project name: the date alone")
        << own("f_weather_info { f_weather_info: '多云' f_date: '2016-05-03' }") << "" << may3
        << QStringList { "天气预报|Cloudy|多云|05-03|-" };
    QTest::newRow("a date in another form: the name alone, no time")
        << own("f_weather_info { f_weather_info: '多云' f_date: '5/3/2016' }") << "Tower B"
        << QDate() << QStringList { "天气预报|Cloudy|多云|Tower B.|-" };
    QTest::newRow("another project's weather")
        << "f_prj_id: 10087 f_weather_info { f_date: '2016-05-03' }"
        << "Tower B" << QDate() << QStringList {};
}

void tst_WeatherForecastWdt::forecast()
{
    QFETCH(QString, weather);
    QFETCH(QString, prjName);
    QFETCH(QDate, dated);
    QFETCH(QStringList, expected);

    const ScopedTimeZone zone("Asia/Shanghai");
    pb_clt_t_user message;
    QVERIFY(google::protobuf::TextFormat::MergeFromString(
        QStringLiteral("f_prj_weather { %1 }").arg(weather).toStdString(), &message));
    DynMsgConverter converter(true);
    converter.setPrjId(QStringLiteral("10086"));
    converter.setPrjName(prjName);
    MessageContext context;
    context.user = &message;
    std::vector<std::unique_ptr<SDynData>> records;
    for (SDynData *record : converter.convert(context))
        records.emplace_back(record);

    QStringList actual;
    for (const auto &record : records) {
        QCOMPARE(record->dateTime, dated.isValid() ? dated.startOfDay() : QDateTime());
        const std::unique_ptr<AbsContentWdt> content(createContentWdt(record.get()));
        actual << reading(*record, content.get());
        // The tag takes its text's size and 20 by 10 pixels of room.
        if (const auto *tag
            = content->findChild<QLabel *>(QStringLiteral("WeatherForecastWdt_Mark")))
            QCOMPARE(tag->size(), tag->sizeHint() + QSize(20, 10));
    }
    QCOMPARE(actual, expected);
}

DYNFEED_TEST_MAIN(tst_WeatherForecastWdt)
#include "tst_WeatherForecastWdt.moc"
