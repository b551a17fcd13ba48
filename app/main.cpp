#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

#include "CloudFileService.h"
#include "ConsoleDemo.h"
#include "DemoHost.h"
#include "DemoStore.h"
#include "DemoWindow.h"
#include "ExportDayCommand.h"
#include "PSVPushService.h"
#include "i18n/DynFeedTranslations.h"
#include "views/DynScrollArea.h"
#include "views/ProjectDynPage.h"

namespace {

const int kLiveIntervalMs = 4000;
const int kScreenshotTimeoutMs = 30000;

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

/// The option's value, read before the application exists (the platform depends on it).
QString earlyOption(int argc, char *argv[], const char *name)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], name) == 0)
            return QString::fromLocal8Bit(argv[i + 1]);
    }
    return QString();
}

bool earlyFlag(int argc, char *argv[], const char *name)
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

} // namespace

// The demo host: the sample project served by the embedded push service and cloud-file store,
// shown in the scrolling feed and in the paged feed; or printed page by page with --print.
int main(int argc, char *argv[])
{
    QString screenshot = earlyOption(argc, argv, "--screenshot");
    const QString pagesScreenshot = earlyOption(argc, argv, "--screenshot-pages");
    const bool print = earlyFlag(argc, argv, "--print");
    // Exporting a day shows no window: it runs offscreen wherever it runs.
    const bool exportDay = earlyFlag(argc, argv, "--export-day");
    if (exportDay)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!print && !exportDay && screenshot.isEmpty() && pagesScreenshot.isEmpty() && !hasDisplay())
        screenshot = QStringLiteral("dynfeed_demo.png");
    const bool screenshots = !screenshot.isEmpty() || !pagesScreenshot.isEmpty();
    // Printing needs no display at all; a screenshot is taken offscreen unless asked otherwise.
    if ((print && !hasDisplay()) || (!print && screenshots && !earlyFlag(argc, argv, "--show")))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Before the application exists, or Qt ignores them: scale by the screen's ratio (and
    // QT_SCALE_FACTOR), and let pixmaps carry theirs, so that screenshots come at that ratio.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("dynfeed"));
    QCoreApplication::setApplicationName(QStringLiteral("dynfeed_demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The project feed of a sample job site."));
    parser.addHelpOption();
    const QCommandLineOption printOption(QStringLiteral("print"),
        QStringLiteral("Print the first two pages of the feed instead of showing it."));
    const QCommandLineOption publishOption(QStringLiteral("publish"),
        QStringLiteral("With --print: publish <n> new notices first."), QStringLiteral("n"),
        QStringLiteral("0"));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
        QStringLiteral("Save the window to <png> once the feed has settled, then exit "
                       "(the default where there is no display)."),
        QStringLiteral("png"));
    const QCommandLineOption pagesScreenshotOption(QStringLiteral("screenshot-pages"),
        QStringLiteral("Save the window showing the paged feed to <png> likewise, then exit "
                       "(after --screenshot when both are given)."),
        QStringLiteral("png"));
    const QCommandLineOption showOption(QStringLiteral("show"),
        QStringLiteral("With a screenshot: use the real display instead of offscreen."));
    const QCommandLineOption tabOption(QStringLiteral("tab"),
        QStringLiteral("Open the window on the tab of that title (\"Feed\", \"Pages\", \"My "
                       "tasks\"); --screenshot then saves that tab."),
        QStringLiteral("title"));
    const QCommandLineOption pushOption(QStringLiteral("push"),
        QStringLiteral("Use the push server at <url> (redis://host:port/db) for the project's "
                       "messages instead of the embedded store."),
        QStringLiteral("url"));
    const QCommandLineOption filesOption(QStringLiteral("files"),
        QStringLiteral("Use the file server at <url> (http://user@host:port/path/; password in "
                       "DYNFEED_FILES_PASSWORD) instead of the local cloud folder."),
        QStringLiteral("url"));
    const QCommandLineOption exportDayOption(QStringLiteral("export-day"),
        QStringLiteral("Write the daily log of <date> (YYYY-MM-DD) to the PDF file named after "
                       "it, then exit."),
        QStringLiteral("date"));
    const QCommandLineOption langOption(QStringLiteral("lang"),
        QStringLiteral("Show the feed in <language>: zh_CN or en (default: the system's)."),
        QStringLiteral("language"));
    parser.addOptions({ printOption, publishOption, screenshotOption, pagesScreenshotOption,
        showOption, tabOption, pushOption, filesOption, exportDayOption, langOption });
    parser.addPositionalArgument(
        QStringLiteral("pdf"), QStringLiteral("With --export-day: the file to write."));
    parser.process(app);
    if ((parser.isSet(pushOption) && !PSVPushService::setServerUrl(QUrl(parser.value(pushOption))))
        || (parser.isSet(filesOption)
            && !CloudFileStore::setServerUrl(QUrl(parser.value(filesOption)))))
        return 2;
    const QString lang = parser.value(langOption);
    if (!lang.isEmpty() && lang != QLatin1String("zh_CN") && lang != QLatin1String("en")) {
        QTextStream(stderr) << "unknown language " << lang << " (zh_CN or en)\n";
        return 2;
    }
    DynFeedTranslations::install(lang.isEmpty() ? QLocale::system() : QLocale(lang));

    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QString error;
    if (!DemoStore::prepare(dataDir, &error)) {
        QTextStream(stderr) << error << '\n';
        return 1;
    }

    if (parser.isSet(exportDayOption))
        return ExportDayCommand::run(
            parser.value(exportDayOption), parser.positionalArguments().value(0));

    if (parser.isSet(printOption)) {
        QTextStream out(stdout);
        out.setCodec("UTF-8");
        ConsoleDemo demo(out);
        return demo.run(parser.value(publishOption).toInt());
    }

    QFile style(QStringLiteral(":/demo/demo.qss"));
    if (style.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(style.readAll()));

    DemoHost host;
    ProjectDynPage::InstallVantorInformation(&host);
    DemoWindow window;
    window.show();
    window.openSampleProject();
    QWidget *firstTab = window.feed();
    if (parser.isSet(tabOption)) {
        if (window.showTab(parser.value(tabOption)))
            firstTab = window.currentTab();
        else
            QTextStream(stderr) << "no tab " << parser.value(tabOption) << '\n';
    }
    if (screenshots) {
        QList<QPair<QWidget *, QString>> shots;
        if (!screenshot.isEmpty())
            shots.append({ firstTab, screenshot });
        if (!pagesScreenshot.isEmpty())
            shots.append({ window.pages(), pagesScreenshot });
        window.screenshotWhenSettled(shots, kScreenshotTimeoutMs);
    } else {
        window.startLiveMessages(kLiveIntervalMs);
    }
    const int code = app.exec();
    ProjectDynPage::InstallVantorInformation(nullptr);
    return code;
}
