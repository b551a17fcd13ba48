#include "samples/SampleFiles.h"

#include <QBuffer>
#include <QColor>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSet>

#include <iterator>

#include "samples/SampleProject.h"

namespace {

const QColor kPalette[] = {
    QColor(0x3d, 0x8a, 0xf7),
    QColor(0x2f, 0xb3, 0x80),
    QColor(0xf5, 0x9e, 0x0b),
    QColor(0xe5, 0x48, 0x4d),
    QColor(0x8b, 0x5c, 0xf6),
    QColor(0x14, 0xb8, 0xa6),
};

/// A square avatar: the member's surname on a colour of its own.
QImage avatarOf(const QString &name, int index)
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
    painter.drawText(image.rect(), Qt::AlignCenter, name.left(1));
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

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

void addAttachment(
    const pb_im_t_msg_attach &attach, int *seed, QSet<QString> *seen, QList<SampleFile> *files)
{
    ++*seed; // counted for every attachment, so that a picture keeps its look
    SampleFile file;
    file.id = QString::fromStdString(attach.f_attach_id());
    if (file.id.isEmpty() || seen->contains(file.id))
        return;
    seen->insert(file.id);
    file.name = QString::fromStdString(attach.f_attach_name());
    file.size = attach.f_attach_size();
    file.seed = *seed;
    files->append(file);
}

} // namespace

QList<SampleFile> SampleFiles::all()
{
    QList<SampleFile> files;
    const QList<SampleMember> members = SampleProject::members();
    for (int i = 0; i < members.size(); ++i) {
        SampleFile avatar;
        avatar.kind = SampleFile::Avatar;
        avatar.id = members.at(i).userId();
        avatar.name = members.at(i).name;
        avatar.seed = i;
        files << avatar;
    }
    int seed = 0;
    QSet<QString> seen;
    for (const pb_clt_t_user &message : SampleProject::messages()) {
        for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg()) {
            for (const pb_im_t_msg_attach &attach : item.f_attch())
                addAttachment(attach, &seed, &seen, &files);
            for (const pb_prj_t_base_file &file : item.f_msg_task().f_last_report().f_attach_list())
                addAttachment(file.f_baseinfo(), &seed, &seen, &files);
            for (const pb_prj_t_base_file &file : item.f_msg_prj_record().f_files())
                addAttachment(file.f_baseinfo(), &seed, &seen, &files);
        }
    }
    return files;
}

QByteArray SampleFiles::contents(const SampleFile &file)
{
    if (file.kind == SampleFile::Avatar)
        return encoded(avatarOf(file.name, file.seed), "PNG");
    if (isPictureName(file.name)) {
        const bool png = file.name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
        return encoded(pictureFor(file.name, file.seed), png ? "PNG" : "JPG");
    }
    QByteArray bytes = QStringLiteral("%1\n").arg(file.name).toUtf8();
    const int size = qBound(1, file.size, 256 * 1024);
    while (bytes.size() < size)
        bytes += QByteArrayLiteral("dynfeed demo file contents\n");
    bytes.truncate(size);
    return bytes;
}
