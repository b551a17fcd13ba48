#include "common/TestMessages.h"

#include "DynKeys.h"

namespace TestMessages {

pb_im_t_msg_item plainItem(
    qint64 sendTime, const QString &body, int seqId, quint64 senderId, const QString &senderName)
{
    pb_im_t_msg_item item;
    item.set_f_msg_type(MsgType::Plain);
    if (seqId >= 0)
        item.set_f_msg_seq_id(seqId);
    item.set_f_msg_body(body.toStdString());
    item.set_f_sender_id(senderId);
    item.set_f_sender_name(senderName.toStdString());
    item.set_f_send_time(sendTime);
    return item;
}

pb_im_t_msg_item taskItem(
    qint64 sendTime, quint64 prjId, quint64 taskId, int operateType, int seqId, quint64 msgId)
{
    pb_im_t_msg_item item;
    item.set_f_msg_type(MsgType::Task);
    item.set_f_msg_seq_id(seqId);
    item.set_f_msg_id(msgId);
    item.set_f_msg_body("通知了任务");
    item.set_f_sender_id(2002);
    item.set_f_sender_name("李工");
    item.set_f_send_time(sendTime);
    pb_im_t_msg_task *task = item.mutable_f_msg_task();
    task->set_f_prj_id(prjId);
    task->set_f_task_id(taskId);
    task->set_f_task_desc("三层楼板验收");
    task->set_f_operate_type(operateType);
    task->add_f_receiver_uin(3003);
    task->add_f_operate_uin(2002);
    return item;
}

pb_clt_t_user message(const QList<pb_im_t_msg_item> &items)
{
    pb_clt_t_user user;
    for (const pb_im_t_msg_item &item : items)
        *user.mutable_f_im_msg()->add_f_msg() = item;
    return user;
}

pb_clt_t_user plainMessages(int n, qint64 firstTime, const QString &tag)
{
    QList<pb_im_t_msg_item> items;
    for (int i = 0; i < n; ++i)
        items << plainItem(firstTime + 60 * i, QStringLiteral("%1 %2").arg(tag).arg(i));
    return message(items);
}

} // namespace TestMessages
