#include <QRegularExpression>
#include <QVBoxLayout>
#include <QtTest>

#include "common/TestMain.h"
#include "feed/SDynData.h"
#include "i18n/DynFeedTranslations.h"
#include "items/SingleDynamicWdt.h"
#include "items/SummaryInfoWdt.h"
#include "views/PageNavigateWdt.h"

/// The embedded translations: complete, and followed by shown items, navigator and times.

class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void shownTexts_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Chinese")
            << "zh_CN"
            << "上一页|下一页|跳转|问题项|已完成|立即通知他|查看|来自任务：浇筑|"
               "更多|安全员|2天前|5分钟前|1分钟前|2小时前|刚刚";
        QTest::newRow("English")
            << "en"
            << "Previous Page|Next Page|Go to|Issue|Completed|Notify now|View|"
               "Come from task 浇筑|More|Safety officer|2 days ago|5 minutes ago|"
               "1 minute ago|2 hours ago|Just now";
    }

    void shownTexts()
    {
        QFETCH(QString, language);
        QFETCH(QString, expected);
        QFile file(QStringLiteral(DYNFEED_TS_DIR "/dynfeed_%1.ts").arg(language));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString ts = QString::fromUtf8(file.readAll());
        const QRegularExpression message(
            QStringLiteral("<source>(.*?)</source>\\s*<translation([^>]*)>(.*?)</translation>"),
            QRegularExpression::DotMatchesEverythingOption);
        QHash<QString, QString> translations;
        for (auto it = message.globalMatch(ts); it.hasNext();) {
            const QRegularExpressionMatch found = it.next(); // unfinished ones have a type
            const bool finished = found.captured(2).isEmpty() && !found.captured(3).isEmpty();
            QVERIFY2(finished, qPrintable(found.captured(1)));
            translations.insert(found.captured(1), found.captured(3));
        }
        QCOMPARE(ts.count(message), ts.count(QStringLiteral("<message"))); // none left unread

        QWidget page; // built in the other language: the change has to reach it
        QVERIFY(DynFeedTranslations::install(QLocale(language == "en" ? "zh_CN" : "en")));
        auto *layout = new QVBoxLayout(&page);
        layout->addWidget(new PageNavigateWdt(&page));
        const auto addItem = [&](int kind, const QVariantHash &content, const QVariantHash &extra) {
            SDynData record(kind);
            record.text = QStringLiteral("发布了");
            record.userJob = QStringLiteral("安全员");
            record.dateTime = QDateTime::currentDateTime().addDays(-2);
            record.content = content;
            record.extra = extra;
            auto *item = new SingleDynamicWdt(&page);
            item->setDynData(&record);
            layout->addWidget(item);
        };
        addItem(SDynData::KindTask, { { "taskid", "77" }, { "type", "问题项" }, { "status", 1 } },
            { { "operate_type", 1 }, { "receiver_uids", QStringList { "3" } }, { "msgid", "9" } });
        addItem(SDynData::KindTaskReport, { { "taskid", "7" }, { "task_desc", "浇筑" } }, {});
        addItem(SDynData::KindProjectInfo, { { "text", "建设单位" } }, {});
        QVERIFY(DynFeedTranslations::install(QLocale(language)));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);

        QStringList shown;
        for (const QWidget *widget : page.findChildren<QWidget *>()) // buttons and labels
            shown << widget->property("text").toString();
        const QDateTime noon(QDate(2026, 3, 2), QTime(12, 0));
        for (int secs : { 300, 60, 7200, 30 })
            shown << SummaryInfoWdt::getTimeStr(noon, noon.addSecs(secs));
        for (const QString &text : expected.split('|'))
            QVERIFY2(shown.contains(text), qPrintable(text + " not in " + shown.join('|')));
        for (const QString &text : shown) // a source text shown where its language differs
            QVERIFY2(translations.value(text, text) == text, qPrintable(text));
    }
};

DYNFEED_TEST_MAIN(tst_Translations)
#include "tst_Translations.moc"
