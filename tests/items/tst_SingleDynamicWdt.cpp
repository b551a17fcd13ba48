#include <QLayout>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include "KMLabel.h"
#include "feed/SDynData.h"
#include "items/AbsContentWdt.h"
#include "items/ContentWdtFactory.h"
#include "items/SingleDynamicWdt.h"
#include "items/SummaryInfoWdt.h"

/// The feed item: content widget per kind, refilling a reused item, and the notices it passes
/// to its header and content.
class tst_SingleDynamicWdt : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void contentWidget_data();
    void contentWidget();
    void noContentWidget_data();
    void noContentWidget();
    void refill_data();
    void refill();
    void refill_keepsOneHeader();
    void hostWidget_reachesContent();
    void onSynTaskNotify_data();
    void onSynTaskNotify();
    void onUserInfoChanged_onlyForItsAuthor();

private:
    SDynData *record(int kind, const QString &text = QStringLiteral("发布了通知"),
        const QVariantHash &content = { { QStringLiteral("text"), QStringLiteral("正文") } });

    QList<SDynData *> m_records;
    QStringList m_files;
};

namespace {

const QString kSecretary = QStringLiteral(":/icon/resources/images/secretary.png");

AbsContentWdt *contentOf(const SingleDynamicWdt &item)
{
    return item.findChild<AbsContentWdt *>(QString(), Qt::FindDirectChildrenOnly);
}

QString contentClass(const SingleDynamicWdt &item)
{
    const AbsContentWdt *content = contentOf(item);
    return content ? QString::fromLatin1(content->metaObject()->className()) : QString();
}

} // namespace

void tst_SingleDynamicWdt::cleanup()
{
    qDeleteAll(m_records);
    m_records.clear();
    for (const QString &file : qAsConst(m_files))
        QFile::remove(file);
    m_files.clear();
}

void tst_SingleDynamicWdt::contentWidget_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("widgetClass");
    QTest::newRow("-2, invalid") << -2 << "";
    QTest::newRow("-1, no content widget") << -1 << "";
    QTest::newRow("0, plain notice") << int(SDynData::KindText) << "PlainTextWdt";
    QTest::newRow("1, task (not built yet)") << int(SDynData::KindTask) << "";
    QTest::newRow("2, task report (not built yet)") << int(SDynData::KindTaskReport) << "";
    QTest::newRow("3, project information") << int(SDynData::KindProjectInfo) << "EditProjectWdt";
    QTest::newRow("4, weather (not built yet)") << int(SDynData::KindWeather) << "";
    QTest::newRow("5, attachment (not built yet)") << int(SDynData::KindAttachment) << "";
    QTest::newRow("6, no content widget") << 6 << "";
    QTest::newRow("7, invalid") << 7 << "";
    QTest::newRow("huge kind") << std::numeric_limits<int>::max() << "";
    QTest::newRow("most negative kind") << std::numeric_limits<int>::min() << "";
}

void tst_SingleDynamicWdt::contentWidget()
{
    QFETCH(int, kind);
    QFETCH(QString, widgetClass);
    const SDynData *data = record(kind);

    // The factory alone: a built widget without parent, or nothing.
    std::unique_ptr<AbsContentWdt> made(createContentWdt(data));
    QCOMPARE(made ? QString::fromLatin1(made->metaObject()->className()) : QString(), widgetClass);
    if (made)
        QVERIFY(!made->parent());

    SingleDynamicWdt item(nullptr);
    item.setDynData(data);
    QVERIFY(item.findChild<SummaryInfoWdt *>());
    QCOMPARE(contentClass(item), widgetClass);
    // Header only, or header and the content row.
    QCOMPARE(item.layout()->count(), widgetClass.isEmpty() ? 1 : 2);
}

void tst_SingleDynamicWdt::noContentWidget_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariantHash>("content");
    const QVariantHash full { { QStringLiteral("text"), QStringLiteral("正文") } };
    QTest::newRow("plain notice without summary") << 0 << "" << full;
    QTest::newRow("project information without summary") << 3 << "" << full;
    QTest::newRow("plain notice with empty content") << 0 << "成员加入" << QVariantHash();
    QTest::newRow("project information with empty content") << 3 << "修改了项目" << QVariantHash();
    QTest::newRow("kind -1 with content") << -1 << "提醒" << full;
}

void tst_SingleDynamicWdt::noContentWidget()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QVariantHash, content);
    const SDynData *data = record(kind, text, content);
    QVERIFY(!createContentWdt(data));
    SingleDynamicWdt item(nullptr);
    item.setDynData(data);
    QVERIFY(item.findChild<SummaryInfoWdt *>());
    QVERIFY(!contentOf(item));
    QCOMPARE(item.layout()->count(), 1);
}

void tst_SingleDynamicWdt::refill_data()
{
    QTest::addColumn<int>("firstKind");
    QTest::addColumn<bool>("firstHasContent");
    QTest::addColumn<int>("secondKind");
    QTest::addColumn<bool>("secondHasContent");
    QTest::newRow("text, then header only") << 0 << true << 0 << false;
    QTest::newRow("project info, then weather") << 3 << true << 4 << true;
    QTest::newRow("project info, then text") << 3 << true << 0 << true;
    QTest::newRow("text, then text") << 0 << true << 0 << true;
    QTest::newRow("header only, then project info") << 6 << true << 3 << true;
    QTest::newRow("header only, then header only") << 0 << false << 1 << true;
}

void tst_SingleDynamicWdt::refill()
{
    QFETCH(int, firstKind);
    QFETCH(bool, firstHasContent);
    QFETCH(int, secondKind);
    QFETCH(bool, secondHasContent);
    const QVariantHash longText { { QStringLiteral("text"),
        QStringLiteral("第一行\n第二行\n第三行，这一行比较长，需要在窄的宽度下换行显示。") } };
    const SDynData *first
        = record(firstKind, QStringLiteral("第一条"), firstHasContent ? longText : QVariantHash());
    const SDynData *second = record(secondKind, QStringLiteral("第二条"),
        secondHasContent ? QVariantHash { { QStringLiteral("text"), QStringLiteral("短") } }
                         : QVariantHash());

    SingleDynamicWdt reused(nullptr);
    reused.setDynData(first);
    const QPointer<AbsContentWdt> old = contentOf(reused);
    reused.setDynData(second);
    QVERIFY(!old); // deleted, not hidden

    // The reused item is laid out exactly like a new one filled with the second record.
    SingleDynamicWdt fresh(nullptr);
    fresh.setDynData(second);
    QCOMPARE(contentClass(reused), contentClass(fresh));
    QCOMPARE(reused.layout()->count(), fresh.layout()->count());
    QCOMPARE(reused.sizeHint(), fresh.sizeHint());
    QCOMPARE(reused.heightForWidth(600), fresh.heightForWidth(600));
}

void tst_SingleDynamicWdt::refill_keepsOneHeader()
{
    SingleDynamicWdt item(nullptr);
    QSignalSpy spy(&item, &SingleDynamicWdt::userInfoChanged);
    for (int kind : { 0, 3, 6, 0 })
        item.setDynData(record(kind));
    QCOMPARE(item.findChildren<SummaryInfoWdt *>().size(), 1);
    QCOMPARE(item.findChildren<KMLabel *>(QStringLiteral("SummaryInfoWdt_Summary")).size(), 1);

    // The header's signal is forwarded once, not once per refill.
    emit item.findChild<SummaryInfoWdt *>()->userInfoChanged(
        QStringLiteral("1"), QStringLiteral("n"));
    QCOMPARE(spy.count(), 1);
}

void tst_SingleDynamicWdt::hostWidget_reachesContent()
{
    QWidget holder;
    SingleDynamicWdt item(nullptr);
    item.setHostWidget(&holder);
    item.setDynData(record(SDynData::KindProjectInfo));
    QVERIFY(contentOf(item));
    QCOMPARE(contentOf(item)->hostWidget(), &holder);
    item.setDynData(record(SDynData::KindText));
    QCOMPARE(contentOf(item)->hostWidget(), &holder);
}

void tst_SingleDynamicWdt::onSynTaskNotify_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariantHash>("content");
    const QVariantHash text { { QStringLiteral("text"), QStringLiteral("正文") } };
    QTest::newRow("no content widget") << 0 << QVariantHash();
    QTest::newRow("plain text") << 0 << text;
    QTest::newRow("project information") << 3 << text;
}

void tst_SingleDynamicWdt::onSynTaskNotify()
{
    QFETCH(int, kind);
    QFETCH(QVariantHash, content);
    SingleDynamicWdt item(nullptr);
    QVERIFY(!item.onSynTaskNotify({ { QStringLiteral("taskid"), QStringLiteral("1") } }));
    item.setDynData(record(kind, QStringLiteral("通知"), content));
    // A notification naming anything at all is not for these items.
    const QVariantHash notice { { QStringLiteral("taskid"), QStringLiteral("1") },
        { QStringLiteral("msgid"), QStringLiteral("9") }, { QStringLiteral("operate_type"), 1 } };
    QVERIFY(!item.onSynTaskNotify(notice));
    QVERIFY(!item.onSynTaskNotify(QVariantHash()));
}

void tst_SingleDynamicWdt::onUserInfoChanged_onlyForItsAuthor()
{
    const QString author = QStringLiteral("%1001").arg(QCoreApplication::applicationPid());
    const QString other = QStringLiteral("%1002").arg(QCoreApplication::applicationPid());
    // Shown with the fixed picture; the changed user's cached avatar is then read from disk.
    SDynData *mine = record(SDynData::KindText);
    mine->userId = author;
    mine->userHeader = kSecretary;
    SDynData *theirs = record(SDynData::KindText);
    theirs->userId = other;
    theirs->userHeader = kSecretary;
    SingleDynamicWdt authorItem(nullptr);
    authorItem.setDynData(mine);
    SingleDynamicWdt otherItem(nullptr);
    otherItem.setDynData(theirs);

    const QString file = SummaryInfoWdt::headerFilePath(author);
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QImage changed(70, 70, QImage::Format_RGB32);
    changed.fill(Qt::green);
    QVERIFY(changed.save(file, "PNG"));
    m_files << file;

    const auto avatarCentre = [](const SingleDynamicWdt &item) {
        const auto *avatar = item.findChild<KMLabel *>(QStringLiteral("SummaryInfoWdt_headerLbl"));
        return avatar->pixmap(Qt::ReturnByValue).toImage().pixelColor(35, 35);
    };
    const QColor before = avatarCentre(otherItem);
    QVERIFY(before != QColor(Qt::green));
    for (SingleDynamicWdt *item : { &authorItem, &otherItem })
        item->onUserInfoChanged(author, QStringLiteral("新名字"));

    QCOMPARE(avatarCentre(authorItem), QColor(Qt::green));
    QCOMPARE(avatarCentre(otherItem), before);
    const auto nameOf = [](const SingleDynamicWdt &item) {
        return item.findChild<KMLabel *>(QStringLiteral("SummaryInfoWdt_UserName"))->text();
    };
    QCOMPARE(nameOf(authorItem), mine->userName);
    QCOMPARE(nameOf(otherItem), theirs->userName);

    // A later change of the picture is read again, not taken from a cache.
    changed.fill(Qt::yellow);
    QVERIFY(changed.save(file, "PNG"));
    authorItem.onUserInfoChanged(author, QStringLiteral("新名字"));
    QCOMPARE(avatarCentre(authorItem), QColor(Qt::yellow));
}

SDynData *tst_SingleDynamicWdt::record(int kind, const QString &text, const QVariantHash &content)
{
    auto *data = new SDynData(kind);
    data->text = text;
    data->content = content;
    data->userName = QStringLiteral("作者");
    data->userHeader = kSecretary;
    data->dateTime = QDateTime::currentDateTime().addSecs(-60);
    m_records << data;
    return data;
}

QTEST_MAIN(tst_SingleDynamicWdt)
#include "tst_SingleDynamicWdt.moc"
