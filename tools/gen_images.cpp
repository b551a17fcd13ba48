// Draws every image of the project: the library's own pictures (src/resources/images) and the
// host's file-type icons (host/images). The output is committed; run this only to change them:
//
//     gen_images <source root>
//
// Every picture shown larger than its pixels on a screen of device pixel ratio 2 comes a second
// time as "<name>@2x.png": the same drawing at twice the pixels, which Qt picks on such screens.
//
// Everything is drawn from code, letters included (a small stroke alphabet), so the result does
// not depend on the fonts of the machine. Qt writes no GIF, so the waiting animation goes
// through the small GIF89a encoder below, and is read back with Qt's decoder to check it.

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QVector>
#include <QtMath>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// The flat palette shared by every picture.
const QColor Blue(0x3d, 0x8a, 0xf7);
const QColor PaleBlue(0xdb, 0xe7, 0xfd);
const QColor Grey(0x9a, 0xa3, 0xaf);
const QColor LightGrey(0xc9, 0xce, 0xd6);
const QColor Paper(0xee, 0xf1, 0xf5);
const QColor Slate(0x1f, 0x29, 0x37);
const QColor Red(0xf0, 0x52, 0x52);
const QColor Orange(0xf5, 0xa6, 0x23);
const QColor Yellow(0xf7, 0xb7, 0x31);
const QColor White(Qt::white);

// Device pixels per drawing unit of the pictures being made: 1, or 2 for the "@2x" set.
qreal s_ratio = 1;

/// A transparent picture of width by height drawing units; a painter on it draws in those units.
QImage canvas(int width, int height)
{
    QImage image(
        qRound(width * s_ratio), qRound(height * s_ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(s_ratio);
    image.fill(Qt::transparent);
    return image;
}

void prepare(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
}

QPen roundPen(const QColor &color, qreal width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

bool savePng(const QImage &image, const QString &path)
{
    // Straight alpha keeps the colours of half-covered edge pixels exact.
    if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(path));
        return false;
    }
    std::printf("%s\n", qUtf8Printable(QDir::current().relativeFilePath(path)));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Stroke letters on a grid six units high, for the labels of the file-type icons.

struct Glyph
{
    QPainterPath path;
    qreal width = 0;
};

Glyph glyph(QChar letter)
{
    Glyph g;
    QPainterPath &p = g.path;
    switch (letter.toLatin1()) {
    case 'A':
        p.moveTo(0, 6);
        p.lineTo(2, 0);
        p.lineTo(4, 6);
        p.moveTo(0.7, 4.1);
        p.lineTo(3.3, 4.1);
        g.width = 4;
        break;
    case 'B':
        p.moveTo(0, 3);
        p.lineTo(2.2, 3);
        p.arcTo(QRectF(0.7, 0, 3, 3), -90, 180);
        p.lineTo(0, 0);
        p.lineTo(0, 6);
        p.lineTo(2.4, 6);
        p.arcTo(QRectF(0.9, 3, 3, 3), -90, 180);
        g.width = 3.9;
        break;
    case 'C':
        p.arcMoveTo(QRectF(0, 0, 4, 6), 50);
        p.arcTo(QRectF(0, 0, 4, 6), 50, 260);
        g.width = 3.9;
        break;
    case 'D':
        p.moveTo(0, 0);
        p.lineTo(1.2, 0);
        p.arcTo(QRectF(-1.8, 0, 6, 6), 90, -180);
        p.lineTo(0, 6);
        p.closeSubpath();
        g.width = 4.2;
        break;
    case 'E':
        p.moveTo(3.5, 0);
        p.lineTo(0, 0);
        p.lineTo(0, 6);
        p.lineTo(3.5, 6);
        p.moveTo(0, 3);
        p.lineTo(3, 3);
        g.width = 3.5;
        break;
    case 'F':
        p.moveTo(3.5, 0);
        p.lineTo(0, 0);
        p.lineTo(0, 6);
        p.moveTo(0, 3);
        p.lineTo(3, 3);
        g.width = 3.5;
        break;
    case 'G':
        p.arcMoveTo(QRectF(0, 0, 4, 6), 50);
        p.arcTo(QRectF(0, 0, 4, 6), 50, 310);
        p.lineTo(2.2, 3);
        g.width = 4;
        break;
    case 'I':
        p.moveTo(0, 0);
        p.lineTo(2, 0);
        p.moveTo(1, 0);
        p.lineTo(1, 6);
        p.moveTo(0, 6);
        p.lineTo(2, 6);
        g.width = 2;
        break;
    case 'J':
        p.moveTo(3.2, 0);
        p.lineTo(3.2, 4.4);
        p.arcTo(QRectF(0, 2.8, 3.2, 3.2), 0, -180);
        g.width = 3.2;
        break;
    case 'L':
        p.moveTo(0, 0);
        p.lineTo(0, 6);
        p.lineTo(3.5, 6);
        g.width = 3.5;
        break;
    case 'M':
        p.moveTo(0, 6);
        p.lineTo(0, 0);
        p.lineTo(2.5, 3.8);
        p.lineTo(5, 0);
        p.lineTo(5, 6);
        g.width = 5;
        break;
    case 'N':
        p.moveTo(0, 6);
        p.lineTo(0, 0);
        p.lineTo(4, 6);
        p.lineTo(4, 0);
        g.width = 4;
        break;
    case 'O':
        p.addEllipse(QRectF(0, 0, 4.2, 6));
        g.width = 4.2;
        break;
    case 'P':
        p.moveTo(0, 6);
        p.lineTo(0, 0);
        p.lineTo(2.3, 0);
        p.arcTo(QRectF(0.7, 0, 3.2, 3.2), 90, -180);
        p.lineTo(0, 3.2);
        g.width = 3.9;
        break;
    case 'R':
        p.moveTo(0, 6);
        p.lineTo(0, 0);
        p.lineTo(2.3, 0);
        p.arcTo(QRectF(0.7, 0, 3.2, 3.2), 90, -180);
        p.lineTo(0, 3.2);
        p.moveTo(2, 3.2);
        p.lineTo(3.9, 6);
        g.width = 3.9;
        break;
    case 'S':
        p.moveTo(3.6, 0.9);
        p.cubicTo(3.2, 0.3, 2.6, 0, 1.9, 0);
        p.cubicTo(0.9, 0, 0.2, 0.7, 0.2, 1.6);
        p.cubicTo(0.2, 3.3, 3.8, 2.5, 3.8, 4.4);
        p.cubicTo(3.8, 5.4, 3, 6, 2, 6);
        p.cubicTo(1.2, 6, 0.5, 5.6, 0.1, 5);
        g.width = 3.8;
        break;
    case 'T':
        p.moveTo(0, 0);
        p.lineTo(4, 0);
        p.moveTo(2, 0);
        p.lineTo(2, 6);
        g.width = 4;
        break;
    case 'W':
        p.moveTo(0, 0);
        p.lineTo(1.2, 6);
        p.lineTo(2.5, 2);
        p.lineTo(3.8, 6);
        p.lineTo(5, 0);
        g.width = 5;
        break;
    case 'X':
        p.moveTo(0, 0);
        p.lineTo(4, 6);
        p.moveTo(4, 0);
        p.lineTo(0, 6);
        g.width = 4;
        break;
    case 'Z':
        p.moveTo(0, 0);
        p.lineTo(4, 0);
        p.lineTo(0, 6);
        p.lineTo(4, 6);
        g.width = 4;
        break;
    default:
        std::fprintf(stderr, "no letter %c in the stroke alphabet\n", letter.toLatin1());
        g.width = 4;
        break;
    }
    return g;
}

/// Draws text in stroke letters, height pixels high, centred on centre.
void drawLetters(QPainter &painter, const QString &text, const QPointF &centre, qreal height,
    const QColor &color, qreal weight = 1.05)
{
    const qreal gap = 1.25;
    QVector<Glyph> glyphs;
    qreal width = 0;
    for (const QChar letter : text) {
        glyphs.append(glyph(letter));
        width += glyphs.last().width;
    }
    width += gap * (glyphs.size() - 1);

    const qreal scale = height / 6.0;
    painter.save();
    painter.translate(centre.x() - width * scale / 2, centre.y() - height / 2);
    painter.scale(scale, scale);
    painter.setPen(roundPen(color, weight));
    painter.setBrush(Qt::NoBrush);
    qreal x = 0;
    for (const Glyph &g : qAsConst(glyphs)) {
        painter.drawPath(g.path.translated(x, 0));
        x += g.width + gap;
    }
    painter.restore();
}

// ---------------------------------------------------------------------------------------------
// Shapes used in several pictures.

QPainterPath circle(const QPointF &centre, qreal radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

/// A cloud filling box: a flat base with two round tops.
QPainterPath cloud(const QRectF &box)
{
    const qreal w = box.width();
    const qreal h = box.height();
    QPainterPath base;
    base.addRoundedRect(
        QRectF(box.left(), box.top() + h * 0.45, w, h * 0.55), h * 0.275, h * 0.275);
    return base.united(circle(QPointF(box.left() + w * 0.32, box.top() + h * 0.52), h * 0.3))
        .united(circle(QPointF(box.left() + w * 0.6, box.top() + h * 0.42), h * 0.42))
        .simplified();
}

/// The head and shoulders of a person inside a round avatar of size pixels.
void drawPerson(QPainter &painter, qreal size, const QColor &color, qreal shift = 0)
{
    const qreal c = size / 2 + shift;
    painter.setBrush(color);
    painter.drawEllipse(QPointF(c, size * 0.39), size * 0.18, size * 0.18);
    painter.drawEllipse(QRectF(c - size * 0.35, size * 0.64, size * 0.7, size * 0.64));
}

/// A round avatar: the disc in background, then whatever figure draws, clipped to the disc.
QImage avatar(const QColor &background, const std::function<void(QPainter &, qreal)> &figure)
{
    const int size = 70;
    QImage image = canvas(size, size);
    QPainter painter(&image);
    prepare(painter);
    const QPainterPath disc = circle(QPointF(size / 2.0, size / 2.0), size / 2.0);
    painter.setBrush(background);
    painter.drawPath(disc);
    painter.setClipPath(disc);
    figure(painter, size);
    return image;
}

QImage crossButton(int size, const QColor &background, qreal strokeWidth)
{
    QImage image = canvas(size, size);
    QPainter painter(&image);
    prepare(painter);
    const qreal c = size / 2.0;
    painter.setBrush(background);
    painter.drawEllipse(QPointF(c, c), c - 0.5, c - 0.5);
    const qreal arm = size * 0.18;
    painter.setPen(roundPen(White, strokeWidth));
    painter.drawLine(QPointF(c - arm, c - arm), QPointF(c + arm, c + arm));
    painter.drawLine(QPointF(c + arm, c - arm), QPointF(c - arm, c + arm));
    return image;
}

/// A small landscape (frame, hill, sun) as on a photo icon, in box.
void drawPictureGlyph(
    QPainter &painter, const QRectF &box, const QColor &frame, const QColor &inside)
{
    const qreal r = box.height() * 0.12;
    painter.setBrush(frame);
    painter.drawRoundedRect(box, r, r);
    const QRectF in = box.adjusted(
        box.width() * 0.09, box.height() * 0.12, -box.width() * 0.09, -box.height() * 0.12);
    QPainterPath hills;
    hills.moveTo(in.left(), in.bottom());
    hills.lineTo(in.left() + in.width() * 0.36, in.top() + in.height() * 0.38);
    hills.lineTo(in.left() + in.width() * 0.6, in.top() + in.height() * 0.7);
    hills.lineTo(in.left() + in.width() * 0.75, in.top() + in.height() * 0.52);
    hills.lineTo(in.right(), in.bottom());
    hills.closeSubpath();
    painter.setBrush(inside);
    painter.drawPath(hills);
    painter.drawEllipse(QPointF(in.left() + in.width() * 0.78, in.top() + in.height() * 0.24),
        in.height() * 0.14, in.height() * 0.14);
}

// ---------------------------------------------------------------------------------------------
// The library's own pictures.

QImage removeIcon(const QColor &background)
{
    return crossButton(16, background, 1.7);
}

QImage defaultHeader()
{
    return avatar(LightGrey, [](QPainter &p, qreal size) { drawPerson(p, size, White); });
}

QImage newMember()
{
    return avatar(QColor(0x2b, 0xb6, 0x73), [](QPainter &p, qreal size) {
        drawPerson(p, size, White, -size * 0.07);
        // A plus badge, set off from the figure by a ring of the background.
        const QPointF badge(size * 0.73, size * 0.66);
        p.setBrush(QColor(0x2b, 0xb6, 0x73));
        p.drawEllipse(badge, size * 0.17, size * 0.17);
        p.setBrush(White);
        p.drawEllipse(badge, size * 0.135, size * 0.135);
        p.setPen(roundPen(QColor(0x2b, 0xb6, 0x73), size * 0.04));
        const qreal arm = size * 0.07;
        p.drawLine(badge - QPointF(arm, 0), badge + QPointF(arm, 0));
        p.drawLine(badge - QPointF(0, arm), badge + QPointF(0, arm));
    });
}

QImage secretary()
{
    return avatar(Orange, [](QPainter &p, qreal size) {
        drawPerson(p, size, White);
        // A headset: band over the head, ear pads and a microphone arm.
        const qreal c = size / 2;
        const qreal headY = size * 0.39;
        const qreal band = size * 0.25;
        p.setBrush(Qt::NoBrush);
        p.setPen(roundPen(White, size * 0.045));
        p.drawArc(QRectF(c - band, headY - band, band * 2, band * 2), 15 * 16, 150 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(White);
        const QSizeF pad(size * 0.09, size * 0.16);
        p.drawRoundedRect(
            QRectF(QPointF(c - band - pad.width() / 2, headY - pad.height() / 2), pad), size * 0.03,
            size * 0.03);
        p.drawRoundedRect(
            QRectF(QPointF(c + band - pad.width() / 2, headY - pad.height() / 2), pad), size * 0.03,
            size * 0.03);
        QPainterPath arm;
        arm.moveTo(c + band, headY + pad.height() / 2);
        arm.quadTo(c + band, headY + size * 0.2, c + size * 0.08, headY + size * 0.2);
        p.setBrush(Qt::NoBrush);
        p.setPen(roundPen(Orange, size * 0.075));
        p.drawPath(arm);
        p.setPen(roundPen(White, size * 0.035));
        p.drawPath(arm);
        p.setPen(Qt::NoPen);
        p.setBrush(White);
        p.drawEllipse(QPointF(c + size * 0.08, headY + size * 0.2), size * 0.035, size * 0.035);
    });
}

/// Opaque black disc on transparent white: the disc is "set" both by alpha and by colour, so
/// the mask reads the same as a QBitmap (dark pixels) and as an alpha mask.
QImage pictureMask()
{
    const int size = 70;
    const int samples = 8;
    QImage image(size, size, QImage::Format_ARGB32);
    const qreal radius = size / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int inside = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const qreal dx = x + (sx + 0.5) / samples - radius;
                    const qreal dy = y + (sy + 0.5) / samples - radius;
                    if (dx * dx + dy * dy <= radius * radius)
                        ++inside;
                }
            }
            const int alpha = qRound(255.0 * inside / (samples * samples));
            const int shade = 2 * inside >= samples * samples ? 0 : 255;
            image.setPixel(x, y, qRgba(shade, shade, shade, alpha));
        }
    }
    return image;
}

QImage taskIcon(const QString &kind)
{
    QImage image = canvas(16, 16);
    QPainter p(&image);
    prepare(p);
    p.setBrush(Blue);
    if (kind == "people") {
        p.drawEllipse(QPointF(8, 4.6), 3.2, 3.2);
        QPainterPath body;
        body.moveTo(2.2, 15);
        body.cubicTo(2.2, 10.6, 4.8, 9, 8, 9);
        body.cubicTo(11.2, 9, 13.8, 10.6, 13.8, 15);
        body.closeSubpath();
        p.drawPath(body);
    } else if (kind == "type") {
        QPainterPath tag;
        tag.moveTo(1.5, 4);
        tag.quadTo(1.5, 2.5, 3, 2.5);
        tag.lineTo(8.8, 2.5);
        tag.lineTo(14.5, 8.2);
        tag.lineTo(8.8, 13.9);
        tag.lineTo(3, 13.9);
        tag.quadTo(1.5, 13.9, 1.5, 12.4);
        tag.closeSubpath();
        p.drawPath(tag.subtracted(circle(QPointF(5, 8.2), 1.6)));
    } else if (kind == "location") {
        QPainterPath pin;
        pin.moveTo(8, 15.3);
        pin.cubicTo(5.2, 11.7, 3, 9.3, 3, 6.6);
        pin.arcTo(QRectF(3, 1.6, 10, 10), 180, -180);
        pin.cubicTo(13, 9.3, 10.8, 11.7, 8, 15.3);
        p.drawPath(pin.subtracted(circle(QPointF(8, 6.6), 1.9)));
    } else if (kind == "time") {
        p.drawEllipse(QPointF(8, 8), 6.9, 6.9);
        p.setPen(roundPen(White, 1.5));
        p.drawLine(QPointF(8, 8), QPointF(8, 4.2));
        p.drawLine(QPointF(8, 8), QPointF(10.8, 9.7));
    }
    return image;
}

QImage pictureHover()
{
    QImage image = canvas(100, 100);
    QPainter p(&image);
    prepare(p);
    p.fillRect(image.rect(), QColor(0, 0, 0, 90));
    p.setBrush(Qt::NoBrush);
    p.setPen(roundPen(White, 3.5));
    p.drawEllipse(QPointF(46, 46), 11.5, 11.5);
    p.setPen(roundPen(White, 5));
    p.drawLine(QPointF(55, 55), QPointF(63, 63));
    p.setPen(roundPen(White, 2.6));
    p.drawLine(QPointF(41, 46), QPointF(51, 46));
    p.drawLine(QPointF(46, 41), QPointF(46, 51));
    return image;
}

QImage thumb()
{
    QImage image = canvas(100, 100);
    QPainter p(&image);
    prepare(p);
    p.fillRect(image.rect(), Paper);
    drawPictureGlyph(p, QRectF(29, 32, 42, 34), LightGrey, Paper);
    return image;
}

QImage pictureClose()
{
    return crossButton(30, QColor(0x1f, 0x29, 0x37, 170), 2.6);
}

QImage cloudy()
{
    QImage image = canvas(60, 60);
    QPainter p(&image);
    prepare(p);
    p.setBrush(LightGrey);
    p.drawPath(cloud(QRectF(24, 10, 32, 22)));
    // The front cloud with a ring of clear space so the two read apart.
    const QPainterPath front = cloud(QRectF(4, 20, 42, 29));
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(roundPen(Qt::transparent, 4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(front);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(Qt::NoPen);
    p.setBrush(Grey);
    p.drawPath(front);
    return image;
}

QImage thunderShower()
{
    QImage image = canvas(60, 60);
    QPainter p(&image);
    prepare(p);
    p.setBrush(Grey);
    p.drawPath(cloud(QRectF(6, 5, 48, 30)));

    p.setPen(roundPen(Blue, 2.6));
    for (const QPointF &top : { QPointF(15, 40), QPointF(45, 40), QPointF(20, 48.5) })
        p.drawLine(top, top + QPointF(-2.5, 5.5));

    QPolygonF bolt;
    bolt << QPointF(33, 29) << QPointF(25, 44) << QPointF(31, 44) << QPointF(27.5, 57)
         << QPointF(39.5, 39) << QPointF(33.5, 39) << QPointF(38, 29);
    // Cut the bolt's outline out of the cloud first, so it stands clear of it.
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(roundPen(Qt::transparent, 3));
    p.setBrush(Qt::black);
    p.drawPolygon(bolt);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(roundPen(Yellow, 1));
    p.setBrush(Yellow);
    p.drawPolygon(bolt);
    return image;
}

// ---------------------------------------------------------------------------------------------
// The waiting animation and its GIF encoder.

/// Writes codes of growing width, least significant bit first, as GIF's LZW stream wants.
class BitWriter
{
public:
    void write(int code, int width)
    {
        m_buffer |= quint32(code) << m_bits;
        m_bits += width;
        while (m_bits >= 8) {
            m_bytes.append(char(m_buffer & 0xff));
            m_buffer >>= 8;
            m_bits -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_bits > 0)
            m_bytes.append(char(m_buffer & 0xff));
        m_buffer = 0;
        m_bits = 0;
        return m_bytes;
    }

private:
    QByteArray m_bytes;
    quint32 m_buffer = 0;
    int m_bits = 0;
};

/// GIF's variable-width LZW over palette indices.
QByteArray lzwEncode(const QVector<uchar> &indices, int minCodeSize)
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const int maxCodes = 4096;
    BitWriter out;
    QHash<quint32, int> table; // (prefix code << 8 | next index) -> code
    int codeSize = minCodeSize + 1;
    int nextCode = endCode + 1;

    out.write(clearCode, codeSize);
    int prefix = indices.value(0);
    for (int i = 1; i < indices.size(); ++i) {
        const uchar index = indices.at(i);
        const quint32 key = quint32(prefix) << 8 | index;
        const auto found = table.constFind(key);
        if (found != table.constEnd()) {
            prefix = found.value();
            continue;
        }
        out.write(prefix, codeSize);
        const int added = nextCode++;
        table.insert(key, added);
        // The decoder adds this entry one code later, so it widens exactly when this entry
        // no longer fits the current width.
        if (added >= (1 << codeSize) && codeSize < 12)
            ++codeSize;
        if (nextCode == maxCodes) {
            out.write(clearCode, codeSize);
            table.clear();
            codeSize = minCodeSize + 1;
            nextCode = endCode + 1;
        }
        prefix = index;
    }
    out.write(prefix, codeSize);
    // Reading that last code the decoder adds one more entry and may widen before the end code.
    if (nextCode < maxCodes && nextCode >= (1 << codeSize) && codeSize < 12)
        ++codeSize;
    out.write(endCode, codeSize);
    return out.finish();
}

void appendLe16(QByteArray &data, int value)
{
    data.append(char(value & 0xff));
    data.append(char((value >> 8) & 0xff));
}

void appendSubBlocks(QByteArray &data, const QByteArray &payload)
{
    for (int at = 0; at < payload.size(); at += 255) {
        const QByteArray block = payload.mid(at, 255);
        data.append(char(block.size()));
        data.append(block);
    }
    data.append('\0');
}

/// An animated, endlessly looping GIF of indexed frames; palette entry 0 is transparent.
QByteArray encodeGif(int width, int height, const QVector<QRgb> &palette,
    const QVector<QVector<uchar>> &frames, int delayCs)
{
    int tableBits = 1;
    while ((1 << tableBits) < palette.size())
        ++tableBits;
    const int minCodeSize = qMax(2, tableBits);

    QByteArray gif("GIF89a");
    appendLe16(gif, width);
    appendLe16(gif, height);
    gif.append(char(0x80 | (7 << 4) | (tableBits - 1))); // global table, 8-bit colour
    gif.append('\0'); // background: the transparent entry
    gif.append('\0'); // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb rgb = palette.value(i, qRgb(0, 0, 0));
        gif.append(char(qRed(rgb)));
        gif.append(char(qGreen(rgb)));
        gif.append(char(qBlue(rgb)));
    }

    // Loop forever.
    gif.append("\x21\xff\x0b"
               "NETSCAPE2.0"
               "\x03\x01",
        16);
    appendLe16(gif, 0);
    gif.append('\0');

    for (const QVector<uchar> &frame : frames) {
        // Graphic control: restore to background after each frame, entry 0 transparent.
        gif.append("\x21\xf9\x04", 3);
        gif.append(char((2 << 2) | 1));
        appendLe16(gif, delayCs);
        gif.append('\0');
        gif.append('\0');

        gif.append('\x2c');
        appendLe16(gif, 0);
        appendLe16(gif, 0);
        appendLe16(gif, width);
        appendLe16(gif, height);
        gif.append('\0'); // no local table, not interlaced
        gif.append(char(minCodeSize));
        appendSubBlocks(gif, lzwEncode(frame, minCodeSize));
    }
    gif.append('\x3b');
    return gif;
}

QColor mix(const QColor &from, const QColor &to, qreal t)
{
    return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * t,
        from.greenF() + (to.greenF() - from.greenF()) * t,
        from.blueF() + (to.blueF() - from.blueF()) * t);
}

/// One frame of the spinner: twelve dots on a ring, the head in full blue, a fading tail.
QImage spinnerFrame(int width, int height, int frame, int dots)
{
    QImage image = canvas(width, height);
    QPainter p(&image);
    prepare(p);
    const QPointF centre(width / 2.0, height / 2.0);
    const qreal ring = 42;
    const qreal dotRadius = 7;
    for (int i = 0; i < dots; ++i) {
        const int behind = (frame - i + dots) % dots;
        const qreal strength = qMax(0.0, 1.0 - behind * 0.16);
        const qreal angle = 2 * M_PI * i / dots - M_PI / 2;
        p.setBrush(mix(PaleBlue, Blue, strength));
        p.drawEllipse(
            centre + QPointF(std::cos(angle), std::sin(angle)) * ring, dotRadius, dotRadius);
    }
    return image;
}

/// GIF knows only opaque and fully transparent pixels: edges are blended over white in four
/// steps, and pixels under a third covered become transparent.
QRgb flatten(QRgb premultiplied)
{
    const int alpha = qAlpha(premultiplied);
    if (alpha < 85)
        return 0;
    const QRgb straight = qUnpremultiply(premultiplied);
    const qreal coverage = alpha >= 240 ? 1.0 : qRound(alpha / 255.0 * 4) / 4.0;
    auto blend
        = [coverage](int channel) { return qRound(channel * coverage + 255 * (1 - coverage)); };
    return qRgb(blend(qRed(straight)), blend(qGreen(straight)), blend(qBlue(straight)));
}

bool writeWaiting(const QString &path)
{
    const int width = 165;
    const int height = 159;
    const int dots = 12;

    QVector<QRgb> palette { qRgb(255, 255, 255) }; // entry 0: transparent
    QHash<QRgb, int> paletteIndex;
    QVector<QVector<uchar>> frames;
    QVector<QImage> expected;
    for (int f = 0; f < dots; ++f) {
        const QImage image = spinnerFrame(width, height, f, dots);
        QVector<uchar> indices(width * height);
        QImage flat(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb rgb = flatten(image.pixel(x, y));
                int index = 0;
                if (rgb != 0) {
                    index = paletteIndex.value(rgb, -1);
                    if (index < 0) {
                        index = palette.size();
                        palette.append(rgb);
                        paletteIndex.insert(rgb, index);
                    }
                }
                indices[y * width + x] = uchar(index);
                flat.setPixel(x, y, rgb);
            }
        }
        if (palette.size() > 256) {
            std::fprintf(
                stderr, "waiting.gif: %d colours, more than GIF holds\n", int(palette.size()));
            return false;
        }
        frames.append(indices);
        expected.append(flat);
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(encodeGif(width, height, palette, frames, 8)) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(path));
        return false;
    }
    file.close();

    // Read it back with Qt's decoder: every frame must come out exactly as drawn.
    QImageReader reader(path);
    for (int f = 0; f < expected.size(); ++f) {
        const QImage decoded = reader.read().convertToFormat(QImage::Format_ARGB32);
        if (decoded.size() != QSize(width, height)) {
            std::fprintf(stderr, "waiting.gif: frame %d does not decode: %s\n", f,
                qUtf8Printable(reader.errorString()));
            return false;
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb want = expected.at(f).pixel(x, y);
                const QRgb got = decoded.pixel(x, y);
                const bool same = want == 0 ? qAlpha(got) == 0 : got == (want | 0xff000000u);
                if (!same) {
                    std::fprintf(stderr, "waiting.gif: frame %d differs at %d,%d\n", f, x, y);
                    return false;
                }
            }
        }
    }
    std::printf("%s (%d frames, %d colours, %lld bytes)\n",
        qUtf8Printable(QDir::current().relativeFilePath(path)), int(frames.size()),
        int(palette.size()), static_cast<long long>(QFileInfo(path).size()));
    return true;
}

// ---------------------------------------------------------------------------------------------
// The host's file-type icons: a document with a folded corner in the type's colour.

struct FileType
{
    const char *name;
    const char *label; // empty: lines of text instead
    QColor color;
    bool picture;
};

const FileType FileTypes[] = {
    { "bmp", "BMP", QColor(0xf0, 0x8c, 0x3a), true },
    { "doc", "DOC", QColor(0x3d, 0x8a, 0xf7), false },
    { "xls", "XLS", QColor(0x21, 0xa3, 0x66), false },
    { "dwg", "DWG", QColor(0x7b, 0x61, 0xd9), false },
    { "gif", "GIF", QColor(0xe8, 0x4a, 0x8f), true },
    { "jpg", "JPG", QColor(0x14, 0xa3, 0xa3), true },
    { "pdf", "PDF", QColor(0xe5, 0x48, 0x4d), false },
    { "png", "PNG", QColor(0x2b, 0x9f, 0xd9), true },
    { "rar", "RAR", QColor(0x8d, 0x6e, 0x63), false },
    { "txt", "TXT", QColor(0x9a, 0xa3, 0xaf), false },
    { "zip", "ZIP", QColor(0xd4, 0xa0, 0x17), false },
    { "file", "", QColor(0x6b, 0x72, 0x80), false },
};

/// size 40: the small icon; size 100: the "_Shape" tile shown in place of a file's picture.
QImage fileIcon(const FileType &type, int size)
{
    QImage image = canvas(size, size);
    QPainter p(&image);
    prepare(p);

    const bool large = size >= 64;
    const qreal height = size * (large ? 0.9 : 0.95);
    const qreal width = height * 0.78;
    const QRectF page((size - width) / 2, (size - height) / 2, width, height);
    const qreal fold = width * 0.32;
    const qreal corner = width * 0.08;

    QPainterPath body;
    body.addRoundedRect(page, corner, corner);
    QPainterPath cut;
    // Along the flap's own diagonal, so the two meet without a gap.
    cut.moveTo(page.right() - fold - 1, page.top() - 1);
    cut.lineTo(page.right() + 1, page.top() - 1);
    cut.lineTo(page.right() + 1, page.top() + fold + 1);
    cut.closeSubpath();
    p.setBrush(type.color);
    p.drawPath(body.subtracted(cut));

    QPainterPath flap;
    flap.moveTo(page.right() - fold, page.top());
    flap.lineTo(page.right() - fold, page.top() + fold - corner);
    flap.quadTo(
        page.right() - fold, page.top() + fold, page.right() - fold + corner, page.top() + fold);
    flap.lineTo(page.right(), page.top() + fold);
    flap.closeSubpath();
    p.setBrush(mix(type.color, White, 0.45));
    p.drawPath(flap);

    const QColor ink = White;
    if (*type.label) {
        const qreal letterHeight = large ? size * 0.16 : size * 0.2;
        const QPointF centre(page.center().x(), page.top() + page.height() * (large ? 0.7 : 0.66));
        drawLetters(
            p, QString::fromLatin1(type.label), centre, letterHeight, ink, large ? 1.0 : 1.1);
        if (large && type.picture) {
            const QRectF glyphBox(page.center().x() - width * 0.22, page.top() + height * 0.2,
                width * 0.44, height * 0.26);
            drawPictureGlyph(p, glyphBox, mix(type.color, White, 0.9), type.color);
        }
    } else {
        p.setPen(roundPen(ink, large ? size * 0.04 : size * 0.05));
        const qreal left = page.left() + width * 0.2;
        const qreal right = page.right() - width * 0.2;
        for (int line = 0; line < 3; ++line) {
            const qreal y = page.top() + height * (0.45 + line * 0.15);
            p.drawLine(QPointF(left, y), QPointF(line == 2 ? (left + right) / 2 : right, y));
        }
    }
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QDir root(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    const QString ownDir = root.filePath(QStringLiteral("src/resources/images"));
    const QString hostDir = root.filePath(QStringLiteral("host/images"));
    if (!QDir().mkpath(ownDir) || !QDir().mkpath(hostDir)) {
        std::fprintf(
            stderr, "cannot create the image folders under %s\n", qUtf8Printable(root.path()));
        return 1;
    }
    QDir::setCurrent(root.path());

    // Drawn once per ratio; the mask is cut in logical pixels, so it has no "@2x".
    const auto ownImages = [] {
        QMap<QString, QImage> own {
            { "remove", removeIcon(Grey) },
            { "remove_hover", removeIcon(Red) },
            { "new_member", newMember() },
            { "secretary", secretary() },
            { "default_header", defaultHeader() },
            { "task_people", taskIcon("people") },
            { "task_type", taskIcon("type") },
            { "task_location", taskIcon("location") },
            { "task_time", taskIcon("time") },
            { "picture_hover", pictureHover() },
            { "thumb", thumb() },
            { "picture_close", pictureClose() },
            { "thunder_shower", thunderShower() },
            { "cloudy", cloudy() },
        };
        if (s_ratio == 1)
            own.insert("picture_mask", pictureMask());
        return own;
    };
    bool ok = true;
    for (const qreal ratio : { 1.0, 2.0 }) {
        s_ratio = ratio;
        const QString tail = ratio == 1 ? QStringLiteral(".png") : QStringLiteral("@2x.png");
        const QMap<QString, QImage> own = ownImages();
        for (auto it = own.cbegin(); it != own.cend(); ++it)
            ok = savePng(it.value(), QDir(ownDir).filePath(it.key() + tail)) && ok;
        // The small icons are the host's list icons; only the tiles show in the feed.
        for (const FileType &type : FileTypes) {
            const QString name = QString::fromLatin1(type.name);
            if (ratio == 1)
                ok = savePng(fileIcon(type, 40), QDir(hostDir).filePath(name + tail)) && ok;
            ok = savePng(fileIcon(type, 100), QDir(hostDir).filePath(name + "_Shape" + tail)) && ok;
        }
    }
    s_ratio = 1;
    ok = writeWaiting(QDir(ownDir).filePath(QStringLiteral("waiting.gif"))) && ok;
    return ok ? 0 : 1;
}
