#include <QLabel>
#include <QPainter>
#include <QtTest>

#include "items/ItemLabel_p.h"

/// The items' text label measures and paints like a QLabel, from its caches, and follows every
/// change of text, font and wrapping.
class tst_ItemLabel : public QObject
{
    Q_OBJECT

private slots:
    void heightForWidth_likeQLabel_data();
    void heightForWidth_likeQLabel();
    void followsChanges_data();
    void followsChanges();
    void paintedWithinMeasuredHeight_data();
    void paintedWithinMeasuredHeight();
    void plainByDefault();
};

namespace {

const QString kShort = QStringLiteral("王工 发布了任务");
const QString kLong = QStringLiteral(
    "The tower crane on block 3 passed its weekly inspection; the hoist limit switch was "
    "replaced and tested at full load before the morning shift.");
const QString kChinese = QStringLiteral(
    "今天下午三点在二号楼会议室召开安全例会，请各班组长准时参加，并带好本周的安全检查记录。");
const QString kLines
    = QStringLiteral("项目名称：滨江大厦\n所在地：上海 浦东\n\n建筑面积：12.50万平米");
const QString kUnbreakable
    = QStringLiteral("https://files.example.com/voice/f-0123456789abcdef0123456789abcdef.amr");

/// A plain QLabel set up like the ItemLabel under test.
void mirror(QLabel &reference, const QLabel &label)
{
    reference.setTextFormat(Qt::PlainText);
    reference.setFont(label.font());
    reference.setWordWrap(label.wordWrap());
    reference.setMargin(label.margin());
    reference.setIndent(label.indent());
    reference.setFrameStyle(label.frameStyle());
    reference.setLineWidth(label.lineWidth());
    reference.setAlignment(label.alignment());
    reference.setText(label.text());
}

/// Lowest row that holds a dark pixel, or -1.
int lowestInk(const QImage &image)
{
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                return y;
        }
    }
    return -1;
}

/// The rectangle of the dark pixels; empty when there are none.
QRect inkRect(const QImage &image)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

} // namespace

void tst_ItemLabel::heightForWidth_likeQLabel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    const QList<QPair<const char *, QString>> texts
        = { { "short", kShort }, { "long", kLong }, { "Chinese", kChinese },
              { "forced lines", kLines }, { "unbreakable", kUnbreakable }, { "empty", QString() } };
    for (const auto &text : texts) {
        for (int width : { 1, 40, 120, 333, 2000 })
            QTest::addRow("%s at %d", text.first, width) << text.second << width;
    }
}

void tst_ItemLabel::heightForWidth_likeQLabel()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    ItemLabel label(QStringLiteral("label"), nullptr);
    label.setWordWrap(true);
    label.setText(text);
    QLabel reference;
    mirror(reference, label);
    QCOMPARE(label.heightForWidth(width), reference.heightForWidth(width));
    // Asked again, from the cache, after other widths.
    label.heightForWidth(width + 17);
    label.heightForWidth(width / 2);
    QCOMPARE(label.heightForWidth(width), reference.heightForWidth(width));
    QCOMPARE(label.minimumSizeHint(), reference.minimumSizeHint());

    label.setWordWrap(false);
    reference.setWordWrap(false);
    QCOMPARE(label.sizeHint(), reference.sizeHint());
}

void tst_ItemLabel::followsChanges_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("longer text") << "text";
    QTest::newRow("larger font") << "font";
    QTest::newRow("style sheet font") << "styleSheet";
    QTest::newRow("wrapping off") << "wrap";
    QTest::newRow("margin") << "margin";
    QTest::newRow("frame and indent") << "frame";
}

void tst_ItemLabel::followsChanges()
{
    QFETCH(QString, change);
    QWidget parent;
    auto *label = new ItemLabel(QStringLiteral("label"), &parent);
    label->setWordWrap(true);
    label->setText(kShort);
    // Fill the caches at the widths that are compared below.
    for (int width : { 80, 200, 400 })
        label->heightForWidth(width);
    label->sizeHint();
    label->minimumSizeHint();

    if (change == QLatin1String("text")) {
        label->setText(kLong);
    } else if (change == QLatin1String("font")) {
        QFont font = label->font();
        font.setPointSize(font.pointSize() * 2);
        label->setFont(font);
    } else if (change == QLatin1String("styleSheet")) {
        parent.setStyleSheet(QStringLiteral("#label { font-size: 31px; }"));
    } else if (change == QLatin1String("wrap")) {
        label->setWordWrap(false);
    } else if (change == QLatin1String("margin")) {
        label->setMargin(9);
    } else {
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setLineWidth(3);
    }

    QLabel reference;
    reference.ensurePolished();
    label->ensurePolished();
    mirror(reference, *label);
    for (int width : { 80, 200, 400 })
        QCOMPARE(label->heightForWidth(width), reference.heightForWidth(width));
    QCOMPARE(label->minimumSizeHint(), reference.minimumSizeHint());
}

void tst_ItemLabel::paintedWithinMeasuredHeight_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::newRow("long, narrow") << kLong << 150;
    QTest::newRow("long, wide") << kLong << 700;
    QTest::newRow("Chinese, narrow") << kChinese << 90;
    QTest::newRow("forced lines") << kLines << 160;
    QTest::newRow("unbreakable") << kUnbreakable << 60;
    QTest::newRow("right to left, one line") << QStringLiteral("שלום עולם") << 300;
    QTest::newRow("right to left, wrapped")
        << QStringLiteral("مرحبا بالعالم هذا نص طويل يلتف على عدة أسطر في التسمية") << 90;
}

void tst_ItemLabel::paintedWithinMeasuredHeight()
{
    // Painted top-aligned into more room than measured: every line shows within the measured
    // height, and the last one reaches into its last line.
    QFETCH(QString, text);
    QFETCH(int, width);
    ItemLabel label(QStringLiteral("label"), nullptr);
    label.setWordWrap(true);
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label.setText(text);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Window, Qt::white);
    label.setPalette(palette);
    label.setAutoFillBackground(true);
    const int height = label.heightForWidth(width);
    label.resize(width, height + 200);

    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image);
    const int ink = lowestInk(image);
    const QRect inked = inkRect(image);
    QVERIFY2(inked.left() >= 0 && inked.right() < width,
        qPrintable(QStringLiteral("ink from %1 to %2").arg(inked.left()).arg(inked.right())));
    QVERIFY2(ink >= 0, "nothing painted");
    QVERIFY2(ink < height, qPrintable(QStringLiteral("ink at %1, height %2").arg(ink).arg(height)));
    QVERIFY2(ink >= height - label.fontMetrics().lineSpacing() - 1,
        qPrintable(QStringLiteral("ink ends at %1 of %2").arg(ink).arg(height)));
}

void tst_ItemLabel::plainByDefault()
{
    // Markup from a message is shown as its characters.
    const QString markup = QStringLiteral("<b>bold</b> &amp; <img src='x.png'>");
    ItemLabel label(QStringLiteral("label"), nullptr);
    label.setText(markup);
    QCOMPARE(label.textFormat(), Qt::PlainText);
    QVERIFY(qAbs(label.sizeHint().width() - label.fontMetrics().horizontalAdvance(markup)) <= 1);

    // Rich text is shown as rich text when asked for, measured by QLabel.
    label.setTextFormat(Qt::RichText);
    label.setWordWrap(true);
    QLabel reference;
    reference.setTextFormat(Qt::RichText);
    reference.setWordWrap(true);
    reference.setText(markup);
    QCOMPARE(label.sizeHint(), reference.sizeHint());
    QCOMPARE(label.heightForWidth(60), reference.heightForWidth(60));
    QVERIFY(label.sizeHint().width() < label.fontMetrics().horizontalAdvance(markup));
}

QTEST_MAIN(tst_ItemLabel)
#include "tst_ItemLabel.moc"
