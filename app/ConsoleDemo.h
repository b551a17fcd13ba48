#pragma once

#include <QObject>

class QTextStream;

/// The demo on a terminal: publishes the sample project into the embedded push service once,
/// subscribes a feed controller to it and prints the first two pages of 30 records with the
/// count of new messages.
class ConsoleDemo : public QObject
{
    Q_OBJECT
public:
    explicit ConsoleDemo(QTextStream &out, QObject *parent = nullptr);

    /// Runs the demo; newMessages more sample notices are published first, so that the count
    /// has something to show. Returns the process exit code.
    int run(int newMessages);

private:
    QTextStream &m_out;
};
