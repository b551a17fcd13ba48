#include "export/DayLogPages_p.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>

namespace {

/// The vertical extent of a block or a line, in document coordinates.
struct Span
{
    qreal top = 0;
    qreal bottom = 0;
};

/// A piece of the log that a page break should not cut: a heading, a record's row, the weather.
struct Unit
{
    Span extent;
    bool keepWithNext = false; // a heading stays with what it heads
    QVector<Span> blocks;
    QVector<qreal> lineTops;
};

void addBlock(const QAbstractTextDocumentLayout &layout, const QTextBlock &block, Unit &unit)
{
    const QTextLayout *text = block.layout();
    if (!text || text->lineCount() == 0)
        return;
    const QRectF rect = layout.blockBoundingRect(block);
    const Span span { rect.top(), rect.bottom() };
    unit.extent = unit.blocks.isEmpty()
        ? span
        : Span { std::min(unit.extent.top, span.top), std::max(unit.extent.bottom, span.bottom) };
    unit.blocks.append(span);
    for (int i = 0; i < text->lineCount(); ++i)
        unit.lineTops.append(rect.top() - text->boundingRect().top() + text->lineAt(i).y());
}

/// The log's pieces in order: the blocks of the top level that show something, and each row of
/// each table, measured by its cells' blocks (a table's own rectangle is not reliable next to
/// the empty blocks the document keeps between frames).
QVector<Unit> unitsOf(QTextDocument &doc)
{
    const QAbstractTextDocumentLayout &layout = *doc.documentLayout();
    // The layout is lazy: a block it has not reached yet has no lines.
    layout.documentSize();
    QVector<Unit> units;
    for (QTextFrame::iterator it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (auto *table = qobject_cast<QTextTable *>(it.currentFrame())) {
            for (int row = 0; row < table->rows(); ++row) {
                Unit unit;
                for (int column = 0; column < table->columns(); ++column) {
                    const QTextTableCell cell = table->cellAt(row, column);
                    if (cell.row() != row || cell.column() != column)
                        continue; // spanned
                    for (QTextFrame::iterator in = cell.begin(); !in.atEnd(); ++in) {
                        if (in.currentBlock().isValid())
                            addBlock(layout, in.currentBlock(), unit);
                    }
                }
                if (!unit.blocks.isEmpty())
                    units.append(unit);
            }
        } else if (it.currentBlock().isValid() && !it.currentBlock().text().isEmpty()) {
            Unit unit;
            unit.keepWithNext = it.currentBlock().blockFormat().headingLevel() > 0;
            addBlock(layout, it.currentBlock(), unit);
            if (!unit.blocks.isEmpty())
                units.append(unit);
        }
    }
    if (!units.isEmpty())
        units.last().keepWithNext = false;
    return units;
}

/// Where to cut pieces too tall for the rest of the page: the lowest block top above limit that
/// no block straddles. The layout draws every line of a block that reaches into the clip and
/// the line above the clip too, so a cut through a block would put a line's text on both pages;
/// only a single block taller than a page is cut between its lines.
qreal cutInside(const QVector<Unit> &units, int first, qreal start, qreal limit)
{
    qreal best = -1;
    for (int i = first; i < units.size() && units.at(i).extent.top < limit; ++i) {
        for (const Span &block : units.at(i).blocks) {
            if (block.top <= start || block.top > limit || block.top <= best)
                continue;
            bool straddled = false;
            for (int j = first; !straddled && j < units.size() && units.at(j).extent.top < limit;
                 ++j) {
                for (const Span &other : units.at(j).blocks)
                    straddled = straddled || (other.top < block.top && block.top < other.bottom);
            }
            if (!straddled)
                best = block.top;
        }
    }
    for (int i = first; best < 0 && i < units.size() && units.at(i).extent.top < limit; ++i) {
        for (const qreal top : units.at(i).lineTops) {
            if (top > start && top <= limit)
                best = std::max(best, top);
        }
    }
    return best > start ? best : limit;
}

} // namespace

namespace DayLogPages {

QVector<Slice> paginate(QTextDocument &doc, qreal height)
{
    const QVector<Unit> units = unitsOf(doc);
    // Keeps a block that ends exactly at a cut off the other page.
    constexpr qreal kEpsilon = 0.25;
    QVector<Slice> pages;
    Slice page;
    int first = 0; // the first piece not yet wholly on a page
    while (first < units.size()) {
        const qreal limit = page.contentTop + height;
        int fitting = first; // the first piece that does not fit
        int last = -1; // the last piece a page may end with
        for (; fitting < units.size() && units.at(fitting).extent.bottom <= limit; ++fitting) {
            if (!units.at(fitting).keepWithNext)
                last = fitting;
        }
        if (fitting == units.size())
            break;
        const Span &over = units.at(fitting).extent;
        Slice next;
        if (last >= first && over.bottom - over.top <= height) {
            first = last + 1;
            // Halfway between the pieces, in the room between their lines.
            next.contentTop = (units.at(last).extent.bottom + units.at(first).extent.top) / 2;
        } else {
            // A piece taller than a page begins where it stands.
            next.contentTop = cutInside(units, first, page.contentTop, limit);
            while (first < units.size() && units.at(first).extent.bottom <= next.contentTop)
                ++first;
        }
        next.clipTop = next.contentTop + kEpsilon;
        page.clipBottom = std::min(next.contentTop, limit) - kEpsilon;
        pages.append(page);
        page = next;
    }
    page.clipBottom = page.contentTop + height;
    pages.append(page);
    return pages;
}

} // namespace DayLogPages
