#include <QLayout>
#include <QtTest>

#include "KMLabel.h"
#include "common/TestMain.h"
#include "items/PlainTextWdt.h"

/// The plain notice's content: its text as plain, word-wrapped characters, or nothing.
class tst_PlainTextWdt : public QObject
{
    Q_OBJECT

private slots:
    void label_data();
    void label();
    void longTextWraps();
};

void tst_PlainTextWdt::label_data()
{
    QTest::addColumn<QVariantHash>("content");
    QTest::addColumn<QString>("shown"); // empty: no label
    QTest::newRow("no text key") << QVariantHash { { QStringLiteral("title"),
        QStringLiteral("x") } } << "";
    QTest::newRow("empty text") << QVariantHash { { QStringLiteral("text"), QString() } } << "";
    QTest::newRow("text of another type")
        << QVariantHash { { QStringLiteral("text"), 42 } } << "42";
    QTest::newRow("invited members") << QVariantHash {
        { QStringLiteral("text"), QStringLiteral("新加入成员： 王工、李工、张工、赵工") }
    } << "新加入成员： 王工、李工、张工、赵工";
    QTest::newRow("markup") << QVariantHash { { QStringLiteral("text"),
        QStringLiteral("<b>x</b><img src='file:///etc/passwd'><a href='http://y'>z</a>") } }
                            << "<b>x</b><img src='file:///etc/passwd'><a href='http://y'>z</a>";
}

void tst_PlainTextWdt::label()
{
    QFETCH(QVariantHash, content);
    QFETCH(QString, shown);
    PlainTextWdt widget(content, nullptr);
    widget.initContent();
    widget.initContent(); // built again from the same maps: still one label
    const QList<KMLabel *> labels
        = widget.findChildren<KMLabel *>(QStringLiteral("PlainTextWdt_Label"));
    if (shown.isEmpty()) {
        QVERIFY(labels.isEmpty());
        QCOMPARE(widget.layout()->count(), 0);
        return;
    }
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first()->text(), shown);
    QCOMPARE(labels.first()->textFormat(), Qt::PlainText);
    QCOMPARE(widget.layout()->count(), 1);
}

void tst_PlainTextWdt::longTextWraps()
{
    const QString text
        = QStringLiteral("今天下午三点在二号楼会议室召开安全例会，请各班组长准时参加，"
                         "并带好本周的安全检查记录和整改通知单。");
    PlainTextWdt widget({ { QStringLiteral("text"), text } }, nullptr);
    widget.initContent();
    QVERIFY(widget.hasHeightForWidth());
    const int wide = widget.heightForWidth(3000);
    const int narrow = widget.heightForWidth(200);
    QVERIFY2(narrow > wide, qPrintable(QStringLiteral("%1 <= %2").arg(narrow).arg(wide)));
    // The content layout's margins surround the text.
    const int line = widget.fontMetrics().height();
    QVERIFY(wide >= 40 + line);
    QVERIFY(wide < 40 + 2 * line);
}

DYNFEED_TEST_MAIN(tst_PlainTextWdt)
#include "tst_PlainTextWdt.moc"
