#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include <google/protobuf/text_format.h>

#include <memory>

#include "KMLabel.h"
#include "MessageContext.h"
#include "common/RecordingHost.h"
#include "common/TestMain.h"
#include "common/TestMessages.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "items/ContentWdtFactory.h"
#include "items/EditProjectWdt.h"
#include "items/ItemLabel_p.h"
#include "items/PlainTextWdt.h"

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

/// The items' text label (measured and painted like a QLabel, from its caches, following every
/// change of text, font and wrapping), the plain notice's content (its text as plain, word-wrapped
/// characters, or nothing) and the project-information content built on it: the composed
/// information as rich text with the message's values escaped, and the "More" button that asks the
/// host for the whole information.

class tst_PlainTextWdt : public QObject
{
    Q_OBJECT

private slots:

    void itemLabel_likeQLabel_data()
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

    void itemLabel_likeQLabel()
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

    void label_data()
    {
        QTest::addColumn<QVariant>("text"); // invalid: no text key
        QTest::addColumn<QString>("shown"); // empty: no label
        QTest::newRow("no text key") << QVariant() << "";
        QTest::newRow("empty text") << QVariant(QString()) << "";
        QTest::newRow("text of another type") << QVariant(42) << "42";
        const QString markup = "<b>x</b><img src='file:///etc/passwd'><a href='http://y'>z</a>";
        QTest::newRow("markup") << QVariant(markup) << markup;
    }

    void label()
    {
        QFETCH(QVariant, text);
        QFETCH(QString, shown);
        QVariantHash content { { QStringLiteral("title"), QStringLiteral("x") } };
        if (text.isValid())
            content.insert(QStringLiteral("text"), text);
        PlainTextWdt widget(content, nullptr);
        widget.initContent();
        widget.initContent(); // built again from the same maps: still one label
        const QList<KMLabel *> labels
            = widget.findChildren<KMLabel *>(QStringLiteral("PlainTextWdt_Label"));
        QCOMPARE(labels.size(), shown.isEmpty() ? 0 : 1);
        QCOMPARE(widget.layout()->count(), labels.size());
        if (shown.isEmpty())
            return;
        QCOMPARE(labels.first()->text(), shown);
        QCOMPARE(labels.first()->textFormat(), Qt::PlainText);
    }

    void projectInfo_escapedValues()
    {
        // A project-information edit as the push service delivers it, converted into its record.
        const QString name = QStringLiteral("<b>滨江</b><img src='file:///etc/passwd'> & Co");
        const QString builder = QStringLiteral("</p><h1>第一建筑</h1>");
        pb_im_t_msg_item item;
        QVERIFY(google::protobuf::TextFormat::ParseFromString(
            "f_msg_type: 14 f_msg_seq_id: 7 f_sender_id: 1001 f_msg_body: '修改了项目信息' "
            "f_send_time: 1780000000 f_msg_prj_record { record_type: 2 f_prj_info { f_prj_type: 1 "
            "} }",
            &item));
        pb_prj_t_info *info = item.mutable_f_msg_prj_record()->mutable_f_prj_info();
        info->set_f_prj_name(name.toStdString());
        info->set_f_shigong_danwei(builder.toStdString());
        const pb_clt_t_user message = TestMessages::message({ item });
        DynMsgConverter converter(true);
        converter.setPrjId(QStringLiteral("88"));
        const QList<SDynData *> records
            = converter.convert(MessageContext { QStringLiteral("88"), &message });
        QCOMPARE(records.size(), 1);
        const std::unique_ptr<SDynData> record(records.first());
        QCOMPARE(record->kind, int(SDynData::KindProjectInfo));

        std::unique_ptr<AbsContentWdt> content(createContentWdt(record.get()));
        QVERIFY(qobject_cast<EditProjectWdt *>(content.get()));
        auto *label = content->findChild<KMLabel *>(QStringLiteral("PlainTextWdt_Label"));
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::RichText);

        // Rendered as the library composed it: paragraphs of label and value, the values verbatim.
        QTextDocument shown;
        shown.setHtml(label->text());
        QStringList paragraphs;
        for (QTextBlock block = shown.begin(); block.isValid(); block = block.next())
            paragraphs << block.text();
        for (const QString &expected : { "项目名称 : " + name, "施工单位 : " + builder,
                 QStringLiteral("项目类型 : 建筑工程") })
            QVERIFY2(paragraphs.contains(expected), qPrintable(paragraphs.join('|')));
        // Nothing of the values became markup: no image, no heading.
        QVERIFY(!shown.toHtml().contains(QStringLiteral("<img")));
        QVERIFY(!shown.toHtml().contains(QStringLiteral("<h1")));
    }

    void projectInfo_moreButton_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("wide") << QSize(800, 160);
        QTest::newRow("narrow and tall") << QSize(260, 400);
        QTest::newRow("smaller than the button") << QSize(60, 20);
    }

    void projectInfo_moreButton()
    {
        QFETCH(QSize, size);
        // In a parent without layout, so that any size can be given.
        QWidget holder;
        holder.resize(1000, 1000);
        auto &widget = *new EditProjectWdt(
            { { QStringLiteral("text"), QStringLiteral("<p>项目名称 : A</p>") } }, &holder);
        widget.initContent();
        widget.initContent();
        const QList<QPushButton *> buttons = widget.findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 1);
        QPushButton *more = buttons.first();
        QCOMPARE(widget.layout()->indexOf(more), -1);

        holder.show();
        for (const QSize &each : { size, size + QSize(37, 11) }) {
            widget.resize(each);
            QCOMPARE(widget.size(), each);
            const QRect area = widget.rect();
            QCOMPARE(more->pos(),
                QPoint(area.right() - more->width() - 20, area.bottom() - more->height() - 20));
        }
        QTest::mouseClick(more, Qt::LeftButton); // no host installed: nothing happens
        RecordingHost host;
        QTest::mouseClick(more, Qt::LeftButton);
        QCOMPARE(host.projectInfoCalls, 1);
        QVERIFY(host.personalInfoUsers.isEmpty());
    }
};

DYNFEED_TEST_MAIN(tst_PlainTextWdt)
#include "tst_PlainTextWdt.moc"
