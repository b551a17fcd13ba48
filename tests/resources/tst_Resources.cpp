#include <QBitmap>
#include <QCryptographicHash>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QTest>

#include "common/TestMain.h"
#include "feed/SDynData.h"

namespace {

const char *const kFileTypes[]
    = { "bmp", "doc", "xls", "dwg", "gif", "jpg", "pdf", "png", "rar", "txt", "zip", "file" };
const QString kOwn = QStringLiteral(":/icon/resources/images/%1.png");
const QString kHost = QStringLiteral(":/icon/Resources/images/%1%2.png");

} // namespace

/// The images the feed draws with: its own, there once the dynfeed library is loaded (no
/// Q_INIT_RESOURCE), and the file-type icons the host library provides.

class tst_Resources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(SDynData(SDynData::KindText).seqId, -1); } // uses the library

private:
    QHash<QByteArray, QString> m_seen; // digest -> path, over all rows of images()
private slots:

    void images_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");

        // Each with its twice as large "@2x" for screens of ratio 2, but the mask.
        const auto rows = [](const QSize &size, std::initializer_list<const char *> names) {
            for (const char *name : names) {
                QTest::newRow(name) << kOwn.arg(name) << size;
                if (qstrcmp(name, "picture_mask") != 0)
                    QTest::addRow("%s@2x", name) << kOwn.arg(name + QString("@2x")) << size * 2;
            }
        };
        rows({ 16, 16 },
            { "remove", "remove_hover", "task_people", "task_type", "task_location", "task_time" });
        rows({ 70, 70 }, { "new_member", "secretary", "default_header", "picture_mask" });
        rows({ 100, 100 }, { "picture_hover", "thumb" });
        rows({ 60, 60 }, { "thunder_shower", "cloudy" });
        rows({ 30, 30 }, { "picture_close" });
        // The icon table's small icon and tile per file type.
        for (const char *type : kFileTypes) {
            QTest::addRow("%s", type) << kHost.arg(type, QString()) << QSize(40, 40);
            QTest::addRow("%s_Shape", type) << kHost.arg(type, "_Shape") << QSize(100, 100);
            QTest::addRow("%s_Shape@2x", type) << kHost.arg(type, "_Shape@2x") << QSize(200, 200);
        }
    }

    void images()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QImageReader reader(path, "png"); // as the picture label loads them
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), size);
        QImage blank(size, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        QVERIFY(image != blank);
        // An image drawn like another (a file type like another type) would mislead the user.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray digest
            = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
        QVERIFY2(!m_seen.contains(digest), qPrintable(m_seen.value(digest)));
        m_seen.insert(digest, path);
    }

    void pictureMask()
    {
        // By each route the header may take, the mask is a disc: the middle and the middles of the
        // edges show, the corners do not.
        const QString path = kOwn.arg("picture_mask");
        for (const QBitmap &bitmap :
            { QBitmap(path), QBitmap(QBitmap(path).scaled(70, 70)), QPixmap(path).mask() }) {
            QLabel avatar;
            avatar.setFixedSize(70, 70);
            avatar.setMask(bitmap);
            const QRegion region = avatar.mask();
            for (const QPoint &inside :
                { QPoint(35, 35), QPoint(35, 1), QPoint(1, 35), QPoint(68, 35) })
                QVERIFY(region.contains(inside));
            for (const QPoint &outside :
                { QPoint(0, 0), QPoint(69, 0), QPoint(0, 69), QPoint(6, 6) })
                QVERIFY(!region.contains(outside));
        }
    }
};

DYNFEED_TEST_MAIN(tst_Resources)
#include "tst_Resources.moc"
