#pragma once

#include <QString>

class QByteArray;

/// What the cloud-file backends share with the local store.
namespace CloudFileStorePrivate {

/// False for an id that could leave the folder it is joined to ('/', '\\', NUL, empty, "."
/// or "..").
bool isSafeName(const QString &name);
/// The picture at picturePath shrunk to fit CloudFileStore::ThumbnailEdge, in its own format; a
/// picture that already fits comes as stored. False, with *error, for a file that is no picture.
bool makeThumbnail(const QString &picturePath, QByteArray *thumbnail, QString *error);

} // namespace CloudFileStorePrivate
