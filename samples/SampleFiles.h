#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

/// One cloud file the sample project's messages point to.
struct SampleFile
{
    enum Kind { Avatar, Attachment };

    Kind kind = Attachment;
    QString id; // the user id of an avatar, the file id of an attachment
    QString name; // an attachment's name, which says whether it is a picture
    int size = 0; // an attachment's size as its message gives it
    int seed = 0; // makes each made-up picture look a little different
};

/// The sample project's cloud files, made up on demand: an avatar for every member (its surname
/// on a colour of its own) and, for every attachment, a site photo or a text file of its size.
/// The same bytes on every call. Pictures are painted: a QGuiApplication must exist.
namespace SampleFiles {

/// Every member's avatar, then every attachment of the sample's messages in message order
/// (an id that comes twice is listed once).
QList<SampleFile> all();

/// The file's contents: a PNG avatar, a JPEG or PNG picture, or text.
QByteArray contents(const SampleFile &file);

} // namespace SampleFiles
