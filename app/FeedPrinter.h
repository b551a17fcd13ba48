#pragma once

#include <QList>
#include <QString>

class QTextStream;
struct SDynData;

/// Prints feed records one line each, newest first: a readable look at a converted feed. Text
/// from messages is flattened so that it cannot break the line layout. One printer per stream.
class FeedPrinter
{
public:
    explicit FeedPrinter(QTextStream &out);

    /// Prints the records newest first; records without a time (weather reminders) follow, in
    /// the order given.
    void print(const QList<SDynData *> &records);
    /// Prints the records in the order given.
    void printInOrder(const QList<SDynData *> &records);

    /// The line for one record: kind, local time, author, job title, summary, content keys.
    static QString line(const SDynData &record);
    /// The kind's name, "Kind(n)" for a kind the feed does not know.
    static QString kindName(int kind);
    /// The text on one line: line breaks become "↵", tabs and other control characters a blank,
    /// direction overrides are dropped and "|" (the column separator) becomes "¦"; longer than
    /// maxChars, it is cut and ends in "…".
    static QString oneLine(const QString &text, int maxChars);

private:
    QTextStream &m_out;
};
