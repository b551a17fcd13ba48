#include "items/ItemLabel_p.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextOption>

#include <cmath>
#include <limits>

namespace {

// Wide enough for any line: the natural layout breaks only where the text does.
constexpr qreal kUnlimitedWidth = 1.0e7;

QString displayText(const QString &text)
{
    // As QPainter::drawText: a newline ends the line.
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return shown;
}

/// Lays the lines out one below the other, on whole pixels and spaced as QPainter::drawText
/// (and so QLabel) spaces them; returns the block's height.
qreal layoutLines(QTextLayout &layout, qreal lineWidth, qreal leading)
{
    qreal height = -leading;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(lineWidth);
        height = std::ceil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.ascent() + line.descent();
    }
    layout.endLayout();
    return height;
}

std::unique_ptr<QTextLayout> newLayout(const QString &text, const QFont &font, bool wrap)
{
    auto layout = std::make_unique<QTextLayout>(text, font);
    // Every line starts at 0, also in right-to-left text; lines are aligned when painted.
    QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setWrapMode(wrap ? QTextOption::WordWrap : QTextOption::NoWrap);
    layout->setTextOption(option);
    // Shaped glyphs are kept only once the layout is painted (ItemLabel::paintEvent): most
    // labels of a long feed are measured and never scrolled into view.
    return layout;
}

} // namespace

ItemLabel::ItemLabel(const QString &objectName, QWidget *parent)
    : KMLabel(objectName, parent)
{
    setTextFormat(Qt::PlainText);
}

ItemLabel::~ItemLabel() = default;

QSize ItemLabel::sizeHint() const
{
    ensureMeasured();
    if (!m_plain)
        return KMLabel::sizeHint();
    const Extras room = extras();
    const QMargins margins = contentsMargins();
    int textWidth = int(std::ceil(m_naturalWidth));
    if (wordWrap()) {
        // QLabel's first guess for wrapped text: about 80 characters, within the maximum width.
        const int tryWidth = qMin(fontMetrics().averageCharWidth() * 80, maximumWidth())
            - room.width - margins.left() - margins.right();
        textWidth = qMin(textWidth, qMax(tryWidth, 0));
    }
    return QSize(textWidth + room.width + margins.left() + margins.right(),
        textHeightFor(textWidth) + room.height + margins.top() + margins.bottom());
}

QSize ItemLabel::minimumSizeHint() const
{
    ensureMeasured();
    if (!m_plain)
        return KMLabel::minimumSizeHint();
    if (!wordWrap())
        return sizeHint();
    const Extras room = extras();
    const QMargins margins = contentsMargins();
    const int height = qMin(
        m_naturalHeight, sizeHint().height() - room.height - margins.top() - margins.bottom());
    return QSize(m_minimumTextWidth + room.width + margins.left() + margins.right(),
        height + room.height + margins.top() + margins.bottom());
}

int ItemLabel::heightForWidth(int width) const
{
    ensureMeasured();
    if (!m_plain)
        return richHeightForWidth(width);
    // As QLabel: never narrower than the minimum width, never lower than the minimum height.
    width = qMax(width, minimumWidth());
    const Extras room = extras();
    const QMargins margins = contentsMargins();
    const int textWidth = qMax(width - room.width - margins.left() - margins.right(), 0);
    const int height = textHeightFor(textWidth) + room.height + margins.top() + margins.bottom();
    return qMax(height, minimumHeight());
}

void ItemLabel::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::LayoutDirectionChange:
        invalidate();
        break;
    default:
        break;
    }
    KMLabel::changeEvent(event);
}

void ItemLabel::paintEvent(QPaintEvent *event)
{
    ensureMeasured();
    if (!m_plain) {
        KMLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);

    // The text rectangle as QLabel computes it: contents, margin, then the indent.
    QRect rect = contentsRect();
    const int margin = this->margin();
    rect.adjust(margin, margin, -margin, -margin);
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    int indent = this->indent();
    if (indent < 0 && frameWidth())
        indent = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin;
    if (indent > 0) {
        if (align & Qt::AlignLeft)
            rect.setLeft(rect.left() + indent);
        if (align & Qt::AlignRight)
            rect.setRight(rect.right() - indent);
        if (align & Qt::AlignTop)
            rect.setTop(rect.top() + indent);
        if (align & Qt::AlignBottom)
            rect.setBottom(rect.bottom() - indent);
    }

    const int textWidth = qMax(rect.width(), 0);
    QTextLayout &layout = const_cast<QTextLayout &>(layoutFor(textWidth));
    // From now on the glyphs shaped for drawing stay, for the next paint.
    if (!layout.cacheEnabled())
        layout.setCacheEnabled(true);
    const int blockHeight = textHeightFor(textWidth);
    qreal top = rect.top();
    if (align & Qt::AlignBottom)
        top += rect.height() - blockHeight;
    else if (!(align & Qt::AlignTop))
        top += (rect.height() - blockHeight) / 2.0;

    painter.setPen(palette().color(foregroundRole()));
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const qreal spare = textWidth - line.naturalTextWidth();
        qreal left = rect.left();
        if (align & Qt::AlignRight)
            left += spare;
        else if (align & Qt::AlignHCenter)
            left += spare / 2;
        line.draw(&painter, QPointF(left, top));
    }
}

bool ItemLabel::isPlain() const
{
    if (text().isNull())
        return false; // QLabel sizes a label without text its own way
    switch (textFormat()) {
    case Qt::PlainText:
        return true;
    case Qt::AutoText:
        return !Qt::mightBeRichText(text());
    default:
        return false;
    }
}

void ItemLabel::ensureMeasured() const
{
    const QString current = text();
    const int align = int(alignment());
    // Comparing with a shared copy of the same text is a pointer check.
    if (m_measured && current == m_measuredText && wordWrap() == m_measuredWrap
        && textFormat() == m_measuredFormat && align == m_measuredAlignment)
        return;
    // A style sheet may set the font: measure with the polished one.
    ensurePolished();

    m_measuredText = current;
    m_measuredWrap = wordWrap();
    m_measuredFormat = textFormat();
    m_measuredAlignment = align;
    m_measured = true;
    m_plain = isPlain();
    m_heights.fill(HeightAt());
    m_nextHeight = 0;
    m_wrapped.reset();
    m_wrappedWidth = -1;
    if (!m_plain) {
        m_natural.reset();
        return;
    }

    // Broken only where the text breaks, but wrapping, so that the same pass also finds the
    // longest run that cannot be broken: the minimum width. Every other width shapes the text
    // anew, which is what makes a long text's layout cost.
    m_natural = newLayout(displayText(current), font(), m_measuredWrap);
    const qreal height = layoutLines(*m_natural, kUnlimitedWidth, QFontMetricsF(font()).leading());
    m_naturalHeight = int(std::ceil(height));
    m_naturalWidth = 0;
    for (int i = 0; i < m_natural->lineCount(); ++i)
        m_naturalWidth = qMax(m_naturalWidth, m_natural->lineAt(i).naturalTextWidth());
    m_minimumTextWidth = int(std::ceil(m_natural->minimumWidth()));
}

void ItemLabel::invalidate()
{
    m_measured = false;
    m_natural.reset();
    m_wrapped.reset();
}

ItemLabel::Extras ItemLabel::extras() const
{
    // Mirrors QLabel's size computation, so that a style sheet's frame, margin and indent give
    // the sizes they give a plain QLabel.
    const int margin = this->margin();
    Extras room { 2 * margin, 2 * margin };
    int indent = this->indent();
    if (indent < 0 && frameWidth())
        indent = fontMetrics().horizontalAdvance(QLatin1Char('x')) - 2 * margin;
    if (indent > 0) {
        const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
        if (align & (Qt::AlignLeft | Qt::AlignRight))
            room.width += indent;
        if (align & (Qt::AlignTop | Qt::AlignBottom))
            room.height += indent;
    }
    return room;
}

int ItemLabel::textHeightFor(int textWidth) const
{
    if (!wordWrap() || textWidth >= m_naturalWidth)
        return m_naturalHeight;
    for (const HeightAt &entry : m_heights) {
        if (entry.textWidth == textWidth)
            return entry.height;
    }
    layoutFor(textWidth);
    const int height = m_wrappedHeight;
    m_heights[size_t(m_nextHeight)] = HeightAt { textWidth, height };
    m_nextHeight = (m_nextHeight + 1) % int(m_heights.size());
    return height;
}

const QTextLayout &ItemLabel::layoutFor(int textWidth) const
{
    if (!wordWrap() || textWidth >= m_naturalWidth)
        return *m_natural;
    if (!m_wrapped || m_wrappedWidth != textWidth) {
        if (!m_wrapped)
            m_wrapped = newLayout(m_natural->text(), font(), true);
        m_wrappedHeight
            = int(std::ceil(layoutLines(*m_wrapped, textWidth, QFontMetricsF(font()).leading())));
        m_wrappedWidth = textWidth;
    }
    return *m_wrapped;
}

int ItemLabel::richHeightForWidth(int width) const
{
    for (const HeightAt &entry : m_heights) {
        if (entry.textWidth == width)
            return entry.height;
    }
    const int height = KMLabel::heightForWidth(width);
    m_heights[size_t(m_nextHeight)] = HeightAt { width, height };
    m_nextHeight = (m_nextHeight + 1) % int(m_heights.size());
    return height;
}
