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

void tst_AttachWdt::sizeText_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("just under one KiB") << 1023 << "0KB";
    QTest::newRow("just under one MiB") << 1048575 << "1023KB";
    QTest::newRow("one MiB") << 1048576 << "1.0MB";
    QTest::newRow("just under one GiB, rounded") << 1073741823 << "1024.0MB";
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
    QTest::addColumn<QString>("item"); // the message item that the record is converted from
    QTest::addColumn<QString>("name"); // "-": no name line
    QTest::addColumn<bool>("view");

    const QString file = "f_attach_name: '%1' f_attach_size: 1572864 f_attach_id: 'f-0042'";
    const auto project = [&file](int type, const QString &name) {
        return QString("f_msg_type: 14 f_msg_body: '上传了文件' f_msg_prj_record { record_type: %1 "
                       "f_files { f_baseinfo { %2 } } }")
            .arg(type)
            .arg(file.arg(name));
    };
    QTest::newRow("upload") << project(7, "塔吊安拆专项方案.docx") << "塔吊安拆专项方案.docx"
                            << true;
    QTest::newRow("shared file, with an id") << project(8, "") << "-" << false;
    QTest::newRow("a message's attachment")
        << "f_msg_type: 4 f_msg_body: '发送了文件' f_attch { " + file.arg("<b>图</b>.png") + " }"
        << "<b>图</b>.png" << false;
}

void tst_AttachWdt::rows()
{
    QFETCH(QString, item);
    QFETCH(QString, name);
    QFETCH(bool, view);

    pb_clt_t_user message;
    QVERIFY(google::protobuf::TextFormat::MergeFromString(
        QString("f_im_msg { f_msg { %1 } }").arg(item).toStdString(), &message));
    DynMsgConverter converter(true);
    MessageContext context;
    context.user = &message;
    const QList<SDynData *> records = converter.convert(context);
    QCOMPARE(records.size(), 1);
    const std::unique_ptr<SDynData> record(records.first());
    QWidget holder;
    auto *row = qobject_cast<AttachWdt *>(createContentWdt(record.get()));
    QVERIFY(row);
    row->setParent(&holder);

    auto *nameLbl = row->findChild<QLabel *>(QStringLiteral("AttachWdt_Name"));
    QCOMPARE(nameLbl ? nameLbl->text() : QStringLiteral("-"), name);
    QVERIFY(!nameLbl || nameLbl->textFormat() == Qt::PlainText);
    auto *info = row->findChild<QLabel *>(QStringLiteral("AttachWdt_Info"));
    QCOMPARE(info->text(), QStringLiteral("1.5MB"));
    const QList<QPushButton *> buttons = row->findChildren<QPushButton *>();
    QCOMPARE(buttons.size(), view ? 1 : 0);
    if (!view)
        return;
    QPushButton *button = buttons.first();
    QCOMPARE(button->text(), QStringLiteral("View"));

    holder.resize(900, 400);
    holder.show();
    for (const QSize &size : { QSize(700, 120), QSize(420, 260) }) {
        row->resize(size);
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QRect area = row->rect();
        QCOMPARE(button->pos(),
            QPoint(area.right() - button->width() - 20, area.bottom() - button->height() - 20));
    }
    QTest::mouseClick(button, Qt::LeftButton); // no host installed: nothing happens
    RecordingHost host;
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(host.filesViewed, QStringList { QStringLiteral("f-0042") });
}

DYNFEED_TEST_MAIN(tst_AttachWdt)
#include "tst_AttachWdt.moc"
