#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

/// A redis-server of the test's own: a free loopback port, a temporary folder, every write
/// logged to disk before it is acknowledged (unless syncEveryWrite is false: then once a second,
/// as servers usually run), so that a killed server comes back with all of it.
class TestRedisServer
{
public:
    explicit TestRedisServer(bool syncEveryWrite = true);
    ~TestRedisServer();

    /// False when redis-server is not installed (the test then skips).
    static bool isInstalled();
    /// Starts the server and waits until it answers; false, with why(), when it does not.
    bool start();
    /// Ends the server at once (SIGKILL), as a crash would.
    void kill();
    QString why() const { return m_why; }
    int port() const { return m_port; }
    /// "redis://127.0.0.1:<port>/0", with query items appended when given ("timeout=300").
    QUrl url(const QString &query = QString()) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    QString m_why;
    bool m_syncEveryWrite = true;
};

/// An nginx of the test's own serving a temporary folder at /dav/ with WebDAV PUT and GET behind
/// basic authentication (user "team", password "secret"); /dav/files/server-error answers 500.
/// A file's bytes after its first MiB come at 16 MiB/s, so that a transfer can be caught mid-way.
class TestHttpServer
{
public:
    TestHttpServer();
    ~TestHttpServer();

    static bool isInstalled();
    bool start();
    QString why() const { return m_why; }
    /// The folder served: files/, headers/ and thumbs/ as the local store lays them out.
    QString rootPath() const;
    /// "http://team:<password>@127.0.0.1:<port>/dav/".
    QUrl url(const QString &password = QStringLiteral("secret")) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    QString m_why;
};
