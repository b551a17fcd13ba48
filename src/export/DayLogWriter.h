#pragma once

#include "dynfeed_export.h"

#include <QCoreApplication>
#include <QDate>
#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

struct SDynData;
class DayLogWriterPrivate;

/// Writes the records of one day of one project as a daily log a site manager can file: an A4
/// PDF with the project's name and the date at the top of every page and "Page n of m" at the
/// bottom. GUI thread only (fonts, the icon table).
///
/// What goes in:
/// - records whose local time falls on the day; weather reminders whose "f_date" names the day
///   instead (a forecast is dated at its first day), taken from the newest forecast among them,
///   each reminder once;
/// - in sections, in this order: weather and reminders, tasks, task reports, notices, members
///   (invitations and members who joined), project information, files and pictures, then
///   records of kinds the feed does not know (summary only). Newest first within a section;
///   records of the same time keep the order they were given in.
///
/// How it reads:
/// - every text from a message is plain text, shown as received (markup escaped, line breaks
///   kept); the project-information paragraphs become one line each;
/// - a task shows its description (or "Voice note (n s)"), its type, location, people, end time
///   (not for notices and "other" tasks, as in the feed) and its status text; a report its title,
///   its text or voice note, its files and the task it reports on; a file its name and its size
///   as the attachment row writes it;
/// - every file is named with its type's icon; a picture shows its thumbnail above the names
///   when the thumbnail is already in the thumbnail directory (nothing is downloaded here: see
///   missingThumbnails()). Thumbnails are found under the names the feed fetches them by: a
///   task attachment's name, a report's attachment entry, an attachment record's cloud id;
/// - the files of one message share a row, as they share the message's header;
/// - pages break between records, never after a section's title; a record taller than a page
///   begins where it stands and breaks between its lines of text;
/// - fonts: the first family installed of Microsoft YaHei, SimSun (Windows), WenQuanYi Zen Hei,
///   Noto Sans CJK SC, Source Han Sans SC, Droid Sans Fallback; the PDF embeds what it uses.
///
/// Missing or ill-typed fields are left out, never fatal. Translations: every fixed text is a
/// tr() of this class.
class DYNFEED_EXPORT DayLogWriter
{
    Q_DECLARE_TR_FUNCTIONS(DayLogWriter)
public:
    DayLogWriter(const QString &prjName, const QDate &day);
    ~DayLogWriter();

    DayLogWriter(const DayLogWriter &) = delete;
    DayLogWriter &operator=(const DayLogWriter &) = delete;

    QString prjName() const;
    QDate day() const;

    /// Where thumbnails are looked for; by default the feed's temporary directory.
    void setThumbnailDir(const QString &dir);
    QString thumbnailDir() const;
    /// The body font; the header, the titles and the notes are sized from it.
    void setFont(const QFont &font);
    QFont font() const;
    /// The font used unless setFont says otherwise: the Chinese family described above, 9.5 pt.
    static QFont defaultFont();

    /// The records of the day among records, in the order the log lists them. Null pointers
    /// are skipped.
    QList<const SDynData *> dayRecords(const QList<const SDynData *> &records) const;
    /// The cloud names of the pictures the log of these records shows whose thumbnail is not in
    /// the thumbnail directory: fetch each (thumbnail variant) to thumbnailPath(name) before
    /// write() to have it in the log.
    QStringList missingThumbnails(const QList<const SDynData *> &records) const;
    /// Where the thumbnail of the picture of that cloud name is looked for.
    QString thumbnailPath(const QString &name) const;

    /// Writes the log of the day's records to path, replacing the file only when the whole log
    /// is written. False, with errorString() saying why, when it cannot be.
    bool write(const QString &path, const QList<const SDynData *> &records);
    QString errorString() const;
    /// The number of pages of the last log written.
    int pageCount() const;

private:
    std::unique_ptr<DayLogWriterPrivate> const d;
};
