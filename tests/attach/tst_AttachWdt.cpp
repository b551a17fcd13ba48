#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <google/protobuf/text_format.h>

#include <memory>

#include "CloudFileService.h"
#include "InformMsgBox.h"
#include "KMLabel.h"
#include "MessageContext.h"
#include "attach/AttachWdt.h"
#include "attach/FileDisplayWdt.h"
#include "attach/PictureFileWdt.h"
#include "common/RecordingHost.h"
#include "common/TestMain.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "items/AbsContentWdt.h"
#include "items/ContentWdtFactory.h"
#include "msl.pb.h"

/// Catches what the feed opens with the default program.
class OpenedFiles : public QObject
{
    Q_OBJECT
public:
    QStringList paths;

public slots:
    void open(const QUrl &url) { paths << url.toLocalFile(); }
};

/// The attachments. The row: the size text at its boundaries, the name and size lines, and the
/// View button that only an upload has, handing the file's id to the host. A file tile: fetching
/// with progress, opening with the default program, failures said, a tile in an item only shown;
/// the hidden name label's eliding.

class tst_AttachWdt : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    OpenedFiles m_opened;
    const QByteArray m_tmpDir = qgetenv("TMPDIR");
private slots:

    void init()
    {
        qputenv("TMPDIR", m_dir.filePath("sys").toLocal8Bit());
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.filePath("sys/Vantor/file")));
        CloudFileStore::setRootPath(m_dir.filePath("cloud"));
        CloudFileStore::resetTransferSettings();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_opened, "open");
        m_opened.paths.clear();
        InformMsgBox::closeAll();
    }

    void cleanup()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QTRY_COMPARE_WITH_TIMEOUT(CloudFileStore::runningTransfers(), 0, 30000);
        CloudFileStore::resetTransferSettings();
        InformMsgBox::closeAll();
        qputenv("TMPDIR", m_tmpDir);
    }

    void sizeText_data()
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

    void sizeText()
    {
        QFETCH(int, bytes);
        QTEST(AttachWdt::sizeText(bytes), "text");
    }

    void rows_data()
    {
        QTest::addColumn<QString>("item"); // the message item that the record is converted from
        QTest::addColumn<QString>("name"); // "-": no name line
        QTest::addColumn<bool>("view");

        const QString file = "f_attach_name: '%1' f_attach_size: 1572864 f_attach_id: 'f-0042'";
        const auto project = [&file](int type, const QString &name) {
            return QString(
                "f_msg_type: 14 f_msg_body: '上传了文件' f_msg_prj_record { record_type: %1 "
                "f_files { f_baseinfo { %2 } } }")
                .arg(type)
                .arg(file.arg(name));
        };
        QTest::newRow("upload") << project(7, "塔吊安拆专项方案.docx") << "塔吊安拆专项方案.docx"
                                << true;
        QTest::newRow("shared file, with an id") << project(8, "") << "-" << false;
        QTest::newRow("a message's attachment")
            << "f_msg_type: 4 f_msg_body: '发送了文件' f_attch { " + file.arg("<b>图</b>.png")
                + " }"
            << "<b>图</b>.png" << false;
    }

    void rows()
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

    void openFile_data()
    {
        QTest::addColumn<QString>("from"); // "cloud", "kept" (fetched before), "lost", "nowhere"
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("prompt"); // empty: the file is opened; "-": nothing happens

        const auto row
            = [](const char *tag, const char *from, const char *name, const char *prompt) {
                  QTest::newRow(tag) << QString(from) << QString(name) << QString(prompt);
              };
        row("fetched with progress", "cloud", "结构施工图.dwg", "");
        row("kept from before", "kept", "进度计划.xlsx", "");
        row("hostile name stays in its folder", "cloud", "../../x.pdf", "");
        row("link lost", "lost", "方案.pdf", "打开文件失败!");
        row("not in the cloud", "nowhere", "方案.pdf", "打开文件失败!");
        row("in a task report: only shown", "kept in an item", "进度计划.xlsx", "-");
    }

    void openFile()
    {
        QFETCH(QString, from);
        QFETCH(QString, name);
        QFETCH(QString, prompt);
        const QByteArray bytes(48 * 1024, 'x');
        const QString local = FileDisplayWdt::localFilePath(name);
        QVERIFY(local.startsWith(m_dir.filePath("sys/Vantor/file/")));
        QVERIFY(!local.contains(QLatin1String("..")));
        const bool kept = from.startsWith(QLatin1String("kept"));
        QFile stored(kept ? local : CloudFileStore::filePath("f-01"));
        if (from != QLatin1String("nowhere")) {
            QVERIFY(QDir().mkpath(QFileInfo(stored).path()));
            QVERIFY(stored.open(QIODevice::WriteOnly) && stored.write(bytes) == bytes.size());
            stored.close();
        }
        CloudFileStore::setChunkSize(4096);
        CloudFileStore::setChunkDelay(5);
        if (from == QLatin1String("lost"))
            CloudFileStore::setFailAfter(8192);

        FileDisplayWdt alone(QStringLiteral("f-01"), name, nullptr);
        SDynData report(SDynData::KindTaskReport);
        report.text = QStringLiteral("汇报");
        report.content = { { "attach_list", QStringList { name } } };
        const std::unique_ptr<AbsContentWdt> item(createContentWdt(&report));
        auto &tile
            = from.endsWith(QLatin1String("item")) ? *item->findChild<FileDisplayWdt *>() : alone;
        tile.window()->show();
        const int prompts = InformMsgBox::promptCount();
        QTest::mouseClick(tile.findChild<PictureFileWdt *>(), Qt::LeftButton);
        if (prompt == QLatin1String("-")) {
            // Opening a kept file would be at once.
            QCOMPARE(CloudFileStore::runningTransfers(), 0);
            QVERIFY(m_opened.paths.isEmpty());
            QCOMPARE(InformMsgBox::promptCount(), prompts);
        } else if (prompt.isEmpty()) {
            if (from == QLatin1String("cloud")) {
                // The bar shows part of the way, then goes when the file is there.
                QTRY_VERIFY(tile.findChild<QProgressBar *>()->isVisible());
                QVERIFY(tile.findChild<QProgressBar *>()->value() < 100);
            }
            QTRY_COMPARE(m_opened.paths, QStringList { local });
            QVERIFY(tile.findChild<QProgressBar *>()->isHidden());
            QCOMPARE(InformMsgBox::promptCount(), prompts);
        } else {
            QTRY_COMPARE(InformMsgBox::promptCount(), prompts + 1);
            QCOMPARE(InformMsgBox::lastPrompt(), prompt);
            QVERIFY(m_opened.paths.isEmpty());
            QVERIFY(!QFile::exists(local));
        }
    }
};

DYNFEED_TEST_MAIN(tst_AttachWdt)
#include "tst_AttachWdt.moc"
