#include "common/TestServers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

constexpr int kStartTimeoutMs = 20000;

QString findProgram(const QString &name)
{
    return QStandardPaths::findExecutable(
        name, { QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/sbin") });
}

/// Waits until something accepts connections on port, or the process ends.
bool waitForPort(QProcess &process, int port, QString *why)
{
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (process.state() == QProcess::NotRunning) {
            *why = QStringLiteral("%1 ended: %2")
                       .arg(process.program(), QString::fromLocal8Bit(process.readAll()));
            return false;
        }
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
        if (probe.waitForConnected(100))
            return true;
        process.waitForFinished(50); // a pause that ends early when the process dies
    }
    *why = QStringLiteral("%1 did not open port %2").arg(process.program()).arg(port);
    return false;
}

void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// The benchmarks link this file on its own: it uses nothing else of tests/common.
bool writeText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

/// A free TCP port on 127.0.0.1 at the moment of asking.
int freeLoopbackPort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost) ? server.serverPort() : 0;
}

} // namespace

TestRedisServer::TestRedisServer(bool syncEveryWrite)
    : m_port(freeLoopbackPort())
    , m_syncEveryWrite(syncEveryWrite)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

TestRedisServer::~TestRedisServer()
{
    stopProcess(m_process);
}

bool TestRedisServer::isInstalled()
{
    return !findProgram(QStringLiteral("redis-server")).isEmpty();
}

bool TestRedisServer::start()
{
    m_process.start(findProgram(QStringLiteral("redis-server")),
        { QStringLiteral("--port"), QString::number(m_port), QStringLiteral("--bind"),
            QStringLiteral("127.0.0.1"), QStringLiteral("--dir"), m_dir.path(),
            QStringLiteral("--save"), QString(), QStringLiteral("--appendonly"),
            QStringLiteral("yes"), QStringLiteral("--appendfsync"),
            m_syncEveryWrite ? QStringLiteral("always") : QStringLiteral("everysec"),
            QStringLiteral("--daemonize"), QStringLiteral("no") });
    return waitForPort(m_process, m_port, &m_why);
}

void TestRedisServer::kill()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QUrl TestRedisServer::url(const QString &query) const
{
    QUrl url(QStringLiteral("redis://127.0.0.1:%1/0").arg(m_port));
    url.setQuery(query);
    return url;
}

TestHttpServer::TestHttpServer()
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

TestHttpServer::~TestHttpServer()
{
    stopProcess(m_process);
}

bool TestHttpServer::isInstalled()
{
    return !findProgram(QStringLiteral("nginx")).isEmpty();
}

QString TestHttpServer::rootPath() const
{
    return m_dir.filePath(QStringLiteral("root"));
}

bool TestHttpServer::start()
{
    m_port = freeLoopbackPort();
    const QDir dir(m_dir.path());
    for (const char *folder : { "root", "logs", "temp" })
        dir.mkpath(QLatin1String(folder));
    const QString config = QStringLiteral(
        "daemon off;\nmaster_process off;\nworker_processes 1;\npid %1/nginx.pid;\n"
        "error_log %1/logs/error.log;\nevents { worker_connections 64; }\n"
        "http {\n  access_log off;\n  client_body_temp_path %1/temp/body;\n"
        "  proxy_temp_path %1/temp/proxy;\n  fastcgi_temp_path %1/temp/fastcgi;\n"
        "  uwsgi_temp_path %1/temp/uwsgi;\n  scgi_temp_path %1/temp/scgi;\n"
        "  server {\n    listen 127.0.0.1:%2;\n    client_max_body_size 0;\n"
        "    location = /dav/files/server-error { return 500; }\n"
        "    location /dav/ {\n      alias %1/root/;\n      dav_methods PUT DELETE;\n"
        "      create_full_put_path on;\n      limit_rate_after 1m;\n      limit_rate 16m;\n"
        "      auth_basic \"dynfeed\";\n"
        "      auth_basic_user_file %1/htpasswd;\n    }\n  }\n}\n")
                               .arg(m_dir.path())
                               .arg(m_port);
    if (!writeText(dir.filePath(QStringLiteral("nginx.conf")), config.toUtf8())
        || !writeText(dir.filePath(QStringLiteral("htpasswd")), "team:{PLAIN}secret\n")) {
        m_why = QStringLiteral("cannot write the nginx configuration");
        return false;
    }
    m_process.start(findProgram(QStringLiteral("nginx")),
        { QStringLiteral("-p"), m_dir.path(), QStringLiteral("-e"),
            dir.filePath(QStringLiteral("logs/error.log")), QStringLiteral("-c"),
            dir.filePath(QStringLiteral("nginx.conf")) });
    return waitForPort(m_process, m_port, &m_why);
}

QUrl TestHttpServer::url(const QString &password) const
{
    QUrl url(QStringLiteral("http://127.0.0.1:%1/dav/").arg(m_port));
    url.setUserName(QStringLiteral("team"));
    url.setPassword(password);
    return url;
}
