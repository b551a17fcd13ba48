#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "common/TestMain.h"
#include "views/PageNavigateWdt.h"

/// The page navigator: the window of page buttons and ellipses, totals that change under a
/// shown page, and the go-to box's refusal of pages that do not exist.
class tst_PageNavigateWdt : public QObject
{
    Q_OBJECT

private slots:
    void window_data();
    void window();
    void input_data();
    void input();
};

namespace {

using Ints = QList<int>;

QList<QPushButton *> buttons(const PageNavigateWdt &nav, const char *name)
{
    return nav.findChildren<QPushButton *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

/// The navigator as the user reads it: "<" and ">" for enabled Previous and Next, the page
/// numbers ("*" behind the marked one, the one drawn with a border), "..." where shown.
QString drawing(const PageNavigateWdt &nav)
{
    const QList<QPushButton *> turns = buttons(nav, "KMButton");
    const QList<QPushButton *> pages = buttons(nav, "PageNavigateWdt_pageIdxBtn");
    const QList<QLabel *> dots = nav.findChildren<QLabel *>("PageNavigateWdt_apostropheLbl");
    QList<QWidget *> row { pages.at(0), dots.at(0) };
    row += QList<QWidget *>(pages.cbegin() + 1, pages.cend() - 1);
    row << dots.at(1) << pages.at(8);
    QStringList parts { turns.at(0)->isEnabled() ? "<" : "" };
    for (QWidget *widget : row) {
        if (!widget->isVisibleTo(&nav))
            continue;
        if (auto *label = qobject_cast<QLabel *>(widget))
            parts << label->text();
        else if (auto *button = qobject_cast<QPushButton *>(widget))
            parts << button->text() + (button->styleSheet().contains("border") ? "*" : "");
    }
    parts << (turns.at(1)->isEnabled() ? ">" : "");
    return parts.join(QLatin1Char(' ')).trimmed();
}

Ints emitted(const QSignalSpy &spy)
{
    Ints pages;
    for (const QList<QVariant> &emission : spy)
        pages << emission.at(0).toInt();
    return pages;
}

} // namespace

void tst_PageNavigateWdt::window_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("after"); // a new total; -1: reset()
    QTest::addColumn<QString>("expected");
    QTest::addColumn<Ints>("changes");

    QTest::newRow("no records: one empty page") << 0 << 1 << 0 << "1*" << Ints { 1 };
    QTest::newRow("6 pages, first") << 175 << 1 << 175 << "1* 2 3 4 5 6 >" << Ints { 1 };
    QTest::newRow("9 pages, last") << 270 << 9 << 270 << "< 1 2 3 4 5 6 7 8 9*" << Ints { 9 };
    QTest::newRow("10 pages, page 5")
        << 271 << 5 << 271 << "< 1 2 3 4 5* 6 7 8 ... 10 >" << Ints { 5 };
    QTest::newRow("10 pages, page 6")
        << 271 << 6 << 271 << "< 1 ... 3 4 5 6* 7 8 9 10 >" << Ints { 6 };
    QTest::newRow("20 pages, last")
        << 600 << 20 << 600 << "< 1 ... 13 14 15 16 17 18 19 20*" << Ints { 20 };
    QTest::newRow("100000 records, middle")
        << 100000 << 1667 << 100000 << "< 1 ... 1664 1665 1666 1667* 1668 1669 1670 ... 3334 >"
        << Ints { 1667 };
    QTest::newRow("grows under a later page")
        << 300 << 7 << 600 << "< 1 ... 4 5 6 7* 8 9 10 ... 20 >" << Ints { 7 };
    QTest::newRow("shrinks below the page shown")
        << 600 << 12 << 100 << "< 1 2 3 4*" << Ints { 12, 4 };
    QTest::newRow("reset under a later page") << 600 << 12 << -1 << "1*" << Ints { 12 };
}

void tst_PageNavigateWdt::window()
{
    QFETCH(int, total);
    QFETCH(int, page);
    QFETCH(int, after);

    PageNavigateWdt nav(nullptr);
    QSignalSpy changes(&nav, &PageNavigateWdt::pageChanged);
    nav.setMsgNum(total);
    nav.setCurrentPage(page);
    if (after < 0)
        nav.reset();
    else
        nav.setMsgNum(after);
    QTEST(drawing(nav), "expected");
    QTEST(emitted(changes), "changes");
}

void tst_PageNavigateWdt::input_data()
{
    QTest::addColumn<int>("total");
    // "type <text>" or "paste <text>" into the go-to field, "go", "enter", "total <n>".
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<Ints>("changes");

    QTest::newRow("go, or enter") << 150 << QStringList { "type 3", "go", "type 4", "enter" }
                                  << Ints { 3, 4 };
    QTest::newRow("empty field, zero, beyond the last page")
        << 150 << QStringList { "go", "type 0", "go", "type 7", "enter", "go" } << Ints {};
    QTest::newRow("letters are not typed") << 150 << QStringList { "type a2b", "go" } << Ints { 2 };
    QTest::newRow("pasted text") << 150 << QStringList { "paste 3 pages", "go", "paste 5", "go" }
                                 << Ints { 5 };
    QTest::newRow("typed while there were more pages")
        << 3600 << QStringList { "type 100", "total 150", "go", "enter" } << Ints {};
    QTest::newRow("no records: page 1 only")
        << 0 << QStringList { "type 2", "go", "type 1", "go" } << Ints { 1 };
}

void tst_PageNavigateWdt::input()
{
    QFETCH(int, total);
    QFETCH(QStringList, steps);

    PageNavigateWdt nav(nullptr);
    nav.setMsgNum(total);
    nav.show();
    QVERIFY(QTest::qWaitForWindowExposed(&nav));
    auto *field = nav.findChild<QLineEdit *>(QStringLiteral("PageNavigateWdt_gotoPageEdit"));
    auto *go = nav.findChild<QPushButton *>(QStringLiteral("PageNavigateWdt_gotoPageBtn"));
    QSignalSpy changes(&nav, &PageNavigateWdt::pageChanged);
    for (const QString &step : steps) {
        const QString arg = step.section(QLatin1Char(' '), 1);
        if (step.startsWith("type") || step.startsWith("paste")) {
            field->clear();
            QGuiApplication::clipboard()->setText(arg);
            if (step.startsWith("type"))
                QTest::keyClicks(field, arg);
            else
                field->paste();
        } else if (step == "go") {
            QTest::mouseClick(go, Qt::LeftButton);
        } else if (step == "enter") {
            QTest::keyClick(field, Qt::Key_Return);
        } else {
            nav.setMsgNum(arg.toInt());
        }
    }
    QTEST(emitted(changes), "changes");
    // Whatever was asked, the navigator stands on a page that exists.
    QVERIFY(nav.currentPage() >= 1 && nav.currentPage() <= qMax(1, nav.pageCount()));
}

DYNFEED_TEST_MAIN(tst_PageNavigateWdt)
#include "tst_PageNavigateWdt.moc"
