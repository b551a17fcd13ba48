#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include "ConsoleDemo.h"

// The demo host: the sample project served by the embedded push service, printed page by page.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("dynfeed"));
    QCoreApplication::setApplicationName(QStringLiteral("dynfeed_demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The project feed of a sample job site."));
    parser.addHelpOption();
    QCommandLineOption publish(QStringLiteral("publish"),
        QStringLiteral("Publish <n> new notices before showing the feed."), QStringLiteral("n"),
        QStringLiteral("0"));
    parser.addOption(publish);
    parser.process(app);

    QTextStream out(stdout);
    out.setCodec("UTF-8");
    ConsoleDemo demo(out);
    return demo.run(parser.value(publish).toInt());
}
