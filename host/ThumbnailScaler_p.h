#pragma once

class QByteArray;
class QImage;
class QSize;
class QString;

/// Thumbnails of stored pictures, made on the cloud-file workers (local and HTTP store alike).
namespace ThumbnailScaler {

/// The picture at picturePath shrunk to fit CloudFileStore::ThumbnailEdge, in its own format; a
/// picture that already fits comes as stored. False, with *error, for a file that is no picture.
bool makeThumbnail(const QString &picturePath, QByteArray *thumbnail, QString *error);

/// source shrunk to size (no larger than source) by averaging, for each target pixel, the
/// source pixels it covers, weighted by their alpha.
QImage shrink(const QImage &source, const QSize &size);

} // namespace ThumbnailScaler
