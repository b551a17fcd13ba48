#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <google/protobuf/text_format.h>

#include <memory>

#include "MessageContext.h"
#include "attach/AttachWdt.h"
#include "common/RecordingHost.h"
#include "common/TestMain.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "items/ContentWdtFactory.h"
#include "msl.pb.h"

/// The attachment row: the size text at its boundaries, the name and size lines, and the View
/// button that only an upload has, handing the file's id to the host.
class tst_AttachWdt : public QObject
{
    Q_OBJECT

private slots:
    void sizeText_data();
    void sizeText();
    void rows_data();
    void rows();
};

namespace {

/// The one record a group feed makes of the message given in text form.
std::unique_ptr<SDynData> convertOne(const QString &message)
{
    pb_clt_t_user user;
    if (!google::protobuf::TextFormat::MergeFromString(message.toStdString(), &user))
        qFatal("test message does not parse");
    DynMsgConverter converter(true);
    converter.setPrjId(QStringLiteral("10086"));
    MessageContext context;
    context.user = &user;
    QList<SDynData *> records = converter.convert(context);
    if (records.size() != 1) {
        qDeleteAll(records);
        return nullptr;
    }
    return std::unique_ptr<SDynData>(records.first());
}

QString projectFile(int recordType, const QString &name)
{
    return QStringLiteral(
        "f_im_msg { f_msg { f_msg_type: 14 f_msg_seq_id: 3 f_msg_body: '上传了文件' "
        "f_msg_prj_record { record_type: %1 f_files { f_baseinfo { "
        "f_attach_name: '%2' f_attach_size: 1572864 f_attach_id: 'f-0042' } } "
        "} } }")
        .arg(recordType)
        .arg(name);
}

} // namespace

void tst_AttachWdt::sizeText_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("nothing") << 0 << "0KB";
    QTest::newRow("just under one KiB") << 1023 << "0KB";
    QTest::newRow("one and a half KiB, truncated") << 1535 << "1KB";
    QTest::newRow("just under one MiB") << 1048575 << "1023KB";
    QTest::newRow("one MiB") << 1048576 << "1.0MB";
    QTest::newRow("just under one GiB, rounded") << 1073741823 << "1024.0MB";
    QTest::newRow("one GiB") << 1073741824 << "1.0GB";
    QTest::newRow("largest size") << std::numeric_limits<int>::max() << "2.0GB";
    QTest::newRow("negative") << -5 << "0KB";
}

void tst_AttachWdt::sizeText()
{
    QFETCH(int, bytes);
    QTEST(AttachWdt::sizeText(bytes), "text");
}

void tst_AttachWdt::rows_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("name"); // "-": no name line
    QTest::addColumn<bool>("view");

    const QString longName = QStringLiteral("超高层施工组织设计（修订版）第三册 附图").repeated(4)
        + QStringLiteral(".pdf");
    QTest::newRow("upload") << projectFile(7, "塔吊安拆专项方案.docx") << "塔吊安拆专项方案.docx"
                            << true;
    QTest::newRow("upload with a long name") << projectFile(7, longName) << longName << true;
    QTest::newRow("upload without a name") << projectFile(7, "") << "-" << true;
    QTest::newRow("shared file, with an id") << projectFile(8, "a.pdf") << "a.pdf" << false;
    QTest::newRow("a message's attachment")
        << "f_im_msg { f_msg { f_msg_type: 4 f_msg_body: '发送了文件' f_attch { f_attach_name: "
           "'<b>图</b>.png' f_attach_size: 1572864 f_attach_id: 'f-0042' } } }"
        << "<b>图</b>.png" << false;
}

void tst_AttachWdt::rows()
{
    QFETCH(QString, message);
    QFETCH(QString, name);
    QFETCH(bool, view);

    const std::unique_ptr<SDynData> record = convertOne(message);
    QVERIFY(record);
    QWidget holder;
    holder.resize(900, 400);
    std::unique_ptr<AbsContentWdt> content(createContentWdt(record.get()));
    auto *row = qobject_cast<AttachWdt *>(content.get());
    QVERIFY(row);
    row->setParent(&holder);
    content.release();

    auto *nameLbl = row->findChild<QLabel *>(QStringLiteral("AttachWdt_Name"));
    QCOMPARE(nameLbl ? nameLbl->text() : QStringLiteral("-"), name);
    if (nameLbl)
        QCOMPARE(nameLbl->textFormat(), Qt::PlainText);
    auto *info = row->findChild<QLabel *>(QStringLiteral("AttachWdt_Info"));
    QVERIFY(info);
    QCOMPARE(info->text(), QStringLiteral("1.5MB"));

    const QList<QPushButton *> buttons = row->findChildren<QPushButton *>();
    QCOMPARE(buttons.size(), view ? 1 : 0);
    if (!view)
        return;
    QPushButton *button = buttons.first();
    QCOMPARE(button->text(), QStringLiteral("View"));

    holder.show();
    for (const QSize &size : { QSize(700, 120), QSize(420, 260) }) {
        row->resize(size);
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QRect area = row->rect();
        QCOMPARE(button->pos(),
            QPoint(area.right() - button->width() - 20, area.bottom() - button->height() - 20));
        // The text wraps before the button rather than running under it.
        for (QLabel *label : { nameLbl, info }) {
            if (label)
                QVERIFY(label->geometry().right() < button->x());
        }
    }

    QTest::mouseClick(button, Qt::LeftButton); // no host installed: nothing happens
    RecordingHost host;
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(host.filesViewed, QStringList { QStringLiteral("f-0042") });
}

DYNFEED_TEST_MAIN(tst_AttachWdt)
#include "tst_AttachWdt.moc"
