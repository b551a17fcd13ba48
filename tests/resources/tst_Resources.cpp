#include <QBitmap>
#include <QCryptographicHash>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QMovie>
#include <QRegion>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include "feed/SDynData.h"

namespace {

/// Every path the attachment widgets' icon table hands out: a small icon and a tile per type.
QStringList hostIconPaths()
{
    QStringList paths;
    for (const char *type :
        { "bmp", "doc", "xls", "dwg", "gif", "jpg", "pdf", "png", "rar", "txt", "zip", "file" }) {
        for (const char *variant : { "", "_Shape" })
            paths.append(QStringLiteral(":/icon/Resources/images/%1%2.png").arg(type, variant));
    }
    return paths;
}

} // namespace

/// The images the feed draws with: its own, registered by loading the dynfeed library, and the
/// file-type icons that the host library provides.
class tst_Resources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void ownImages_data();
    void ownImages();
    void waitingAnimation();
    void pictureMask_data();
    void pictureMask();

    void hostIcons_data();
    void hostIcons();
    void hostIconsDistinct();
};

void tst_Resources::initTestCase()
{
    // Only what a host does: use the library. Its images must then be there without any
    // Q_INIT_RESOURCE call.
    const SDynData record(SDynData::KindText);
    QCOMPARE(record.seqId, -1);
}

void tst_Resources::ownImages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");

    const QSize avatar(70, 70);
    const QSize rowIcon(16, 16);
    QTest::newRow("waiting") << "waiting.gif" << QByteArray("gif") << QSize(165, 159);
    QTest::newRow("remove") << "remove.png" << QByteArray("png") << rowIcon;
    QTest::newRow("remove_hover") << "remove_hover.png" << QByteArray("png") << rowIcon;
    QTest::newRow("new_member") << "new_member.png" << QByteArray("png") << avatar;
    QTest::newRow("secretary") << "secretary.png" << QByteArray("png") << avatar;
    QTest::newRow("default_header") << "default_header.png" << QByteArray("png") << avatar;
    QTest::newRow("picture_mask") << "picture_mask.png" << QByteArray("png") << avatar;
    QTest::newRow("task_people") << "task_people.png" << QByteArray("png") << rowIcon;
    QTest::newRow("task_type") << "task_type.png" << QByteArray("png") << rowIcon;
    QTest::newRow("task_location") << "task_location.png" << QByteArray("png") << rowIcon;
    QTest::newRow("task_time") << "task_time.png" << QByteArray("png") << rowIcon;
    QTest::newRow("picture_hover") << "picture_hover.png" << QByteArray("png") << QSize(100, 100);
    QTest::newRow("thumb") << "thumb.png" << QByteArray("png") << QSize(100, 100);
    QTest::newRow("picture_close") << "picture_close.png" << QByteArray("png") << QSize(30, 30);
    QTest::newRow("thunder_shower") << "thunder_shower.png" << QByteArray("png") << QSize(60, 60);
    QTest::newRow("cloudy") << "cloudy.png" << QByteArray("png") << QSize(60, 60);
}

void tst_Resources::ownImages()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);

    const QString path = QStringLiteral(":/icon/resources/images/") + name;
    QVERIFY2(QFile::exists(path), qPrintable(path));
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    // Nothing is an empty canvas.
    bool painted = false;
    for (int y = 0; y < image.height() && !painted; ++y) {
        for (int x = 0; x < image.width() && !painted; ++x)
            painted = qAlpha(image.pixel(x, y)) > 0;
    }
    QVERIFY(painted);
}

void tst_Resources::waitingAnimation()
{
    QMovie movie(QStringLiteral(":/icon/resources/images/waiting.gif"));
    QVERIFY(movie.isValid());
    QVERIFY2(movie.frameCount() > 1, qPrintable(QString::number(movie.frameCount())));
    QCOMPARE(movie.loopCount(), -1);

    // Every frame decodes at full size and differs from the one before.
    QImage previous;
    for (int frame = 0; frame < movie.frameCount(); ++frame) {
        QVERIFY(frame == 0 ? movie.jumpToFrame(0) : movie.jumpToNextFrame());
        const QImage image = movie.currentImage();
        QCOMPARE(image.size(), QSize(165, 159));
        QVERIFY(movie.nextFrameDelay() > 0);
        if (!previous.isNull())
            QVERIFY2(image != previous, qPrintable(QString::number(frame)));
        previous = image;
    }

    // It plays and comes round again.
    QSignalSpy frames(&movie, &QMovie::frameChanged);
    movie.start();
    QTRY_VERIFY_WITH_TIMEOUT(frames.count() > movie.frameCount(), 10000);
    QCOMPARE(movie.state(), QMovie::Running);
}

// The header turns the mask into the avatar's widget mask by one of these routes.
void tst_Resources::pictureMask_data()
{
    QTest::addColumn<QString>("route");

    QTest::newRow("bitmap from the file") << "bitmap";
    QTest::newRow("bitmap scaled fast, as the header does") << "scaled";
    QTest::newRow("alpha channel of the pixmap") << "alpha";
}

void tst_Resources::pictureMask()
{
    QFETCH(QString, route);

    const QString path = QStringLiteral(":/icon/resources/images/picture_mask.png");
    QBitmap bitmap;
    if (route == "bitmap")
        bitmap = QBitmap(path);
    else if (route == "scaled")
        bitmap = QBitmap(path).scaled(70, 70, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    else
        bitmap = QPixmap(path).mask();
    QVERIFY(!bitmap.isNull());

    QLabel avatar;
    avatar.setFixedSize(70, 70);
    avatar.setMask(bitmap);
    const QRegion region = avatar.mask();

    for (const QPoint &inside : { QPoint(35, 35), QPoint(35, 1), QPoint(1, 35), QPoint(68, 35),
             QPoint(35, 68), QPoint(12, 12) })
        QVERIFY2(region.contains(inside),
            qPrintable(QStringLiteral("%1,%2 masked out").arg(inside.x()).arg(inside.y())));
    for (const QPoint &outside :
        { QPoint(0, 0), QPoint(69, 0), QPoint(0, 69), QPoint(69, 69), QPoint(6, 6) })
        QVERIFY2(!region.contains(outside),
            qPrintable(QStringLiteral("%1,%2 shows").arg(outside.x()).arg(outside.y())));

    // A disc of radius 35 covers about 3848 pixels; alpha takes in the edge pixels too.
    int area = 0;
    for (const QRect &rect : region)
        area += rect.width() * rect.height();
    QVERIFY2(qAbs(area - 3848) < 150, qPrintable(QString::number(area)));
}

// The icon table of the attachment widgets: every path it can hand out.
void tst_Resources::hostIcons_data()
{
    QTest::addColumn<QString>("path");

    for (const QString &path : hostIconPaths())
        QTest::newRow(qPrintable(path.section(QLatin1Char('/'), -1))) << path;
}

void tst_Resources::hostIcons()
{
    QFETCH(QString, path);

    QVERIFY2(QFile::exists(path), qPrintable(path));
    // Loaded the way the picture label loads an icon: named format "png".
    QImageReader reader(path, "png");
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    const bool tile = path.endsWith(QLatin1String("_Shape.png"));
    QCOMPARE(image.size(), tile ? QSize(100, 100) : QSize(40, 40));
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
}

void tst_Resources::hostIconsDistinct()
{
    // A type drawn like another would send the user to the wrong program by its look.
    QSet<QByteArray> seen;
    for (const QString &path : hostIconPaths()) {
        QFile icon(path);
        QVERIFY2(icon.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray digest
            = QCryptographicHash::hash(icon.readAll(), QCryptographicHash::Sha1);
        QVERIFY2(!seen.contains(digest), qPrintable(path));
        seen.insert(digest);
    }
}

QTEST_MAIN(tst_Resources)
#include "tst_Resources.moc"
