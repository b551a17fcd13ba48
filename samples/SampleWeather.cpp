#include "samples/SampleWeather.h"

#include <QString>
#include <QStringList>

#include "samples/SampleProject.h"

#include "DynKeys.h"

namespace {

/// One kind of weather: the text before the temperatures, the type code the feed knows it by
/// (1 thunder shower; every other code shows as cloudy) and the reminders the site gets.
struct Sky
{
    QString text;
    int type;
    QStringList reminders;
    int reminderType;
};

const QList<Sky> &skies()
{
    static const QList<Sky> list {
        { QStringLiteral("晴"), 3, {}, 0 },
        { QStringLiteral("多云"), 0, { QStringLiteral("早晚温差大，注意混凝土养护") }, 2 },
        { QStringLiteral("阴"), 4, {}, 0 },
        { QStringLiteral("雷阵雨"), WeatherType::ThunderShower,
            { QStringLiteral("雷阵雨天气，暂停塔吊及高处作业"),
                QStringLiteral("检查临时用电漏电保护") },
            1 },
        { QStringLiteral("小雨"), 2, { QStringLiteral("雨天路滑，注意基坑边坡及脚手架防滑") }, 3 },
        { QStringLiteral("中雨转阵雨"), 2, { QStringLiteral("暂停室外焊接，混凝土浇筑做好覆盖") },
            3 },
        { QStringLiteral("多云转晴"), 0, {}, 0 },
        { QStringLiteral("大风"), 5, { QStringLiteral("大风预警，塔吊停止作业并放松回转制动") },
            1 },
    };
    return list;
}

/// Daytime high of the month at the site, in degrees Celsius.
int seasonHigh(int month)
{
    static const int highs[12] = { 8, 10, 15, 21, 26, 30, 34, 33, 29, 23, 17, 11 };
    return highs[(month - 1) % 12];
}

/// A small hash of the day, so that each date has weather of its own.
quint32 dayHash(const QDate &date, quint32 salt)
{
    quint64 x = quint64(date.toJulianDay()) * 0x9e3779b97f4a7c15ULL + salt;
    x ^= x >> 31;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 29;
    return quint32(x);
}

const char *const kWinds[] = { "北风2级", "东北风3级", "东风2级", "东南风3级", "西北风4级" };

} // namespace

namespace SampleWeather {

pb_clt_t_user forecast(const QDate &firstDay, int days)
{
    pb_clt_t_user message;
    pb_prj_t_prj_weather *weather = message.mutable_f_prj_weather();
    weather->set_f_prj_id(SampleProject::projectId().toULongLong());
    for (int i = 0; i < days; ++i) {
        const QDate date = firstDay.addDays(i);
        const Sky &sky = skies().at(int(dayHash(date, 1) % quint32(skies().size())));
        const int high = seasonHigh(date.month()) + int(dayHash(date, 2) % 5) - 2;
        const int low = high - 6 - int(dayHash(date, 3) % 4);
        const QString text = QStringLiteral("%1 %2~%3℃ %4")
                                 .arg(sky.text)
                                 .arg(low)
                                 .arg(high)
                                 .arg(QString::fromUtf8(kWinds[dayHash(date, 4) % 5]));
        pb_prj_t_weather_details *day = weather->add_f_weather_info();
        day->set_f_weather_info(text.toStdString());
        day->set_f_weather_type(sky.type);
        day->set_f_date(date.toString(QStringLiteral("yyyy-MM-dd")).toStdString());
        for (const QString &title : sky.reminders) {
            pb_prj_t_reminder *reminder = day->add_f_reminders();
            reminder->set_f_reminder_title(title.toStdString());
            reminder->set_f_reminder_type(sky.reminderType);
        }
    }
    return message;
}

QList<pb_clt_t_user> storyForecasts()
{
    QList<pb_clt_t_user> messages;
    for (const pb_prj_t_prj_weather &weather : SampleProject::weather()) {
        messages.append(pb_clt_t_user());
        *messages.last().mutable_f_prj_weather() = weather;
    }
    return messages;
}

} // namespace SampleWeather
