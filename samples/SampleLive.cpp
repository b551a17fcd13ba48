#include "samples/SampleLive.h"

#include <QDateTime>
#include <QStringList>
#include <QVector>

#include "samples/SampleProject.h"

#include "DynKeys.h"

namespace {

// Placeholders: %floor a floor of the tower, %clock a time of day, %few a handful, %count a
// dozen or so, %tons a delivery's weight, %crew the day's workers.
const QStringList &noticeTexts()
{
    static const QStringList texts {
        QStringLiteral("%floor层顶板混凝土浇筑完成，开始洒水养护。"),
        QStringLiteral("塔吊例行检查完成，钢丝绳和限位装置正常。"),
        QStringLiteral("%clock在项目部会议室召开安全例会，请各班组长准时参加。"),
        QStringLiteral("外架连墙件复查完毕，发现%few处松动已紧固。"),
        QStringLiteral("幕墙单元板第%count批进场，请质量员抽检。"),
        QStringLiteral("%floor层核心筒墙柱钢筋绑扎完成，请监理%clock验收。"),
        QStringLiteral("商砼站通知：%floor层楼板混凝土%clock开始供料。"),
        QStringLiteral("施工电梯%clock起停运维保两小时，请提前安排材料运输。"),
        QStringLiteral("今日劳务出勤%crew人，已全部完成实名制刷卡。"),
        QStringLiteral("%floor层楼梯间临边防护已补设，请安全员复查。"),
        QStringLiteral("钢筋进场%tons吨，已取样送检。"),
        QStringLiteral("测量复核：%floor层轴线偏差最大3mm，在允许范围内。"),
        QStringLiteral("动火作业%few处均已办理动火证，看火人到位。"),
        QStringLiteral("甲方代表%clock到现场检查样板间，请保持通道整洁。"),
        QStringLiteral("%floor层模板支撑体系验收合格，可以绑扎梁板钢筋。"),
        QStringLiteral("生活区消防通道已清理，灭火器%count具全部检查合格。"),
        QStringLiteral("机电预留预埋已完成%floor层，请土建配合封模。"),
        QStringLiteral("夜间施工许可证已办好，今晚浇筑%floor层楼板。"),
    };
    return texts;
}

const QStringList &fileNames()
{
    static const QStringList names {
        QStringLiteral("%floor层结构施工图（变更版）.dwg"),
        QStringLiteral("%floor层隐蔽验收记录.docx"),
        QStringLiteral("本周安全检查通报.pdf"),
        QStringLiteral("混凝土浇筑申请单（%floor层顶板）.pdf"),
        QStringLiteral("周进度计划.xlsx"),
        QStringLiteral("钢筋进场台账.xlsx"),
        QStringLiteral("监理例会纪要.docx"),
        QStringLiteral("幕墙深化图纸.zip"),
        QStringLiteral("现场平面布置图.png"),
        QStringLiteral("塔吊附着方案.pdf"),
    };
    return names;
}

enum Kind { Notice, Photos, Upload, SharedFile, FileMessage };

// Out of ten messages: half notices, the rest files and photos.
const QVector<Kind> kKinds { Notice, Notice, Notice, Notice, Notice, Photos, Upload, Upload,
    SharedFile, FileMessage };

/// splitmix64: the same numbers on every machine.
class Mix
{
public:
    explicit Mix(quint64 seed)
        : m_state(seed)
    { }

    quint32 draw()
    {
        quint64 z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return quint32((z ^ (z >> 31)) >> 32);
    }
    int below(int n) { return n <= 0 ? 0 : int(draw() % quint32(n)); }

private:
    quint64 m_state;
};

/// Round r of a deck of size cards, shuffled by its number.
QVector<int> round(quint64 r, int size, quint32 deck)
{
    QVector<int> cards(size);
    for (int i = 0; i < size; ++i)
        cards[i] = i;
    Mix mix(r * 0x100000001b3ULL + deck);
    for (int i = size - 1; i > 0; --i)
        std::swap(cards[i], cards[mix.below(i + 1)]);
    return cards;
}

/// The card that message n draws from a deck: every card once per round of size messages, and a
/// round never begins with the card that ended the one before.
int deal(quint64 n, int size, quint32 deck)
{
    const quint64 r = n / quint64(size);
    QVector<int> cards = round(r, size, deck);
    if (r > 0 && size > 1 && cards.constFirst() == round(r - 1, size, deck).constLast())
        std::swap(cards[0], cards[1]);
    return cards.at(int(n % quint64(size)));
}

QString fillIn(QString text, Mix &mix)
{
    text.replace(QLatin1String("%floor"), QString::number(20 + mix.below(12)));
    text.replace(QLatin1String("%few"), QString::number(1 + mix.below(5)));
    text.replace(QLatin1String("%count"), QString::number(2 + mix.below(11)));
    text.replace(QLatin1String("%tons"), QString::number(18 + mix.below(29)));
    text.replace(QLatin1String("%crew"), QString::number(90 + mix.below(70)));
    text.replace(QLatin1String("%clock"),
        QStringLiteral("%1:%2")
            .arg(8 + mix.below(10))
            .arg(mix.below(4) * 15, 2, 10, QLatin1Char('0')));
    return text;
}

QString fileId(Mix &mix)
{
    return QStringLiteral("live-%1").arg(mix.draw(), 8, 16, QLatin1Char('0'));
}

void fillFile(pb_im_t_msg_attach *attach, const QString &name, int maxBytes, Mix &mix)
{
    const QString id = fileId(mix);
    attach->set_f_attach_name(name.toStdString());
    attach->set_f_attach_size(int(20 * 1024 + mix.draw() % quint32(maxBytes)));
    attach->set_f_attach_id(id.toStdString());
    attach->set_f_attach_url(
        QStringLiteral("https://files.example.com/f/%1").arg(id).toStdString());
    attach->set_f_attach_type(AttachType::File);
}

pb_im_t_msg_item *addItem(
    pb_clt_t_user &message, quint32 type, const SampleMember &sender, const QString &body)
{
    pb_im_t_msg_item *item = message.mutable_f_im_msg()->add_f_msg();
    item->set_f_msg_type(type);
    item->set_f_sender_id(sender.uid);
    item->set_f_sender_name(sender.name.toStdString());
    item->set_f_msg_body(body.toStdString());
    return item;
}

} // namespace

SampleLiveMessages::SampleLiveMessages(quint64 firstNumber)
    : m_next(firstNumber)
{ }

pb_clt_t_user SampleLiveMessages::next(qint64 sendTime)
{
    return message(m_next++, sendTime);
}

pb_clt_t_user SampleLiveMessages::message(quint64 number, qint64 sendTime)
{
    const QList<SampleMember> members = SampleProject::members();
    const SampleMember &author = members.at(deal(number, members.size(), 1));
    const QString file = fileNames().at(deal(number, fileNames().size(), 2));
    Mix mix(number);
    pb_clt_t_user message;
    switch (kKinds.at(deal(number, kKinds.size(), 3))) {
    case Notice: {
        const QString text = noticeTexts().at(deal(number, noticeTexts().size(), 4));
        addItem(message, MsgType::Plain, author,
            author.name + QStringLiteral("：") + fillIn(text, mix));
        break;
    }
    case Photos: {
        pb_im_t_msg_item *item = addItem(
            message, MsgType::Picture, author, author.name + QStringLiteral("发送了图片"));
        const int count = 1 + mix.below(3);
        for (int i = 0; i < count; ++i) {
            const QString id = fileId(mix);
            const QString taken
                = QDateTime::fromSecsSinceEpoch(sendTime - 40 * (count - i), Qt::UTC)
                      .toString(QStringLiteral("yyyyMMdd_hhmmss"));
            pb_im_t_msg_attach *attach = item->add_f_attch();
            attach->set_f_attach_name(QStringLiteral("IMG_%1.jpg").arg(taken).toStdString());
            attach->set_f_attach_size(int(900 * 1024 + mix.draw() % (3200 * 1024)));
            attach->set_f_attach_id(id.toStdString());
            attach->set_f_attach_url(
                QStringLiteral("https://files.example.com/img/%1.jpg").arg(id).toStdString());
            attach->set_f_attach_type(AttachType::Picture);
        }
        break;
    }
    case Upload:
    case SharedFile: {
        const bool upload = kKinds.at(deal(number, kKinds.size(), 3)) == Upload;
        const QString body
            = author.name + (upload ? QStringLiteral("上传了文件") : QStringLiteral("分享了文件"));
        pb_im_t_msg_prj_record *record
            = addItem(message, MsgType::ProjectRecord, author, body)->mutable_f_msg_prj_record();
        record->set_record_type(upload ? RecordType::FileUploaded : RecordType::FileShared);
        pb_im_t_msg_prj_record_base_user *sender = record->mutable_sender();
        sender->set_f_uid(author.uid);
        sender->set_f_name(author.name.toStdString());
        sender->set_f_job_type(author.jobTitle.toStdString());
        fillFile(record->add_f_files()->mutable_f_baseinfo(), fillIn(file, mix), 8 << 20, mix);
        break;
    }
    case FileMessage:
        fillFile(addItem(message, MsgType::File, author, author.name + QStringLiteral("发送了文件"))
                     ->add_f_attch(),
            fillIn(file, mix), 4 << 20, mix);
        break;
    }
    for (pb_im_t_msg_item &item : *message.mutable_f_im_msg()->mutable_f_msg()) {
        item.set_f_send_time(sendTime);
        item.set_f_msg_id((quint64(mix.draw()) << 32) | mix.draw());
    }
    return message;
}
