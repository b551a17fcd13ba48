#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

class QLabel;

/// Small picture and file helpers for the attachment tests.
namespace TestPictures {

/// A picture whose left half is red and right half blue, so that a mis-decoded load shows.
QImage halves(const QSize &size);
/// image encoded in format ("png", "jpg", "bmp").
QByteArray encoded(const QImage &image, const char *format);
/// A halves() picture of size, encoded in format.
QByteArray picture(const QSize &size, const char *format);
/// Writes bytes to path, creating its folder; false when that fails.
bool writeFile(const QString &path, const QByteArray &bytes);
/// Writes a PNG of one colour to path, creating its folder; false when that fails.
bool writeSolid(const QString &path, const QColor &color, const QSize &size = QSize(70, 70));
/// Hex SHA-1 of name's UTF-8 bytes: the stem of the safe name of a hostile name.
QString sha1(const QString &name);
/// What label shows, as an RGB32 image; null when it shows no pixmap.
QImage shown(const QLabel &label);
/// The resource image at path as an RGB32 image.
QImage resourceImage(const QString &path);

/// Empty when actual has expected's size and every pixel matches within tolerance levels per
/// channel, else what differs first. Both sides go through the same conversion: a pixmap
/// (premultiplied alpha) and an image (straight alpha) of one picture round half-transparent
/// pixels differently, and differently again on each processor's SIMD path.
QString imageDifference(const QImage &actual, const QImage &expected, int tolerance = 3);
/// The same for one colour.
QString colorDifference(const QColor &actual, const QColor &expected, int tolerance = 3);

} // namespace TestPictures

/// QCOMPARE for pictures and colours, through imageDifference and colorDifference.
#define COMPARE_PICTURES(actual, expected)                                                         \
    do {                                                                                           \
        const QString why_ = TestPictures::imageDifference(actual, expected);                      \
        QVERIFY2(why_.isEmpty(), qPrintable(why_));                                                \
    } while (false)
#define COMPARE_COLORS(actual, expected)                                                           \
    do {                                                                                           \
        const QString why_ = TestPictures::colorDifference(actual, expected);                      \
        QVERIFY2(why_.isEmpty(), qPrintable(why_));                                                \
    } while (false)
