#include <QLabel>
#include <QtTest>

#include "common/TestMain.h"
#include "items/ItemLabel_p.h"

/// The items' text label measures and paints like a QLabel, from its caches, and follows every
/// change of text, font and wrapping.
class tst_ItemLabel : public QObject
{
    Q_OBJECT

private slots:
    void likeQLabel_data();
    void likeQLabel();
    void paintedWithinMeasuredHeight();
};

namespace {

const QString kShort = QStringLiteral("王工 发布了任务");
const QString kLong = QStringLiteral("The tower crane on block 3 passed its weekly inspection; the "
                                     "hoist limit switch was replaced before the morning shift.");
const QString kLines
    = QStringLiteral("项目名称：滨江大厦\n所在地：上海 浦东\n\n建筑面积：12.5万平米");

/// A plain QLabel set up like label.
void mirror(QLabel &reference, const QLabel &label)
{
    reference.setTextFormat(Qt::PlainText);
    reference.setFont(label.font());
    reference.setWordWrap(label.wordWrap());
    reference.setMargin(label.margin());
    reference.setText(label.text());
}

} // namespace

void tst_ItemLabel::likeQLabel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("change"); // made after the caches were filled
    QTest::newRow("short") << kShort << "";
    QTest::newRow("forced lines") << kLines << "";
    QTest::newRow("unbreakable") << "https://files.example.com/voice/f-0123456789abcdef.amr"
                                 << "";
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("longer text") << kShort << "text";
    QTest::newRow("larger font") << kShort << "font";
    QTest::newRow("style sheet font") << kShort << "styleSheet";
    QTest::newRow("wrapping off") << kShort << "wrap";
    QTest::newRow("margin") << kShort << "margin";
}

void tst_ItemLabel::likeQLabel()
{
    QFETCH(QString, text);
    QFETCH(QString, change);
    QWidget parent;
    auto *label = new ItemLabel(QStringLiteral("label"), &parent);
    label->setWordWrap(true);
    label->setText(text);
    const QList<int> widths = { 1, 80, 333, 2000 };
    for (int width : widths)
        label->heightForWidth(width);
    label->sizeHint();
    label->minimumSizeHint();

    if (change == QLatin1String("text"))
        label->setText(kLong);
    else if (change == QLatin1String("font"))
        label->setFont(QFont(label->font().family(), label->font().pointSize() * 2));
    else if (change == QLatin1String("styleSheet"))
        parent.setStyleSheet(QStringLiteral("#label { font-size: 31px; }"));
    else if (change == QLatin1String("wrap"))
        label->setWordWrap(false);
    else if (change == QLatin1String("margin"))
        label->setMargin(9);

    QLabel reference;
    reference.ensurePolished();
    label->ensurePolished();
    mirror(reference, *label);
    for (int width : widths)
        QCOMPARE(label->heightForWidth(width), reference.heightForWidth(width));
    QCOMPARE(label->minimumSizeHint(), reference.minimumSizeHint());
    if (!label->wordWrap())
        QCOMPARE(label->sizeHint(), reference.sizeHint());
}

void tst_ItemLabel::paintedWithinMeasuredHeight()
{
    // Painted top-aligned into more room than measured, the last line ends within the measured
    // height, in its last line.
    ItemLabel label(QStringLiteral("label"), nullptr);
    label.setWordWrap(true);
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label.setText(kLong);
    label.setStyleSheet(QStringLiteral("color: black; background: white"));
    const int height = label.heightForWidth(150);
    label.resize(150, height + 200);
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image);
    int ink = -1; // the lowest row with a dark pixel
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ink = qGray(image.pixel(x, y)) < 128 ? y : ink;
    }
    QVERIFY2(ink < height && ink >= height - label.fontMetrics().lineSpacing() - 1,
        qPrintable(QStringLiteral("ink ends at %1 of %2").arg(ink).arg(height)));
}

DYNFEED_TEST_MAIN(tst_ItemLabel)
#include "tst_ItemLabel.moc"
