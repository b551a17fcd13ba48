#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "CloudFileService.h"
#include "PSVPushService.h"
#include "attach/PictureLabel.h"
#include "common/TestEnvironment.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"
#include "export/DayLogExporter.h"
#include "export/DayLogWriter.h"
#include "feed/SDynData.h"
#include "samples/SampleFiles.h"
#include "samples/SampleProject.h"
#include "samples/SampleWeather.h"

/// The daily log: days of the sample project exported from the real push service and cloud-file
/// store, read back with pdftotext; hostile records and unwritable files.

namespace {

const QString kFamily = QStringLiteral("WenQuanYi Zen Hei");
const QString kDay1 = QStringLiteral("2026-11-02");
const QString kDay5 = QStringLiteral("2026-11-06");

enum Check { OnEveryPage, PageNumbers, Present, Absent, Before, InRecord };

/// Exports the sample project's day to pdf and waits for its end: 1 done, 0 failed, -1 refused
/// or no end.
int exportDay(DayLogExporter &exporter, const QDate &day, const QString &pdf)
{
    QSignalSpy finished(&exporter, &DayLogExporter::finished);
    if (!exporter.exportDay(SampleProject::projectId(),
            SampleProject::members().constFirst().userId(), SampleProject::projectName(), day, pdf)
        || !finished.wait(30000))
        return -1;
    return finished.constFirst().at(0).toBool() ? 1 : 0;
}

} // namespace

class tst_DayLog : public QObject
{
    Q_OBJECT

    /// The text of the PDF, one entry per page; empty when pdftotext failed.

    QTemporaryDir m_dir;
    const ScopedTimeZone m_siteTime { "Asia/Shanghai" }; // the sample's days are days at the site
    // The feed's thumbnails go under the temporary directory: this test's own.
    const ScopedEnvironment m_tmpDir { "TMPDIR", m_dir.path().toLocal8Bit() };
    QFont m_font;
    QHash<QString, QStringList> m_logs; // the pages of each day exported
private slots:

    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is missing: install poppler-utils (scripts/deps.sh)");
        QVERIFY2(QFontDatabase().families().contains(kFamily),
            "WenQuanYi Zen Hei is missing: install fonts-wqy-zenhei (scripts/deps.sh)");
        m_font = QFont(kFamily);
        m_font.setPointSizeF(9.5);

        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        PSVPushService::setStorePath(QString());
        CloudFileStore::setRootPath(m_dir.filePath(QStringLiteral("cloud")));
        for (const SampleFile &file : SampleFiles::all()) {
            const QString path = CloudFileStore::filePath(file.id);
            if (file.kind == SampleFile::Attachment && !path.isEmpty()
                && PictureLabel::fileType(file.name) == PictureLabel::Picture)
                QVERIFY(TestPictures::writeFile(path, SampleFiles::contents(file)));
        }
        for (const pb_clt_t_user &message :
            SampleProject::messages() + SampleWeather::storyForecasts())
            QVERIFY(!PSVPushService::publish(SampleProject::projectId(), message).isEmpty());

        DayLogExporter exporter;
        exporter.setFont(m_font);
        for (const QString &day : { kDay1, kDay5 }) {
            const QString pdf = m_dir.filePath(day + QStringLiteral(".pdf"));
            QVERIFY2(exportDay(exporter, QDate::fromString(day, Qt::ISODate), pdf) == 1,
                qPrintable(exporter.errorString()));
            m_logs.insert(day, pages(pdf));
            QVERIFY(m_logs.value(day).size() >= 2);
        }
    }

    static QStringList pages(const QString &pdf, const QStringList &options = { "-raw" })
    {
        QProcess process;
        process.start(QStringLiteral("pdftotext"),
            options + QStringList { QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, "-" });
        if (!process.waitForFinished(30000) || process.exitCode() != 0)
            return {};
        QStringList result = QString::fromUtf8(process.readAllStandardOutput()).split(QChar('\f'));
        if (!result.isEmpty() && result.constLast().trimmed().isEmpty())
            result.removeLast();
        return result;
    }

    void sampleDay_data()
    {
        QTest::addColumn<QString>("day");
        QTest::addColumn<int>("check");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("later"); // Before: what follows text; InRecord: what the
                                            // record beginning with text shows

        const auto row = [](const char *name, const QString &day, Check check, const QString &text,
                             const QString &later = QString()) {
            QTest::newRow(name) << day << int(check) << text << later;
        };
        row("project name on every page", kDay1, OnEveryPage, SampleProject::projectName());
        row("date on every page", kDay5, OnEveryPage, kDay5);
        row("page n of m", kDay1, PageNumbers, "");
        row("every record of the first day, after a walk to the group's start", kDay1, Present,
            "14 record(s)");
        row("completed task", kDay1, InRecord, "11:47 陈晓东", "已完成");
        row("task in progress", kDay1, InRecord, "13:48 李志强", "进行中");
        row("delayed task", kDay5, InRecord, "10:19 李志强", "延期");
        row("voice note of a task", kDay1, Present, "Voice note (31 s)");
        row("attachment name and size", kDay1, Present, "11月份进度计划.xlsx 232KB");
        row("weather reminder of the day", kDay1, Present, "早晚温差大，注意混凝土养护");
        row("project information as lines", kDay1, Present, "项目类型 : 建筑工程");
        row("markup of a message as text", kDay5, Present,
            "<b>注意</b><script>alert('x')</script>");
        row("reminder of the next day", kDay1, Absent, "注意临时用电防潮");
        row("log of the next day", kDay1, Absent, "11月03日");
        row("log of the day before", kDay5, Absent, "11月05日");
        row("reminder of the day before", kDay5, Absent, "雨天路滑，注意基坑边坡");
        row("tasks newest first", kDay1, Before, "13:48", "11:24");
        row("notices newest first", kDay1, Before, "11月02日 安全日志", "11月02日 施工日志");
        row("files newest first", kDay5, Before, "幕墙深化图纸（第二版）.zip",
            "塔吊安拆专项方案.docx");
        row("weather before tasks", kDay1, Before, "早晚温差大", "Tasks");
    }

    void sampleDay()
    {
        QFETCH(QString, day);
        QFETCH(int, check);
        QFETCH(QString, text);
        QFETCH(QString, later);
        const QStringList log = m_logs.value(day);
        const QString all = log.join(QChar('\f'));
        switch (check) {
        case OnEveryPage:
        case PageNumbers:
            for (int page = 0; page < log.size(); ++page) {
                const QString wanted = check == OnEveryPage
                    ? text
                    : QStringLiteral("Page %1 of %2").arg(page + 1).arg(log.size());
                QVERIFY2(log.at(page).contains(wanted), qPrintable(wanted));
            }
            break;
        case Present:
            QVERIFY2(all.contains(text), qPrintable(text));
            break;
        case InRecord: {
            QVERIFY2(all.contains(text), qPrintable(text));
            // Up to the next record's time.
            const QString record
                = all.mid(all.indexOf(text) + text.size())
                      .section(QRegularExpression(QStringLiteral("\\n\\d\\d:\\d\\d ")), 0, 0);
            QVERIFY2(record.contains(later), qPrintable(record));
            break;
        }
        case Absent:
            QVERIFY2(!all.contains(text), qPrintable(text));
            break;
        case Before:
            QVERIFY2(all.contains(text) && all.contains(later), qPrintable(text + " / " + later));
            QVERIFY(all.indexOf(text) < all.indexOf(later));
            break;
        }
    }

    void thumbnailsOfTheDay()
    {
        // The day's five photos were in the cloud only: the exporter fetched their thumbnails.
        QProcess process;
        process.start(QStringLiteral("pdfimages"),
            { QStringLiteral("-list"), m_dir.filePath(kDay5 + QStringLiteral(".pdf")) });
        QVERIFY(process.waitForFinished(30000));
        int thumbnails = 0;
        for (const QString &line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
            const QStringList fields = line.simplified().split(' ');
            if (fields.size() > 4 && fields.at(2) == QLatin1String("image")
                && std::max(fields.at(3).toInt(), fields.at(4).toInt())
                    == CloudFileStore::ThumbnailEdge)
                ++thumbnails;
        }
        QCOMPARE(thumbnails, 5);
    }

    void hostileRecordsStayText()
    {
        const QDate day(2026, 3, 4);
        const QString markup = QStringLiteral("<h1>大</h1>&amp;<br/><img/>");
        const QString longWord = QString(3000, QChar('W')) + QStringLiteral("END");
        SDynData notice(SDynData::KindText);
        notice.text = longWord;
        notice.dateTime = day.startOfDay().addSecs(3600);
        SDynData file(SDynData::KindAttachment);
        file.userName = markup;
        file.text = QStringLiteral("发送了文件");
        file.content.insert(QStringLiteral("f_attach_name"), QStringLiteral("../<b>x</b>.png"));
        file.content.insert(QStringLiteral("f_attach_size"), QStringLiteral("no number"));
        file.dateTime = notice.dateTime;
        SDynData list(SDynData::KindText); // longer than a page
        list.text = QStringLiteral("：清单");
        list.dateTime = notice.dateTime.addSecs(-60);
        QStringList items;
        for (int i = 1; i <= 150; ++i)
            items << QStringLiteral("item %1 of the list").arg(i, 3, 10, QChar('0'));
        list.content.insert(QStringLiteral("text"), items.join('\n'));
        SDynData unknown(99); // and no text, content or time at all
        SDynData task(SDynData::KindTask);
        task.dateTime = notice.dateTime;
        task.content.insert(QStringLiteral("attach_list"), 7);

        DayLogWriter writer(QString(300, QChar(0x9879)), day);
        writer.setFont(m_font);
        const QString pdf = m_dir.filePath(QStringLiteral("hostile.pdf"));
        QVERIFY2(writer.write(pdf, { &notice, nullptr, &file, &list, &unknown, &task }),
            qPrintable(writer.errorString()));
        const QString text = pages(pdf).join(QChar('\f'));
        // Cut between pages, every line of the long record once, in order.
        QVERIFY(writer.pageCount() >= 3);
        QCOMPARE(text.split('\n').filter(QRegularExpression("^item \\d+ of the list$")), items);
        QVERIFY(text.contains(markup));
        QVERIFY(text.contains(QStringLiteral("../<b>x</b>.png")));
        QVERIFY(text.contains(QStringLiteral("WWWEND")));
        // The long word wraps: nothing runs off the page.
        const QString boxes = pages(pdf, { QStringLiteral("-bbox") }).join(QString());
        const QRegularExpression page(QStringLiteral("<page width=\"([\\d.]+)\""));
        const double width = page.match(boxes).captured(1).toDouble();
        QVERIFY(width > 500);
        QRegularExpressionMatchIterator words
            = QRegularExpression(QStringLiteral("xMax=\"([\\d.]+)\"")).globalMatch(boxes);
        while (words.hasNext())
            QVERIFY(words.next().captured(1).toDouble() <= width);
    }

    void unwritable_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing folder") << m_dir.filePath(QStringLiteral("none/log.pdf"));
        QTest::newRow("a folder") << m_dir.path();
        QTest::newRow("no name") << QString();
    }

    void unwritable()
    {
        QFETCH(QString, path);
        DayLogWriter writer(SampleProject::projectName(), QDate(2026, 11, 2));
        QVERIFY(!writer.write(path, {}));
        QVERIFY(writer.errorString().contains(QDir::toNativeSeparators(path)));
        QVERIFY(!QFileInfo(path).isFile());

        // The exporter says the same when it ends.
        DayLogExporter exporter;
        QCOMPARE(exportDay(exporter, QDate(2026, 11, 2), path), 0);
        QVERIFY(!exporter.errorString().isEmpty());
    }
};

DYNFEED_TEST_MAIN(tst_DayLog)
#include "tst_DayLog.moc"
