// The smallest host: the scrolling feed of one project on the embedded push service. It publishes
// a few messages, shows the feed and ends with 0 once the feed shows them, or with 1 and a line
// saying why.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

#include <PSVPushService.h>
#include <msl.pb.h>
#include <views/DynScrollArea.h>

namespace {

constexpr int Records = 3;
constexpr int TimeoutMs = 20000;

pb_clt_t_user plainMessages(qint64 firstTime)
{
    pb_clt_t_user message;
    for (int i = 0; i < Records; ++i) {
        pb_im_t_msg_item *item = message.mutable_f_im_msg()->add_f_msg();
        item->set_f_msg_type(5); // plain text
        item->set_f_msg_body(
            QStringLiteral("Hello from the minimal host, %1").arg(i).toStdString());
        item->set_f_sender_id(2002);
        item->set_f_sender_name("Host");
        item->set_f_send_time(firstTime + 60 * i);
    }
    return message;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("dynfeed-minimal-host"));

    // The embedded push service, kept in memory: nothing is left behind.
    PSVPushService::setStorePath(QString());
    const QString project = QStringLiteral("1001");
    if (PSVPushService::publish(project, plainMessages(1700000000)).size() != Records) {
        std::fprintf(stderr, "minimal_host: the push service did not take the messages\n");
        return 1;
    }

    DynScrollArea feed(false);
    feed.resize(600, 800);
    feed.show();
    feed.setProjUserId(project, QStringLiteral("3003"));

    int result = 1;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (!feed.isEmpty()) {
            std::printf("minimal_host: the feed shows the published records\n");
            result = 0;
            app.quit();
        } else if (clock.elapsed() > TimeoutMs) {
            std::fprintf(
                stderr, "minimal_host: the feed showed no record within %d s\n", TimeoutMs / 1000);
            app.quit();
        }
    });
    poll.start(50);
    app.exec();
    return result;
}
