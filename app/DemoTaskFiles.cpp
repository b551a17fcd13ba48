#include "DemoTaskFiles.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QUrl>

#include "CloudFileService.h"
#include "PSVPushService.h"
#include "samples/SampleTasks.h"

namespace {

constexpr QLatin1String kVoiceSuffix(".amr");

/// A stand-in for a site photo or a document page: the file's name on a plain sheet.
void writeStandIn(const QString &path, const QString &name)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("png")) {
        QImage image(800, 600, QImage::Format_RGB32);
        image.fill(QColor(0x8d, 0x9b, 0xae));
        QPainter painter(&image);
        painter.fillRect(80, 120, 640, 360, QColor(0xc9, 0xb4, 0x8f));
        QFont font;
        font.setPixelSize(36);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(image.rect(), Qt::AlignCenter, name);
        painter.end();
        image.save(path, suffix == QLatin1String("png") ? "PNG" : "JPG");
        return;
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QStringLiteral("%1\ndynfeed demo file contents\n").arg(name).toUtf8());
}

/// The spoken note kept for a voice note id; the sample's own ids keep theirs.
void storeVoice(const QString &url, int *borrowed)
{
    const QString id = QUrl(url).fileName();
    const QString path = CloudFileStore::filePath(id);
    if (path.isEmpty() || QFileInfo::exists(path))
        return;
    const QStringList spoken = SampleTasks::voiceNoteIds();
    const QString source = spoken.contains(id) ? id : spoken.at((*borrowed)++ % spoken.size());
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::copy(QStringLiteral(":/voice/%1").arg(source), path);
}

void storeByName(const QString &name)
{
    const QString path = CloudFileStore::filePath(name);
    if (!path.isEmpty() && !QFileInfo::exists(path))
        writeStandIn(path, name);
}

} // namespace

namespace DemoTaskFiles {

void store(const QList<pb_clt_t_user> &messages)
{
    int borrowed = 0;
    for (const pb_clt_t_user &message : messages) {
        for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg()) {
            for (const pb_im_t_msg_attach &attach : item.f_attch()) {
                if (QString::fromStdString(attach.f_attach_name()).endsWith(kVoiceSuffix))
                    storeVoice(QString::fromStdString(attach.f_attach_url()), &borrowed);
            }
            const pb_im_t_msg_task &task = item.f_msg_task();
            for (const std::string &text :
                { task.f_task_desc(), task.f_last_report().f_content() }) {
                if (QString::fromStdString(text).endsWith(kVoiceSuffix))
                    storeVoice(QString::fromStdString(text), &borrowed);
            }
            for (const pb_prj_t_base_file &file : task.f_last_report().f_attach_list())
                storeByName(QString::fromStdString(file.f_baseinfo().f_attach_name()));
        }
    }
}

bool publishIfMissing(const QString &prjId, QString *error)
{
    const QList<pb_clt_t_user> messages = SampleTasks::messages();
    QString group;
    pb_im_t_msg_item item;
    if (messages.isEmpty()
        || PSVPushService::findItem(messages.first().f_im_msg().f_msg(0).f_msg_id(), &group, &item))
        return true;
    for (const pb_clt_t_user &message : messages) {
        if (PSVPushService::publish(prjId, message).isEmpty()) {
            *error = QStringLiteral("cannot publish the sample's tasks into %1")
                         .arg(PSVPushService::storePath());
            return false;
        }
    }
    return true;
}

} // namespace DemoTaskFiles
