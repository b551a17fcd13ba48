#include "DemoStore.h"

#include <QColor>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSaveFile>

#include "CloudFileService.h"
#include "DemoTaskFiles.h"
#include "PSVPushService.h"
#include "samples/SampleProject.h"
#include "samples/SampleWeather.h"

namespace {

const QColor kPalette[] = {
    QColor(0x3d, 0x8a, 0xf7),
    QColor(0x2f, 0xb3, 0x80),
    QColor(0xf5, 0x9e, 0x0b),
    QColor(0xe5, 0x48, 0x4d),
    QColor(0x8b, 0x5c, 0xf6),
    QColor(0x14, 0xb8, 0xa6),
};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

/// A square avatar: the member's surname on a colour of its own.
QImage avatarOf(const SampleMember &member, int index)
{
    QImage image(140, 140, QImage::Format_ARGB32_Premultiplied);
    image.fill(kPalette[index % int(std::size(kPalette))]);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font;
    font.setPixelSize(64);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(image.rect(), Qt::AlignCenter, member.name.left(1));
    return image;
}

/// A site photo stand-in: sky, a building frame and the file's name.
QImage pictureFor(const QString &name, int seed)
{
    QImage image(960, 720, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 720);
    sky.setColorAt(0, QColor(0x9c, 0xc9, 0xf5));
    sky.setColorAt(1, QColor(0xe6, 0xf0, 0xfa));
    painter.fillRect(image.rect(), sky);
    painter.fillRect(0, 600, 960, 120, QColor(0x8d, 0x7b, 0x68));
    const int floors = 8 + seed % 10;
    const int left = 240 + (seed * 37) % 200;
    for (int floor = 0; floor < floors; ++floor) {
        const int y = 600 - (floor + 1) * 28;
        painter.fillRect(
            left, y, 360, 24, floor % 2 ? QColor(0x9e, 0xa7, 0xb3) : QColor(0xb8, 0xc0, 0xcc));
    }
    painter.setPen(QPen(QColor(0xf5, 0x9e, 0x0b), 8));
    painter.drawLine(left + 380, 600 - floors * 28 - 80, left + 380, 600);
    painter.drawLine(left + 180, 600 - floors * 28 - 80, left + 620, 600 - floors * 28 - 80);
    QFont font;
    font.setPixelSize(28);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(24, 660, 912, 50), Qt::AlignLeft | Qt::AlignVCenter, name);
    return image;
}

bool isPictureName(const QString &name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")
        || suffix == QLatin1String("png") || suffix == QLatin1String("bmp");
}

void storeAttachment(const pb_im_t_msg_attach &attach, int seed)
{
    const QString id = QString::fromStdString(attach.f_attach_id());
    const QString path = CloudFileStore::filePath(id);
    if (path.isEmpty() || QFileInfo::exists(path))
        return; // hostile ids name no entry: the feed shows their failure as it would
    const QString name = QString::fromStdString(attach.f_attach_name());
    if (isPictureName(name)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        const bool png = name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
        pictureFor(name, seed).save(path, png ? "PNG" : "JPG");
        return;
    }
    QByteArray bytes = QStringLiteral("%1\n").arg(name).toUtf8();
    const int size = qBound(1, attach.f_attach_size(), 256 * 1024);
    while (bytes.size() < size)
        bytes += QByteArrayLiteral("dynfeed demo file contents\n");
    bytes.truncate(size);
    writeFile(path, bytes);
}

void storeAttachments(const pb_clt_t_user &message, int *seed)
{
    if (!message.has_f_im_msg())
        return;
    for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg()) {
        for (const pb_im_t_msg_attach &attach : item.f_attch())
            storeAttachment(attach, ++*seed);
        if (item.has_f_msg_task() && item.f_msg_task().has_f_last_report()) {
            for (const pb_prj_t_base_file &file : item.f_msg_task().f_last_report().f_attach_list())
                storeAttachment(file.f_baseinfo(), ++*seed);
        }
        for (const pb_prj_t_base_file &file : item.f_msg_prj_record().f_files())
            storeAttachment(file.f_baseinfo(), ++*seed);
    }
}

} // namespace

bool DemoStore::prepare(const QString &dataDir, QString *error)
{
    QDir().mkpath(dataDir);
    PSVPushService::setStorePath(dataDir + QStringLiteral("/push.sqlite"));
    CloudFileStore::setRootPath(dataDir + QStringLiteral("/cloud"));

    const QList<SampleMember> members = SampleProject::members();
    for (int i = 0; i < members.size(); ++i) {
        const QString path = CloudFileStore::userHeaderPath(members.at(i).userId());
        if (!path.isEmpty() && !QFileInfo::exists(path)) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            avatarOf(members.at(i), i).save(path, "PNG");
        }
    }

    const QList<pb_clt_t_user> messages = SampleProject::messages();
    int seed = 0;
    for (const pb_clt_t_user &message : messages)
        storeAttachments(message, &seed);
    DemoTaskFiles::store(messages);

    const QString prjId = SampleProject::projectId();
    int initSeq = 0;
    int seq = 0;
    PSVPushService::groupSeqIds(prjId, &initSeq, &seq);
    if (seq == 0) {
        for (const pb_clt_t_user &message : messages + SampleWeather::storyForecasts()) {
            if (PSVPushService::publish(prjId, message).isEmpty()) {
                *error = QStringLiteral("cannot publish the sample project into %1")
                             .arg(PSVPushService::storePath());
                return false;
            }
        }
    } else if (!DemoTaskFiles::publishIfMissing(prjId, error)) { // a store of an older sample
        return false;
    }
    publishForecast(dataDir, QDate::currentDate());
    return true;
}

void DemoStore::publishForecast(const QString &dataDir, const QDate &today)
{
    // Once a day, as the weather service would.
    const QString stampPath = dataDir + QStringLiteral("/forecast.stamp");
    const QByteArray stamp = today.toString(Qt::ISODate).toLatin1();
    QFile last(stampPath);
    if (last.open(QIODevice::ReadOnly) && last.readAll() == stamp)
        return;
    if (!PSVPushService::publish(SampleProject::projectId(), SampleWeather::forecast(today, 4))
             .isEmpty())
        writeFile(stampPath, stamp);
}
