#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "common/TestMain.h"
#include "views/PageNavigateWdt.h"

/// The page navigator: the window of page buttons and ellipses, what is drawn and announced for
/// totals and pages that change under it, and the go-to box's refusal of pages that do not exist.

namespace {

using Ints = QList<int>;

QList<QPushButton *> buttons(const PageNavigateWdt &nav, const char *name)
{
    return nav.findChildren<QPushButton *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

/// The navigator as the user reads it: "<" and ">" for enabled Previous and Next, the page
/// numbers ("*" behind the marked one, the one drawn with a border; "_" for a blank button),
/// "..." where shown.
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
            parts << (button->text().isEmpty() ? QStringLiteral("_") : button->text())
                    + (button->styleSheet().contains("border") ? "*" : "");
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

class tst_PageNavigateWdt : public QObject
{
    Q_OBJECT

private slots:

    void window_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("page");
        QTest::addColumn<Ints>("after"); // new totals one after the other; -1: reset()
        QTest::addColumn<QString>("expected");
        QTest::addColumn<Ints>("changes");

        const QString page12 = "< 1 ... 9 10 11 12* 13 14 15 ... 20 >";
        QTest::newRow("no records: drawn as before the first count")
            << 0 << 1 << Ints {} << "< 1 _ _ _ _ _ _ _ _ >" << Ints { 1 };
        QTest::newRow("6 pages, first") << 175 << 1 << Ints {} << "1* 2 3 4 5 6 >" << Ints { 1 };
        QTest::newRow("9 pages, last")
            << 270 << 9 << Ints {} << "< 1 2 3 4 5 6 7 8 9*" << Ints { 9 };
        QTest::newRow("10 pages, page 5")
            << 271 << 5 << Ints {} << "< 1 2 3 4 5* 6 7 8 ... 10 >" << Ints { 5 };
        QTest::newRow("10 pages, page 6")
            << 271 << 6 << Ints {} << "< 1 ... 3 4 5 6* 7 8 9 10 >" << Ints { 6 };
        QTest::newRow("20 pages, last")
            << 600 << 20 << Ints {} << "< 1 ... 13 14 15 16 17 18 19 20*" << Ints { 20 };
        QTest::newRow("100000 records, middle")
            << 100000 << 1667 << Ints {} << "< 1 ... 1664 1665 1666 1667* 1668 1669 1670 ... 3334 >"
            << Ints { 1667 };
        QTest::newRow("a page that does not exist: drawn as before, announced")
            << 150 << 7 << Ints {} << "1* 2 3 4 5 >" << Ints { 7 };
        QTest::newRow("grows under a later page")
            << 300 << 7 << Ints { 600 } << "< 1 ... 4 5 6 7* 8 9 10 ... 20 >" << Ints { 7 };
        QTest::newRow("shrinks below the page shown: stays")
            << 600 << 12 << Ints { 100 } << page12 << Ints { 12 };
        QTest::newRow("reset keeps the drawing")
            << 600 << 12 << Ints { -1 } << page12 << Ints { 12 };
        QTest::newRow("reset, then a count")
            << 600 << 12 << Ints { -1, 90 } << "1* 2 3 >" << Ints { 12 };
    }

    void window()
    {
        QFETCH(int, total);
        QFETCH(int, page);
        QFETCH(Ints, after);

        PageNavigateWdt nav(nullptr);
        QSignalSpy changes(&nav, &PageNavigateWdt::pageChanged);
        nav.setMsgNum(total);
        nav.setCurrentPage(page);
        for (int next : after) {
            if (next < 0)
                nav.reset();
            else
                nav.setMsgNum(next);
        }
        QTEST(drawing(nav), "expected");
        QTEST(emitted(changes), "changes");
    }

    void input_data()
    {
        QTest::addColumn<int>("total"); // -1: no count yet
        // "type <text>" or "paste <text>" into the go-to field, "go", "enter", "total <n>",
        // "click <n>" on the button showing page n, "next", "previous"; "focus <n>", "focus field",
        // "focus next", then "key <name>" on the focused widget.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<Ints>("changes");

        QTest::newRow("go; enter does nothing")
            << 150 << QStringList { "type 3", "go", "type 4", "enter" } << Ints { 3 };
        QTest::newRow("empty field, zero, beyond the last page")
            << 150 << QStringList { "go", "type 0", "go", "type 7", "go" } << Ints {};
        QTest::newRow("letters are not typed")
            << 150 << QStringList { "type a2b", "go" } << Ints { 2 };
        QTest::newRow("pasted text")
            << 150 << QStringList { "paste 3 pages", "go", "paste 5", "go" } << Ints { 5 };
        QTest::newRow("typed while there were more pages")
            << 3600 << QStringList { "type 100", "total 150", "go" } << Ints {};
        QTest::newRow("no count yet: 1 or 2")
            << -1 << QStringList { "type 3", "go", "type 2", "go" } << Ints { 2 };
        QTest::newRow("no records: no page to type")
            << 0 << QStringList { "type 1", "go" } << Ints {};
        QTest::newRow("the current page's button again, next and previous at the ends")
            << 60 << QStringList { "click 1", "previous", "click 2", "click 2", "next", "previous" }
            << Ints { 1, 2, 2, 1 };
        QTest::newRow("keys: Left and Right turn the page, Return presses the focused button")
            << 271
            << QStringList { "focus 1", "key Left", "key Right", "key Right", "focus 5",
                   "key Return", "focus next", "key Enter", "key Left" }
            << Ints { 2, 3, 5, 6, 5 };
        QTest::newRow("keys: Return in the field does nothing, Tab goes on to Go")
            << 150 << QStringList { "focus field", "type 3", "key Return", "key Tab", "key Return" }
            << Ints { 3 };
    }

    void input()
    {
        QFETCH(int, total);
        QFETCH(QStringList, steps);

        PageNavigateWdt nav(nullptr);
        if (total >= 0)
            nav.setMsgNum(total);
        nav.show();
        QVERIFY(QTest::qWaitForWindowExposed(&nav));
        nav.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&nav));
        auto *field = nav.findChild<QLineEdit *>(QStringLiteral("PageNavigateWdt_gotoPageEdit"));
        auto *go = nav.findChild<QPushButton *>(QStringLiteral("PageNavigateWdt_gotoPageBtn"));
        const QList<QPushButton *> turns = buttons(nav, "KMButton");
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
            } else if (step.startsWith("click")) {
                for (QPushButton *button : buttons(nav, "PageNavigateWdt_pageIdxBtn")) {
                    if (button->text() == arg && button->isVisible())
                        QTest::mouseClick(button, Qt::LeftButton);
                }
            } else if (step.startsWith("focus")) {
                QWidget *target = arg == "field" ? static_cast<QWidget *>(field) : turns.at(1);
                for (QPushButton *button : buttons(nav, "PageNavigateWdt_pageIdxBtn"))
                    target = button->text() == arg && button->isVisible() ? button : target;
                target->setFocus(Qt::TabFocusReason);
            } else if (step.startsWith("key")) {
                QTest::keyClick(QApplication::focusWidget(),
                    Qt::Key(QMetaEnum::fromType<Qt::Key>().keyToValue(qPrintable("Key_" + arg))));
            } else if (step == "next" || step == "previous") {
                QTest::mouseClick(turns.at(step == "next" ? 1 : 0), Qt::LeftButton);
            } else {
                nav.setMsgNum(arg.toInt());
            }
        }
        QTEST(emitted(changes), "changes");
    }
};

DYNFEED_TEST_MAIN(tst_PageNavigateWdt)
#include "tst_PageNavigateWdt.moc"
