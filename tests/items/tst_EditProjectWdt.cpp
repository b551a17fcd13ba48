#include <QLayout>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include "KMLabel.h"
#include "MessageContext.h"
#include "common/RecordingHost.h"
#include "common/TestMain.h"
#include "common/TestMessages.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "items/ContentWdtFactory.h"
#include "items/EditProjectWdt.h"

/// The project-information content: the composed information as rich text with the message's
/// values escaped, and the "More" button that asks the host for the whole information.
class tst_EditProjectWdt : public QObject
{
    Q_OBJECT

private slots:
    void richTextWithEscapedValues();
    void moreButton_onceInLowerRight_data();
    void moreButton_onceInLowerRight();
    void moreButton_click();
};

namespace {

/// A project-information edit as the push service delivers it, converted into its record.
std::unique_ptr<SDynData> projectInfoRecord(const QString &name, const QString &builder)
{
    pb_im_t_msg_item item;
    item.set_f_msg_type(14);
    item.set_f_msg_seq_id(7);
    item.set_f_sender_id(1001);
    item.set_f_sender_name("王工");
    item.set_f_msg_body("修改了项目信息");
    item.set_f_send_time(1780000000);
    pb_im_t_msg_prj_record *record = item.mutable_f_msg_prj_record();
    record->set_record_type(2);
    pb_prj_t_info *info = record->mutable_f_prj_info();
    info->set_f_prj_name(name.toStdString());
    info->set_f_prj_type(1);
    info->set_f_shigong_danwei(builder.toStdString());
    const pb_clt_t_user message = TestMessages::message({ item });

    DynMsgConverter converter(true);
    converter.setPrjId(QStringLiteral("88"));
    MessageContext context;
    context.groupId = QStringLiteral("88");
    context.user = &message;
    QList<SDynData *> records = converter.convert(context);
    if (records.size() != 1) {
        qDeleteAll(records);
        return nullptr;
    }
    return std::unique_ptr<SDynData>(records.first());
}

} // namespace

void tst_EditProjectWdt::richTextWithEscapedValues()
{
    const QString name = QStringLiteral("<b>滨江</b><img src='file:///etc/passwd'> & Co");
    const QString builder = QStringLiteral("</p><h1>第一建筑</h1>");
    const std::unique_ptr<SDynData> record = projectInfoRecord(name, builder);
    QVERIFY(record);
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
    QVERIFY2(paragraphs.contains(QStringLiteral("项目名称 : ") + name),
        qPrintable(paragraphs.join('|')));
    QVERIFY2(paragraphs.contains(QStringLiteral("施工单位 : ") + builder),
        qPrintable(paragraphs.join('|')));
    QVERIFY(paragraphs.contains(QStringLiteral("项目类型 : 建筑工程")));
    // Nothing of the values became markup: no image, no heading.
    QVERIFY(!shown.toHtml().contains(QStringLiteral("<img")));
    QVERIFY(!shown.toHtml().contains(QStringLiteral("<h1")));
}

void tst_EditProjectWdt::moreButton_onceInLowerRight_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("wide") << QSize(800, 160);
    QTest::newRow("narrow and tall") << QSize(260, 400);
    QTest::newRow("smaller than the button") << QSize(60, 20);
}

void tst_EditProjectWdt::moreButton_onceInLowerRight()
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
    QCOMPARE(more->objectName(), QStringLiteral("KMButton"));
    QCOMPARE(more->text(), QStringLiteral("More"));
    QCOMPARE(widget.layout()->indexOf(more), -1);

    holder.show();
    for (const QSize &each : { size, size + QSize(37, 11) }) {
        widget.resize(each);
        QCOMPARE(widget.size(), each);
        const QRect area = widget.rect();
        QCOMPARE(more->pos(),
            QPoint(area.right() - more->width() - 20, area.bottom() - more->height() - 20));
    }
}

void tst_EditProjectWdt::moreButton_click()
{
    QWidget holder;
    holder.resize(600, 300);
    auto &widget = *new EditProjectWdt(
        { { QStringLiteral("text"), QStringLiteral("<p>项目名称 : A</p>") } }, &holder);
    widget.initContent();
    holder.show();
    auto *more = widget.findChild<QPushButton *>(QStringLiteral("KMButton"));
    QVERIFY(more);
    QTest::mouseClick(more, Qt::LeftButton); // no host installed: nothing happens

    RecordingHost host;
    QTest::mouseClick(more, Qt::LeftButton);
    QCOMPARE(host.projectInfoCalls, 1);
    QVERIFY(host.personalInfoUsers.isEmpty());
}

DYNFEED_TEST_MAIN(tst_EditProjectWdt)
#include "tst_EditProjectWdt.moc"
