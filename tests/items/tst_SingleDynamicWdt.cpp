#include <QAccessible>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include "common/TestMain.h"
#include "feed/SDynData.h"
#include "items/AbsContentWdt.h"
#include "items/ContentWdtFactory.h"
#include "items/SingleDynamicWdt.h"
#include "items/SummaryInfoWdt.h"

/// The feed item: content widget per kind, and refilling a reused item.

namespace {

AbsContentWdt *contentOf(const SingleDynamicWdt &item)
{
    return item.findChild<AbsContentWdt *>(QString(), Qt::FindDirectChildrenOnly);
}

QString classOf(const QObject *object)
{
    return object ? QString::fromLatin1(object->metaObject()->className()) : QString();
}

} // namespace

class tst_SingleDynamicWdt : public QObject
{
    Q_OBJECT

    SDynData *record(int kind, const QString &text = QStringLiteral("发布了通知"),
        const QVariantHash &content = { { QStringLiteral("text"), QStringLiteral("正文") } })
    {
        auto *data = new SDynData(kind);
        data->text = text;
        data->content = content;
        data->userName = QStringLiteral("作者");
        data->userHeader = QStringLiteral(":/icon/resources/images/secretary.png");
        data->dateTime = QDateTime::currentDateTime().addSecs(-60);
        m_records << data;
        return data;
    }

    QList<SDynData *> m_records;
private slots:

    void cleanup()
    {
        qDeleteAll(m_records);
        m_records.clear();
    }

    void contentWidget_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hasContent");
        QTest::addColumn<QString>("widgetClass");
        const auto row = [](const char *name, int kind, const QString &widgetClass,
                             const QString &text = QStringLiteral("通知"), bool hasContent = true) {
            QTest::newRow(name) << kind << text << hasContent << widgetClass;
        };
        row("plain notice", SDynData::KindText, "PlainTextWdt");
        row("project information", SDynData::KindProjectInfo, "EditProjectWdt");
        row("task", SDynData::KindTask, "TaskInfoWdt");
        row("task report", SDynData::KindTaskReport, "TaskReportWdt");
        row("7, invalid", 7, "");
        row("most negative kind", std::numeric_limits<int>::min(), "");
        row("plain notice without summary", SDynData::KindText, "", "");
        row("project information without summary", SDynData::KindProjectInfo, "", "");
        row("plain notice with empty content", SDynData::KindText, "", "成员加入", false);
        row("project information with empty content", SDynData::KindProjectInfo, "", "改了", false);
    }

    void contentWidget()
    {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(bool, hasContent);
        QFETCH(QString, widgetClass);
        const SDynData *data = hasContent ? record(kind, text) : record(kind, text, {});

        // The factory alone: a built widget without parent, or nothing.
        std::unique_ptr<AbsContentWdt> made(createContentWdt(data));
        QCOMPARE(classOf(made.get()), widgetClass);
        QVERIFY(!made || !made->parent());

        SingleDynamicWdt item(nullptr);
        item.setDynData(data);
        QVERIFY(item.findChild<SummaryInfoWdt *>());
        QCOMPARE(classOf(contentOf(item)), widgetClass);
        QCOMPARE(item.layout()->count(), widgetClass.isEmpty() ? 1 : 2); // no empty content row
    }

    void refill_data()
    {
        QTest::addColumn<int>("firstKind");
        QTest::addColumn<int>("secondKind");
        QTest::addColumn<bool>("secondHasContent");
        QTest::newRow("text, then header only") << 0 << 0 << false;
        QTest::newRow("project info, then text") << 3 << 0 << true;
        QTest::newRow("header only, then project info") << 6 << 3 << true;
    }

    void refill()
    {
        QFETCH(int, firstKind);
        QFETCH(int, secondKind);
        QFETCH(bool, secondHasContent);
        const SDynData *first = record(firstKind, QStringLiteral("第一条"),
            { { QStringLiteral("text"),
                QStringLiteral(
                    "第一行\n第二行\n第三行，这一行比较长，需要在窄的宽度下换行显示。") } });
        const SDynData *second = secondHasContent
            ? record(secondKind, QStringLiteral("第二条"))
            : record(secondKind, QStringLiteral("第二条"), {});

        QWidget holder;
        SingleDynamicWdt reused(nullptr);
        reused.setHostWidget(&holder);
        QSignalSpy forwarded(&reused, &SingleDynamicWdt::userInfoChanged);
        reused.setDynData(first);
        const QPointer<AbsContentWdt> old = contentOf(reused);
        reused.setDynData(second);
        QVERIFY(!old); // deleted, not hidden
        if (contentOf(reused))
            QCOMPARE(contentOf(reused)->hostWidget(), &holder);

        // One header, its signal forwarded once, not once per fill.
        QCOMPARE(reused.findChildren<SummaryInfoWdt *>().size(), 1);
        emit reused.findChild<SummaryInfoWdt *>()->userInfoChanged("1", "n");
        QCOMPARE(forwarded.count(), 1);

        // Laid out exactly like a new item filled with the second record.
        SingleDynamicWdt fresh(nullptr);
        fresh.setDynData(second);
        QCOMPARE(classOf(contentOf(reused)), classOf(contentOf(fresh)));
        QCOMPARE(reused.layout()->count(), fresh.layout()->count());
        QCOMPARE(reused.sizeHint(), fresh.sizeHint());
        QCOMPARE(reused.heightForWidth(600), fresh.heightForWidth(600));

        // A screen reader hears the record shown now: who and what, then when as shown.
        QVERIFY(reused.focusPolicy() & Qt::TabFocus);
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(&reused);
        QCOMPARE(face->text(QAccessible::Name), QStringLiteral("作者: 第二条"));
        QCOMPARE(face->text(QAccessible::Description),
            reused.findChild<QLabel *>(QStringLiteral("SummaryInfoWdt_JobTime"))->text());
    }
};

DYNFEED_TEST_MAIN(tst_SingleDynamicWdt)
#include "tst_SingleDynamicWdt.moc"
