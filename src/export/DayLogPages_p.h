#pragma once

#include <QVector>

class QTextDocument;

/// How the daily log's document, laid out as one long page, is cut into pages. GUI thread.
namespace DayLogPages {

/// What one page shows of the document: from contentTop on, drawn between clipTop and
/// clipBottom.
struct Slice
{
    qreal contentTop = 0;
    qreal clipTop = 0;
    qreal clipBottom = 0;
};

/// The pages, each at most height tall: as many whole pieces (blocks of the top level, rows of
/// tables) as fit, a heading never last on a page; a piece taller than a page begins where it
/// stands and is cut between its blocks.
QVector<Slice> paginate(QTextDocument &doc, qreal height);

} // namespace DayLogPages
