#include <QTest>

#include "KMLabel.h"
#include "VTVoice.h"
#include "attach/DldPictureLabel.h"
#include "attach/FileDisplayWdt.h"
#include "attach/KMButton.h"
#include "common/RecordingHost.h"
#include "common/TestMain.h"
#include "feed/SDynData.h"
#include "items/ContentWdtFactory.h"
#include "items/TaskReportWdt.h"

#include <memory>

/// The task report item: report and task part as text or voice, attachments taken whole, and
/// the View button.
class tst_TaskReportWdt : public QObject
{
    Q_OBJECT

private slots:
    void content_data();
    void content();
    void viewButton();
};

void tst_TaskReportWdt::content_data()
{
    QTest::addColumn<QVariantHash>("content");
    QTest::addColumn<QString>("shown");

    const QStringList files { "a-_-b.pdf", "整改照片.jpg", "https://x.example/img/f-1.png" };
    QTest::newRow("text, files taken whole, task") << QVariantHash {
        { "content", "已整改" }, { "task_desc", "补设临边防护" }, { "attach_list", files }
    } << "text:已整改 file:a-_-b.pdf picture picture spacer task:Come from task 补设临边防护";
    QTest::newRow("voice report, voice task")
        << QVariantHash { { "content", "https://x.example/voice/f-2.amr" },
               { "task_desc", "f-3.amr" }, { "task_desc_play_time", 9 } }
        << "voice:0:01 spacer voice:0:09 desc:Come from task ";
    QTest::newRow("no report, no task")
        << QVariantHash { { "attach_list", QVariant(files.mid(0, 1)) } } << "file:a-_-b.pdf";
    QTest::newRow(".AMR report is text")
        << QVariantHash { { "content", "f-4.AMR" } } << "text:f-4.AMR";
}

void tst_TaskReportWdt::content()
{
    QFETCH(QVariantHash, content);
    QFETCH(QString, shown);
    SDynData record(SDynData::KindTaskReport);
    record.text = QStringLiteral("杨帆回复王建国");
    record.content = content;
    std::unique_ptr<AbsContentWdt> report(createContentWdt(&record));
    QVERIFY(qobject_cast<TaskReportWdt *>(report.get()));

    QStringList parts;
    for (QObject *child : report->children()) {
        const QString name = child->objectName();
        if (auto *voice = qobject_cast<VTVoice *>(child))
            parts << QStringLiteral("voice:") + voice->stateText();
        else if (auto *tile = qobject_cast<FileDisplayWdt *>(child))
            parts << QStringLiteral("file:")
                    + tile->findChild<QWidget *>()->property("filepath").toString();
        else if (qobject_cast<DldPictureLabel *>(child))
            parts << QStringLiteral("picture");
        else if (name == QLatin1String("TaskReportWdt_Text"))
            parts << QStringLiteral("text:") + qobject_cast<KMLabel *>(child)->text();
        else if (name == QLatin1String("TaskReportWdt_Spacer"))
            parts << QStringLiteral("spacer");
        else if (name == QLatin1String("TaskReportWdt_TaskDescLbl"))
            parts << QStringLiteral("task:") + qobject_cast<KMLabel *>(child)->text();
        else if (name == QLatin1String("TaskInfoWdt_Desc"))
            parts << QStringLiteral("desc:") + qobject_cast<KMLabel *>(child)->text();
    }
    QCOMPARE(parts.join(QLatin1Char(' ')), shown);
}

void tst_TaskReportWdt::viewButton()
{
    RecordingHost host;
    SDynData record(SDynData::KindTaskReport);
    record.text = QStringLiteral("汇报");
    record.content = { { "content", "完成" }, { "taskid", "5102001" } };
    std::unique_ptr<AbsContentWdt> report(createContentWdt(&record));
    auto *view = report->findChild<KMButton *>();
    QVERIFY(view);
    for (const QSize &size : { QSize(500, 300), QSize(640, 180) }) {
        report->resize(size);
        report->show();
        QTRY_COMPARE(view->x(), report->rect().right() - view->width() - 20);
        QCOMPARE(view->y(), report->rect().bottom() - view->height() - 15);
    }
    view->click();
    QCOMPARE(host.tasksShown, QStringList { QStringLiteral("5102001:0") });
}

DYNFEED_TEST_MAIN(tst_TaskReportWdt)
#include "tst_TaskReportWdt.moc"
