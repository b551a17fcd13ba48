#pragma once

#include <QString>
#include <QUrl>

#include <mutex>

/// The process-wide choice of a server backend, set from a URL and read by any thread: whether
/// one is configured, the parsed server and its URL without password. Server has a static
/// fromUrl(const QUrl &, Server *, QString *error).
template <typename Server> class ServerConfiguration
{
public:
    /// An empty url goes back to the embedded backend; one that does not parse changes nothing.
    bool set(const QUrl &url, QString *error)
    {
        Server server;
        if (!url.isEmpty() && !Server::fromUrl(url, &server, error))
            return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_configured = !url.isEmpty();
        m_server = server;
        m_url = url.adjusted(QUrl::RemovePassword);
        return true;
    }

    bool get(Server *server)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_configured && server)
            *server = m_server;
        return m_configured;
    }

    QUrl url()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_url;
    }

private:
    std::mutex m_mutex;
    bool m_configured = false; // guarded by m_mutex
    Server m_server; // guarded by m_mutex
    QUrl m_url; // guarded by m_mutex
};
