#include "export/DayLogWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QTextDocument>
#include <QUrl>
#include <QVector>

#include <algorithm>
#include <array>
#include <limits>

#include "DynKeys.h"
#include "attach/AttachWdt.h"
#include "attach/FileIconTable.h"
#include "attach/PictureLabel.h"
#include "attach/SafeFileName.h"
#include "export/DayLogPages_p.h"
#include "export/DayLog_p.h"
#include "feed/SDynData.h"
#include "items/TaskItems_p.h"

Q_LOGGING_CATEGORY(lcDayLog, "dynfeed.export", QtInfoMsg)

namespace {

// Page geometry: A4 with these margins (mm); the header and the footer take bands of the
// printable area, the records flow through the rest.
constexpr qreal kSideMarginMm = 16;
constexpr qreal kTopMarginMm = 11;
constexpr qreal kBottomMarginMm = 10;
constexpr qreal kHeaderBandMm = 12;
constexpr qreal kFooterBandMm = 8;
constexpr int kResolution = 300;

// Picture sizes in the log, in pixels of 1/96 inch (the document scales them to the page).
constexpr int kThumbEdge = 100;
constexpr int kIconEdge = 14;
constexpr int kWeatherIconEdge = 34;
// A cached file bigger than a thumbnail is decoded at this size at most.
constexpr int kDecodeEdge = 2 * kThumbEdge;

const QString kNewMemberHeader = QStringLiteral(":/icon/resources/images/new_member.png");
// What a member-joined record says; one that names several members keeps the whole sentence.
const QString kJoinedText = QStringLiteral("加入了项目");
const QString kTaskAttachSeparator = QStringLiteral("-_-");
const QString kNoticeType = QStringLiteral("通知项");
const QString kOtherType = QStringLiteral("其他");

enum Section {
    SectionWeather,
    SectionTasks,
    SectionReports,
    SectionNotices,
    SectionMembers,
    SectionProjectInfo,
    SectionFiles,
    SectionOther,
    SectionCount,
};

Section sectionOf(const SDynData &record)
{
    switch (record.kind) {
    case SDynData::KindWeather:
        return SectionWeather;
    case SDynData::KindTask:
        return SectionTasks;
    case SDynData::KindTaskReport:
        return SectionReports;
    case SDynData::KindText:
        return record.userHeader == kNewMemberHeader || record.text.endsWith(kJoinedText)
            ? SectionMembers
            : SectionNotices;
    case SDynData::KindProjectInfo:
        return SectionProjectInfo;
    case SDynData::KindAttachment:
        return SectionFiles;
    default:
        return SectionOther;
    }
}

QString text(const QVariantHash &map, const QString &key)
{
    return map.value(key).toString();
}

/// The lines of a text from a message.
QStringList linesOf(const QString &value)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return value.split(lineBreak);
}

/// Plain text as HTML: markup escaped, line breaks kept.
QString plain(const QString &value)
{
    return linesOf(value.toHtmlEscaped()).join(QLatin1String("<br/>"));
}

/// Plain text as HTML, a block per line: the pages of the log are cut between blocks, so that a
/// long text can run over several pages.
QString plainBlocks(const QStringList &lines)
{
    QString html;
    for (const QString &line : lines) {
        html += QStringLiteral("<div>%1</div>")
                    .arg(line.isEmpty() ? QStringLiteral("&nbsp;") : line.toHtmlEscaped());
    }
    return html;
}

/// The project-information text as plain lines: the paragraphs the conversion wraps each line
/// in are taken off, whatever is inside them stays text.
QStringList projectInfoLines(const QString &html)
{
    static const QString opening = QStringLiteral("<p style = 'margin:10px'>");
    static const QString closing = QStringLiteral("</p>");
    if (!html.contains(opening))
        return html.isEmpty() ? QStringList() : QStringList { html };
    QStringList lines;
    for (QString part : html.split(opening, Qt::SkipEmptyParts)) {
        if (part.endsWith(closing))
            part.chop(closing.size());
        if (!part.trimmed().isEmpty())
            lines << part.trimmed();
    }
    return lines;
}

/// The end time of a task's "time" entry, which is a label followed by the time.
QString endTimeOf(const QString &time)
{
    static const QRegularExpression trailingTime(
        QStringLiteral("(\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2})$"));
    const QRegularExpressionMatch match = trailingTime.match(time);
    return match.hasMatch() ? match.captured(1) : time;
}

/// A file the log names: what it is called, the name its thumbnail is fetched by, its size.
struct FileRef
{
    QString name;
    QString cloudName;
    qint64 size = -1; // unknown
    bool picture = false;
};

QList<FileRef> filesOf(const SDynData &record)
{
    QList<FileRef> files;
    auto add = [&files](const QString &name, const QString &cloudName, qint64 size) {
        if (name.isEmpty())
            return;
        FileRef file;
        file.name = name;
        file.cloudName = cloudName;
        file.size = size;
        file.picture = PictureLabel::fileType(name) == PictureLabel::Picture;
        files << file;
    };
    switch (record.kind) {
    case SDynData::KindTask:
        // The task item fetches by the name part, as do we.
        for (const QString &entry : record.content.value(DynKey::attachList).toStringList()) {
            const QStringList parts = entry.split(kTaskAttachSeparator);
            if (parts.size() == 2)
                add(parts.at(0), parts.at(0), -1);
        }
        break;
    case SDynData::KindTaskReport:
        // A report names a picture by its URL: the log shows the URL's file name.
        for (const QString &entry : record.content.value(DynKey::attachList).toStringList()) {
            const QUrl url(entry, QUrl::StrictMode);
            const bool isUrl
                = url.isValid() && !url.scheme().isEmpty() && !url.fileName().isEmpty();
            add(isUrl ? url.fileName() : entry, entry, -1);
        }
        break;
    case SDynData::KindAttachment: {
        const QVariant size = record.content.value(DynKey::attachSize);
        add(text(record.content, DynKey::attachName), text(record.content, DynKey::attachId),
            size.isValid() ? size.toInt() : -1);
        break;
    }
    default:
        break;
    }
    return files;
}

bool isVoice(const QString &value, const QVariantHash &content, const QString &playTimeKey)
{
    return value.endsWith(TaskItems::kVoiceSuffix) || content.contains(playTimeKey);
}

/// The first family of the list that is installed, else the application's.
QString chineseFamily()
{
    static const QString family = [] {
        const QStringList installed = QFontDatabase().families();
        for (const QString &candidate :
            { QStringLiteral("Microsoft YaHei"), QStringLiteral("SimSun"),
                QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                QStringLiteral("Source Han Sans SC"), QStringLiteral("Droid Sans Fallback") }) {
            if (installed.contains(candidate, Qt::CaseInsensitive))
                return candidate;
        }
        qCInfo(lcDayLog) << "no Chinese font installed: the daily log uses" << QFont().family();
        return QFont().family();
    }();
    return family;
}

} // namespace

class DayLogWriterPrivate
{
public:
    DayLogWriterPrivate(const QString &name, const QDate &date)
        : prjName(name)
        , day(date)
        , thumbDir(TaskItems::feedTempDir())
        , font(DayLogWriter::defaultFont())
    { }

    QVector<QList<const SDynData *>> sections(const QList<const SDynData *> &records) const;
    QString thumbnailPath(const QString &name) const
    {
        return QStringLiteral("%1/%2").arg(thumbDir, safeFileName(name));
    }
    QString buildHtml(const QVector<QList<const SDynData *>> &sections, QTextDocument &doc);
    /// One row of the log: a record, or the attachment records of one message.
    QString recordRow(const QList<const SDynData *> &group, QTextDocument &doc);
    QString weatherBlock(const QList<const SDynData *> &records, QTextDocument &doc);
    QString filesHtml(const QList<FileRef> &files, bool withSize, QTextDocument &doc);
    /// An image resource of the document: a picture file scaled to fit edge, or an icon.
    QString imageTag(const QString &path, int edge, bool thumbnail, QTextDocument &doc);
    void drawFrame(QPainter &painter, const QRectF &page, int pageNumber, int pages) const;

    QString prjName;
    QDate day;
    QString thumbDir;
    QFont font;
    QString error;
    int pageCount = 0;
    // Per write: the images added to the document, by file, and how they came out.
    struct Image
    {
        QString url;
        QSize size;
    };
    QHash<QString, Image> images;
};

DayLogWriter::DayLogWriter(const QString &prjName, const QDate &day)
    : d(new DayLogWriterPrivate(prjName, day))
{ }

DayLogWriter::~DayLogWriter() = default;

QString DayLogWriter::prjName() const
{
    return d->prjName;
}

QDate DayLogWriter::day() const
{
    return d->day;
}

void DayLogWriter::setThumbnailDir(const QString &dir)
{
    d->thumbDir = dir;
}

QString DayLogWriter::thumbnailDir() const
{
    return d->thumbDir;
}

void DayLogWriter::setFont(const QFont &font)
{
    d->font = font;
}

QFont DayLogWriter::font() const
{
    return d->font;
}

QFont DayLogWriter::defaultFont()
{
    QFont font(chineseFamily());
    font.setPointSizeF(9.5);
    return font;
}

QString DayLogWriter::thumbnailPath(const QString &name) const
{
    return d->thumbnailPath(name);
}

QVector<QList<const SDynData *>> DayLogWriterPrivate::sections(
    const QList<const SDynData *> &records) const
{
    QVector<QList<const SDynData *>> result(SectionCount);
    if (!day.isValid())
        return result;
    const qint64 dayStart = day.startOfDay().toMSecsSinceEpoch();
    const qint64 dayEnd = day.addDays(1).startOfDay().toMSecsSinceEpoch();
    const QString dayText = day.toString(Qt::ISODate);

    struct Timed
    {
        const SDynData *record;
        qint64 key;
    };
    std::array<QVector<Timed>, SectionCount> timed;
    QList<const SDynData *> weather;
    qint64 newestForecast = std::numeric_limits<qint64>::min();
    for (const SDynData *record : records) {
        if (!record)
            continue;
        const qint64 key = record->dateTime.isValid() ? record->dateTime.toMSecsSinceEpoch()
                                                      : std::numeric_limits<qint64>::min();
        if (record->kind == SDynData::KindWeather) {
            if (text(record->content, DynKey::date) == dayText) {
                weather << record;
                newestForecast = std::max(newestForecast, key);
            }
        } else if (key >= dayStart && key < dayEnd) {
            timed[sectionOf(*record)].append({ record, key });
        }
    }

    // Forecasts repeat a day's reminders; the newest forecast speaks for the day.
    QSet<QString> seen;
    for (const SDynData *record : qAsConst(weather)) {
        const qint64 key = record->dateTime.isValid() ? record->dateTime.toMSecsSinceEpoch()
                                                      : std::numeric_limits<qint64>::min();
        const QString identity = text(record->content, DynKey::weatherInfo) + QChar(0)
            + record->text + QChar(0) + text(record->content, DynKey::reminderType);
        if (key == newestForecast && !seen.contains(identity)) {
            seen.insert(identity);
            result[SectionWeather] << record;
        }
    }
    for (int section = SectionTasks; section < SectionCount; ++section) {
        QVector<Timed> &list = timed[section];
        std::stable_sort(
            list.begin(), list.end(), [](const Timed &a, const Timed &b) { return a.key > b.key; });
        for (const Timed &entry : qAsConst(list))
            result[section] << entry.record;
    }
    return result;
}

QList<const SDynData *> DayLogWriter::dayRecords(const QList<const SDynData *> &records) const
{
    QList<const SDynData *> ordered;
    for (const QList<const SDynData *> &section : d->sections(records))
        ordered += section;
    return ordered;
}

QStringList DayLogWriter::missingThumbnails(const QList<const SDynData *> &records) const
{
    QStringList names;
    for (const SDynData *record : dayRecords(records)) {
        for (const FileRef &file : filesOf(*record)) {
            if (file.picture && !file.cloudName.isEmpty() && !names.contains(file.cloudName)
                && !QFileInfo(thumbnailPath(file.cloudName)).isFile())
                names << file.cloudName;
        }
    }
    return names;
}

QString DayLogWriterPrivate::imageTag(
    const QString &path, int edge, bool thumbnail, QTextDocument &doc)
{
    auto found = images.constFind(path);
    if (found == images.constEnd()) {
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        const QSize size = reader.size();
        if (thumbnail && size.isValid() && std::max(size.width(), size.height()) > kDecodeEdge)
            reader.setScaledSize(size.scaled(kDecodeEdge, kDecodeEdge, Qt::KeepAspectRatio));
        const QImage image = reader.read();
        Image entry;
        if (image.isNull()) {
            qCDebug(lcDayLog) << "cannot read" << path << ":" << reader.errorString();
        } else {
            entry.url = QStringLiteral("daylog-image-%1").arg(images.size());
            entry.size = image.size().scaled(edge, edge, Qt::KeepAspectRatio);
            // As a pixmap: the document draws a pixmap resource as it is, and the PDF keeps one
            // copy of it however often it is drawn; an image would be converted at every use.
            doc.addResource(
                QTextDocument::ImageResource, QUrl(entry.url), QPixmap::fromImage(image));
        }
        found = images.insert(path, entry);
    }
    if (found->url.isEmpty())
        return QString();
    return QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\" style=\"vertical-align: "
                          "middle\">")
        .arg(found->url)
        .arg(found->size.width())
        .arg(found->size.height());
}

QString DayLogWriterPrivate::filesHtml(
    const QList<FileRef> &files, bool withSize, QTextDocument &doc)
{
    QString thumbs;
    QString names;
    for (const FileRef &file : files) {
        const QString thumbPath
            = file.picture && !file.cloudName.isEmpty() ? thumbnailPath(file.cloudName) : QString();
        QString thumb;
        if (!thumbPath.isEmpty() && QFileInfo(thumbPath).isFile())
            thumb = imageTag(thumbPath, kThumbEdge, true, doc);
        if (!thumb.isEmpty())
            thumbs += thumb + QStringLiteral("&nbsp;&nbsp;");
        // The icon of the file's type, as the file tiles choose it.
        const QString icon = imageTag(FileIconTable::iconPath(file.name), kIconEdge, false, doc);
        names += QStringLiteral("<div style=\"margin-top: 2px\">%1&nbsp;%2")
                     .arg(icon, plain(file.name));
        if (withSize && file.size >= 0)
            names += QStringLiteral("&nbsp;&nbsp;<span style=\"color: #777777\">%1</span>")
                         .arg(plain(AttachWdt::sizeText(int(file.size))));
        names += QStringLiteral("</div>");
    }
    if (!thumbs.isEmpty())
        thumbs = QStringLiteral("<div style=\"margin-top: 4px\">%1</div>").arg(thumbs);
    return thumbs + names;
}

QString DayLogWriterPrivate::weatherBlock(
    const QList<const SDynData *> &records, QTextDocument &doc)
{
    const SDynData &first = *records.constFirst();
    const bool thunder
        = first.content.value(DynKey::weatherType).toInt() == WeatherType::ThunderShower;
    const QString icon
        = imageTag(thunder ? QStringLiteral(":/icon/resources/images/thunder_shower.png")
                           : QStringLiteral(":/icon/resources/images/cloudy.png"),
            kWeatherIconEdge, false, doc);
    QString reminders;
    for (const SDynData *record : records)
        reminders += QStringLiteral("<li>%1</li>").arg(plain(record->text));
    return QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"6\" "
                          "style=\"background-color: #f1f5fa\"><tr>"
                          "<td width=\"9%\" valign=\"middle\">%1</td>"
                          "<td valign=\"middle\"><span style=\"font-size: 11pt; font-weight: "
                          "600\">%2</span>"
                          "<ul style=\"margin-top: 2px; margin-bottom: 0px\">%3</ul></td>"
                          "</tr></table>")
        .arg(icon, plain(text(first.content, DynKey::weatherInfo)), reminders);
}

QString DayLogWriterPrivate::recordRow(const QList<const SDynData *> &group, QTextDocument &doc)
{
    const SDynData &record = *group.constFirst();
    const QVariantHash &content = record.content;
    QString body;
    // Who and what, as the item's header says it.
    if (!record.userName.isEmpty())
        body += QStringLiteral("<b>%1</b>").arg(plain(record.userName));
    // "Other" says nothing about the author.
    if (!record.userJob.isEmpty() && record.userJob != jobTitles().constLast())
        body += QStringLiteral("&nbsp;<span style=\"color: #888888; font-size: 8pt\">%1</span>")
                    .arg(plain(record.userJob));
    QStringList summary = linesOf(record.text);
    // A message's text follows its author's name directly where it begins with a colon.
    const bool spoken = summary.constFirst().startsWith(QChar(0xff1a))
        || summary.constFirst().startsWith(QLatin1Char(':'));
    if (!body.isEmpty() && !spoken)
        body += QStringLiteral("&nbsp;&nbsp;");
    body += summary.takeFirst().toHtmlEscaped();

    auto paragraph = [&body](const QString &html, const char *style = "") {
        if (!html.isEmpty())
            body += QStringLiteral("<div style=\"margin-top: 3px; %1\">%2</div>")
                        .arg(QLatin1String(style), html);
    };
    // A label and its value; a line may break inside a long value only.
    auto note = [](const QString &label, const QString &value) {
        return QStringLiteral("<span style=\"color: #777777\">%1</span>&nbsp;%2")
            .arg(plain(label).replace(QLatin1Char(' '), QLatin1String("&nbsp;")), value);
    };
    auto voice = [](const QVariant &seconds) {
        return plain(DayLogWriter::tr("Voice note (%1 s)").arg(seconds.toInt()));
    };

    if (!summary.isEmpty())
        paragraph(plainBlocks(summary));
    auto textBlocks = [](const QString &value) {
        return value.isEmpty() ? QString() : plainBlocks(linesOf(value));
    };

    switch (record.kind) {
    case SDynData::KindTask: {
        const QString desc = text(content, DynKey::desc);
        paragraph(isVoice(desc, content, DynKey::taskDescPlayTime)
                ? voice(content.value(DynKey::taskDescPlayTime))
                : textBlocks(desc));
        QStringList rows;
        const QString type = text(content, DynKey::type);
        if (!type.isEmpty())
            rows << note(DayLogWriter::tr("Type"), plain(type));
        const QString location = text(content, DynKey::location);
        if (!location.isEmpty())
            rows << note(DayLogWriter::tr("Location"), plain(location));
        const QString people = text(content, DynKey::people);
        if (!people.isEmpty())
            rows << note(DayLogWriter::tr("People"), plain(people));
        const QString time = text(content, DynKey::time);
        if (!time.isEmpty() && type != kNoticeType && type != kOtherType)
            rows << note(DayLogWriter::tr("End time"),
                plain(endTimeOf(time)).replace(QLatin1Char(' '), QLatin1String("&nbsp;")));
        paragraph(rows.join(QStringLiteral("&nbsp;&nbsp;&nbsp; ")));
        paragraph(filesHtml(filesOf(record), false, doc));
        break;
    }
    case SDynData::KindTaskReport: {
        const QString title = text(content, DynKey::title);
        if (!title.isEmpty())
            paragraph(QStringLiteral("<b>%1</b>").arg(plain(title)));
        const QString report = text(content, DynKey::content);
        paragraph(report.endsWith(TaskItems::kVoiceSuffix)
                ? voice(content.value(DynKey::reportPlayTime, 1))
                : textBlocks(report));
        paragraph(filesHtml(filesOf(record), false, doc));
        const QString task = text(content, DynKey::taskDesc);
        if (!task.isEmpty()) {
            paragraph(QStringLiteral("<span style=\"color: #777777\">%1</span>&nbsp;%2")
                          .arg(plain(DayLogWriter::tr("From task")),
                              isVoice(task, content, DynKey::taskDescPlayTime)
                                  ? voice(content.value(DynKey::taskDescPlayTime))
                                  : plain(task)));
        }
        break;
    }
    case SDynData::KindText:
        paragraph(textBlocks(text(content, DynKey::text)));
        break;
    case SDynData::KindProjectInfo: {
        QStringList lines;
        for (const QString &line : projectInfoLines(text(content, DynKey::text)))
            lines += linesOf(line);
        paragraph(lines.isEmpty() ? QString() : plainBlocks(lines), "margin-left: 8px");
        break;
    }
    case SDynData::KindAttachment: {
        QList<FileRef> files;
        bool upload = false;
        for (const SDynData *member : group) {
            files += filesOf(*member);
            upload = upload || member->extra.value(DynKey::upload).toBool();
        }
        paragraph(filesHtml(files, true, doc));
        if (upload)
            paragraph(plain(DayLogWriter::tr("Uploaded to the project")), "color: #777777");
        break;
    }
    default:
        break;
    }

    static const QString cell = QStringLiteral(
        "<td valign=\"top\" %1 style=\"border-bottom: 1px solid #dddddd; %2\">%3</td>");
    const QString time
        = record.dateTime.isValid() ? record.dateTime.toString(QStringLiteral("hh:mm")) : QString();
    QString row = QStringLiteral("<tr>")
        + cell.arg(QStringLiteral("width=\"9%\""), QStringLiteral("color: #555555"), time)
        + cell.arg(QString(), QString(), body);
    if (record.kind == SDynData::KindTask) {
        // The status stands apart, where the item shows its mark.
        const int code = content.value(DynKey::status, -1).toInt();
        const QString status = content.contains(DynKey::status) ? taskStatusName(code) : QString();
        static const QString colours[]
            = { QStringLiteral("#1e63b5"), QStringLiteral("#2e7d32"), QStringLiteral("#c0581b") };
        const QString colour = code >= 0 && code < 3 ? colours[code] : QStringLiteral("#555555");
        row += cell.arg(QStringLiteral("width=\"11%\" align=\"right\""),
            QStringLiteral("color: %1; font-weight: 600").arg(colour), plain(status));
    }
    return row + QStringLiteral("</tr>");
}

QString DayLogWriterPrivate::buildHtml(
    const QVector<QList<const SDynData *>> &sections, QTextDocument &doc)
{
    int count = 0;
    for (const QList<const SDynData *> &section : sections)
        count += section.size();

    QString html;
    html.reserve(4096 + count * 1024);
    html += QStringLiteral("<html><body>");
    html += QStringLiteral(
        "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\"><tr>"
        "<td valign=\"bottom\"><span style=\"font-size: 20pt; font-weight: 600\">%1</span><br/>"
        "<span style=\"font-size: 12pt\">%2</span></td>"
        "<td align=\"right\" valign=\"bottom\"><span style=\"font-size: 14pt; font-weight: "
        "600\">%3</span><br/><span style=\"color: #555555\">%4</span></td>"
        "</tr></table><hr/>")
                .arg(plain(DayLogWriter::tr("Daily log")), plain(prjName),
                    plain(day.toString(Qt::ISODate)),
                    plain(QStringLiteral("%1 · %2").arg(QLocale().dayName(day.dayOfWeek()),
                        DayLogWriter::tr("%n record(s)", nullptr, count))));

    if (count == 0) {
        html += QStringLiteral("<p style=\"margin-top: 16px; color: #555555\">%1</p>")
                    .arg(plain(DayLogWriter::tr("No records on this day.")));
    }

    const QString titles[SectionCount] = {
        DayLogWriter::tr("Weather and reminders"),
        DayLogWriter::tr("Tasks"),
        DayLogWriter::tr("Task reports"),
        DayLogWriter::tr("Notices"),
        DayLogWriter::tr("Members"),
        DayLogWriter::tr("Project information"),
        DayLogWriter::tr("Files and pictures"),
        DayLogWriter::tr("Other records"),
    };
    for (int section = 0; section < SectionCount; ++section) {
        const QList<const SDynData *> &records = sections.at(section);
        if (records.isEmpty())
            continue;
        html += QStringLiteral(
            "<h2 style=\"font-size: 12pt; color: #1f3a5f; margin-top: 16px; margin-bottom: "
            "4px\">%1&nbsp;&nbsp;<span style=\"color: #8a96a3; font-weight: normal\">%2</span>"
            "</h2>")
                    .arg(plain(titles[section]),
                        section == SectionWeather ? QString() : QString::number(records.size()));
        if (section == SectionWeather) {
            html += weatherBlock(records, doc);
            continue;
        }
        html += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"5\" "
                               "style=\"border-collapse: collapse\">");
        // The files of one message share a row, as they share the message's header.
        for (int first = 0; first < records.size();) {
            int end = first + 1;
            const QString msgId = text(records.at(first)->extra, DynKey::msgId);
            while (section == SectionFiles && !msgId.isEmpty() && end < records.size()
                && text(records.at(end)->extra, DynKey::msgId) == msgId)
                ++end;
            html += recordRow(records.mid(first, end - first), doc);
            first = end;
        }
        html += QStringLiteral("</table>");
    }
    html += QStringLiteral("</body></html>");
    return html;
}

void DayLogWriterPrivate::drawFrame(
    QPainter &painter, const QRectF &page, int pageNumber, int pages) const
{
    const qreal dotsPerMm = kResolution / 25.4;
    QFont headerFont = font;
    headerFont.setPointSizeF(font.pointSizeF() * 0.9);
    painter.setFont(headerFont);
    painter.setPen(QColor(0x44, 0x44, 0x44));
    const QFontMetricsF metrics(headerFont, painter.device());

    const QRectF header(page.left(), page.top(), page.width(), kHeaderBandMm * dotsPerMm * 0.6);
    const QString date
        = QStringLiteral("%1  %2").arg(DayLogWriter::tr("Daily log"), day.toString(Qt::ISODate));
    const qreal dateWidth = metrics.horizontalAdvance(date);
    const QString name = metrics.elidedText(prjName.simplified(), Qt::ElideRight,
        std::max<qreal>(0, header.width() - dateWidth - 8 * dotsPerMm));
    painter.drawText(header, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, name);
    painter.drawText(header, Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine, date);
    painter.setPen(QPen(QColor(0x99, 0x99, 0x99), 0.25 * dotsPerMm));
    const qreal ruleY = header.bottom() + 1.5 * dotsPerMm;
    painter.drawLine(QPointF(page.left(), ruleY), QPointF(page.right(), ruleY));

    painter.setPen(QColor(0x66, 0x66, 0x66));
    const QRectF footer(page.left(), page.bottom() - kFooterBandMm * dotsPerMm, page.width(),
        kFooterBandMm * dotsPerMm);
    painter.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine,
        DayLogWriter::tr("Page %1 of %2").arg(pageNumber).arg(pages));
}

bool DayLogWriter::write(const QString &path, const QList<const SDynData *> &records)
{
    d->error.clear();
    d->pageCount = 0;
    d->images.clear();
    if (!d->day.isValid()) {
        d->error = tr("No valid day to write the log of");
        return false;
    }
    QSaveFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly)) {
        d->error = tr("Cannot write %1: %2")
                       .arg(QDir::toNativeSeparators(path),
                           path.isEmpty() ? tr("no file name given") : file.errorString());
        return false;
    }

    QPdfWriter writer(&file);
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(kSideMarginMm, kTopMarginMm, kSideMarginMm, kBottomMarginMm),
        QPageLayout::Millimeter));
    writer.setTitle(tr("Daily log %1 %2").arg(d->prjName, d->day.toString(Qt::ISODate)));
    writer.setCreator(QStringLiteral("dynfeed"));

    const qreal dotsPerMm = kResolution / 25.4;
    const QRectF page(0, 0, writer.width(), writer.height());
    const qreal headerHeight = kHeaderBandMm * dotsPerMm;
    const qreal footerHeight = kFooterBandMm * dotsPerMm;
    const QSizeF body(page.width(), page.height() - headerHeight - footerHeight);

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&writer);
    doc.setDefaultFont(d->font);
    doc.setDocumentMargin(0);
    // One long page: the pages are cut from it below, where records and lines end.
    doc.setTextWidth(body.width());
    QTextOption option = doc.defaultTextOption();
    // A very long word breaks rather than run off the page.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc.setDefaultTextOption(option);
    doc.setHtml(d->buildHtml(d->sections(records), doc));

    const QVector<DayLogPages::Slice> slices = DayLogPages::paginate(doc, body.height());
    const int pages = slices.size();
    QPainter painter;
    if (!painter.begin(&writer)) {
        d->error
            = tr("Cannot write %1: the PDF cannot be drawn").arg(QDir::toNativeSeparators(path));
        return false;
    }
    for (int index = 0; index < pages; ++index) {
        if (index > 0)
            writer.newPage();
        d->drawFrame(painter, page, index + 1, pages);
        const DayLogPages::Slice &slice = slices.at(index);
        painter.save();
        painter.translate(0, headerHeight - slice.contentTop);
        doc.drawContents(
            &painter, QRectF(0, slice.clipTop, body.width(), slice.clipBottom - slice.clipTop));
        painter.restore();
    }
    painter.end();
    d->images.clear();

    if (!file.commit()) {
        d->error
            = tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    d->pageCount = pages;
    return true;
}

QString DayLogWriter::errorString() const
{
    return d->error;
}

int DayLogWriter::pageCount() const
{
    return d->pageCount;
}
