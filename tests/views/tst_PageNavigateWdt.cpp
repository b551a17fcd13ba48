#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "VTRightClickMenu.h"
#include "common/TestMain.h"
#include "views/PageNavigateWdt.h"

/// The page navigator: the window of page buttons and ellipses, Previous and Next, the go-to
/// box's refusal of pages that do not exist, and totals that change under a shown page.
class tst_PageNavigateWdt : public QObject
{
    Q_OBJECT

private slots:
    void window_data();
    void window();
    void totalChanges_data();
    void totalChanges();
    void input_data();
    void input();
    void hostContextMenu();
};

namespace {

using Ints = QList<int>;

/// The navigator as the user reads it, left to right: "<" for an enabled Previous, the page
/// numbers ("*" behind the marked one), "..." for each ellipsis shown, ">" for an enabled Next.
QString drawing(const PageNavigateWdt &nav)
{
    const QList<QPushButton *> turns
        = nav.findChildren<QPushButton *>(QStringLiteral("KMButton"), Qt::FindDirectChildrenOnly);
    const QList<QPushButton *> pages
        = nav.findChildren<QPushButton *>(QStringLiteral("PageNavigateWdt_pageIdxBtn"));
    const QList<QLabel *> ellipses
        = nav.findChildren<QLabel *>(QStringLiteral("PageNavigateWdt_apostropheLbl"));
    if (turns.size() != 2 || pages.size() != 9 || ellipses.size() != 2)
        return QStringLiteral("unexpected children");

    QStringList parts;
    const auto addButton = [&](QPushButton *button) {
        if (!button->isVisibleTo(&nav))
            return;
        // The marked page is the one button drawn with a border.
        const bool marked = button->styleSheet().contains(QLatin1String("border"));
        parts << button->text() + (marked ? QStringLiteral("*") : QString());
    };
    const auto addEllipsis = [&](QLabel *label) {
        if (label->isVisibleTo(&nav))
            parts << label->text();
    };
    if (turns.at(0)->isEnabled())
        parts << QStringLiteral("<");
    addButton(pages.at(0));
    addEllipsis(ellipses.at(0));
    for (int i = 1; i < 8; ++i)
        addButton(pages.at(i));
    addEllipsis(ellipses.at(1));
    addButton(pages.at(8));
    if (turns.at(1)->isEnabled())
        parts << QStringLiteral(">");
    return parts.join(QLatin1Char(' '));
}

Ints emitted(const QSignalSpy &spy)
{
    Ints pages;
    for (const QList<QVariant> &emission : spy)
        pages << emission.at(0).toInt();
    return pages;
}

QPushButton *pageButton(const PageNavigateWdt &nav, const QString &text)
{
    for (QPushButton *button :
        nav.findChildren<QPushButton *>(QStringLiteral("PageNavigateWdt_pageIdxBtn"))) {
        if (button->text() == text && button->isVisibleTo(&nav))
            return button;
    }
    return nullptr;
}

} // namespace

void tst_PageNavigateWdt::window_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no records: one empty page") << 0 << 1 << "1*";
    QTest::newRow("one record") << 1 << 1 << "1*";
    QTest::newRow("6 pages, first") << 175 << 1 << "1* 2 3 4 5 6 >";
    QTest::newRow("9 pages, last") << 270 << 9 << "< 1 2 3 4 5 6 7 8 9*";
    QTest::newRow("10 pages, page 5") << 271 << 5 << "< 1 2 3 4 5* 6 7 8 ... 10 >";
    QTest::newRow("10 pages, page 6") << 271 << 6 << "< 1 ... 3 4 5 6* 7 8 9 10 >";
    QTest::newRow("20 pages, first") << 600 << 1 << "1* 2 3 4 5 6 7 8 ... 20 >";
    QTest::newRow("20 pages, page 3") << 600 << 3 << "< 1 2 3* 4 5 6 7 8 ... 20 >";
    QTest::newRow("20 pages, middle") << 600 << 10 << "< 1 ... 7 8 9 10* 11 12 13 ... 20 >";
    QTest::newRow("20 pages, page 17") << 600 << 17 << "< 1 ... 13 14 15 16 17* 18 19 20 >";
    QTest::newRow("20 pages, last") << 600 << 20 << "< 1 ... 13 14 15 16 17 18 19 20*";
    QTest::newRow("100000 records, middle")
        << 100000 << 1667 << "< 1 ... 1664 1665 1666 1667* 1668 1669 1670 ... 3334 >";
}

void tst_PageNavigateWdt::window()
{
    QFETCH(int, total);
    QFETCH(int, page);

    PageNavigateWdt nav(nullptr);
    QSignalSpy changes(&nav, &PageNavigateWdt::pageChanged);
    nav.setMsgNum(total);
    QVERIFY(changes.isEmpty());
    nav.setCurrentPage(page);
    QTEST(drawing(nav), "expected");
    QCOMPARE(emitted(changes), Ints { page });
}

void tst_PageNavigateWdt::totalChanges_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("after"); // -1: reset()
    QTest::addColumn<QString>("expected");
    QTest::addColumn<Ints>("changes"); // pageChanged after the change of total

    QTest::newRow("grows under a later page")
        << 300 << 7 << 600 << "< 1 ... 4 5 6 7* 8 9 10 ... 20 >" << Ints {};
    QTest::newRow("grows under the last page")
        << 300 << 10 << 301 << "< 1 ... 4 5 6 7 8 9 10* 11 >" << Ints {};
    QTest::newRow("shrinks below the page shown") << 600 << 12 << 100 << "< 1 2 3 4*" << Ints { 4 };
    QTest::newRow("drops to nothing") << 600 << 12 << 0 << "1*" << Ints { 1 };
    QTest::newRow("reset under a later page") << 600 << 12 << -1 << "1*" << Ints {};
}

void tst_PageNavigateWdt::totalChanges()
{
    QFETCH(int, before);
    QFETCH(int, page);
    QFETCH(int, after);

    PageNavigateWdt nav(nullptr);
    nav.setMsgNum(before);
    nav.setCurrentPage(page);
    QSignalSpy changes(&nav, &PageNavigateWdt::pageChanged);
    if (after < 0)
        nav.reset();
    else
        nav.setMsgNum(after);
    QTEST(drawing(nav), "expected");
    QTEST(emitted(changes), "changes");
    QCOMPARE(nav.currentPage(), after < 0 ? 1 : qMax(1, qMin(page, (after + 29) / 30)));
}

void tst_PageNavigateWdt::input_data()
{
    QTest::addColumn<int>("total"); // 150: five pages
    // "next", "prev", "click <n>" (a page button), "type <text>" then "go" or "enter",
    // "paste <text>", "total <n>".
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<Ints>("changes");
    QTest::addColumn<QString>("field");

    QTest::newRow("next and previous stop at the ends")
        << 60 << QStringList { "prev", "next", "next", "prev" } << Ints { 2, 1 } << "";
    QTest::newRow("the current page's button again")
        << 150 << QStringList { "click 3", "click 3" } << Ints { 3, 3 } << "";
    QTest::newRow("go to a page") << 150 << QStringList { "type 3", "go" } << Ints { 3 } << "3";
    QTest::newRow("enter goes too")
        << 150 << QStringList { "type 4", "enter" } << Ints { 4 } << "4";
    QTest::newRow("empty field") << 150 << QStringList { "go", "enter" } << Ints {} << "";
    QTest::newRow("zero is not typed") << 150 << QStringList { "type 0", "go" } << Ints {} << "";
    QTest::newRow("beyond the last page is not typed")
        << 150 << QStringList { "type 7", "go" } << Ints {} << "";
    QTest::newRow("letters are not typed")
        << 150 << QStringList { "type a2b", "go" } << Ints { 2 } << "2";
    QTest::newRow("pasted text with letters")
        << 150 << QStringList { "paste 3 pages", "go" } << Ints {} << "";
    QTest::newRow("pasted number") << 150 << QStringList { "paste 5", "go" } << Ints { 5 } << "5";
    QTest::newRow("typed while there were more pages")
        << 3600 << QStringList { "type 100", "total 150", "go" } << Ints {} << "100";
    QTest::newRow("no records: page 1 only")
        << 0 << QStringList { "type 2", "type 1", "go", "next" } << Ints { 1 } << "1";
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
    const QList<QPushButton *> turns
        = nav.findChildren<QPushButton *>(QStringLiteral("KMButton"), Qt::FindDirectChildrenOnly);
    QVERIFY(field && go && turns.size() == 2);
    QSignalSpy changes(&nav, &PageNavigateWdt::pageChanged);

    for (const QString &step : steps) {
        const QString arg = step.section(QLatin1Char(' '), 1);
        if (step == QLatin1String("prev") || step == QLatin1String("next")) {
            QTest::mouseClick(turns.at(step == QLatin1String("prev") ? 0 : 1), Qt::LeftButton);
        } else if (step.startsWith(QLatin1String("click"))) {
            QPushButton *button = pageButton(nav, arg);
            QVERIFY2(button, qPrintable(step));
            QTest::mouseClick(button, Qt::LeftButton);
        } else if (step.startsWith(QLatin1String("type"))) {
            field->clear();
            QTest::keyClicks(field, arg);
        } else if (step.startsWith(QLatin1String("paste"))) {
            field->clear();
            QGuiApplication::clipboard()->setText(arg);
            field->paste();
        } else if (step == QLatin1String("go")) {
            QTest::mouseClick(go, Qt::LeftButton);
        } else if (step == QLatin1String("enter")) {
            QTest::keyClick(field, Qt::Key_Return);
        } else if (step.startsWith(QLatin1String("total"))) {
            nav.setMsgNum(arg.toInt());
        }
    }
    QTEST(emitted(changes), "changes");
    QTEST(field->text(), "field");
    // Whatever was asked, the navigator stands on a page that exists.
    QVERIFY(nav.currentPage() >= 1 && nav.currentPage() <= qMax(1, nav.pageCount()));
}

void tst_PageNavigateWdt::hostContextMenu()
{
    PageNavigateWdt nav(nullptr);
    nav.show();
    auto *field = nav.findChild<QLineEdit *>(QStringLiteral("PageNavigateWdt_gotoPageEdit"));
    QVERIFY(field);
    QContextMenuEvent event(
        QContextMenuEvent::Mouse, QPoint(2, 2), field->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(field, &event);
    auto *menu = field->findChild<VTRightClickMenu *>();
    QVERIFY(menu);
    QTRY_VERIFY(menu->isVisible());
    menu->close();
}

DYNFEED_TEST_MAIN(tst_PageNavigateWdt)
#include "tst_PageNavigateWdt.moc"
