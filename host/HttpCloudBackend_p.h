#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

class ICloudFileService;

/// An HTTP server that keeps the cloud's files in the local store's layout under a base URL
/// (files/<id>, headers/<userId>.png, thumbs/<id>), read with GET and written with PUT.
struct HttpServer
{
    QUrl base; // ends in '/'; no user or password
    QString user;
    QString password;
    int timeoutMs = 30000; // a transfer without progress for this long fails

    /// The server that url names; false, with *error when given, for a URL that names none.
    static bool fromUrl(const QUrl &url, HttpServer *server, QString *error);
};

/// The cloud-file service over HTTP. Transfers run in Qt's network stack and report on the GUI
/// thread, with the local store's guarantees: never from inside the starting call, progress in
/// order and then one onFinished, no callback after cancel() or release(), no partial file.
namespace HttpCloudBackend {

/// Uses the server url names from now on; an empty url goes back to the local store. False,
/// with a logged line, when url names no server. Any thread.
bool configure(const QUrl &url);
/// The configured server; false when the local store is used.
bool configured(HttpServer *server);
QUrl configuredUrl();

/// A new service object on server. GUI thread.
ICloudFileService *createService(const HttpServer &server);
/// Transfers over HTTP whose end has not yet been handed to the GUI thread.
int runningTransfers();

} // namespace HttpCloudBackend
