#pragma once

#include <QString>

/// Where the local store under root keeps an entry: files/<id>, headers/<userId>.png and
/// thumbs/<id>. An empty string for an id that could leave its folder (see isSafeFileName).
namespace CloudStorePaths {

QString file(const QString &root, const QString &fileId);
QString userHeader(const QString &root, const QString &userId);
QString thumbnail(const QString &root, const QString &fileId);

} // namespace CloudStorePaths
