#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include "msl.pb.h"

/// Small builders of push messages for the tests.
namespace TestMessages {

/// A plain message item from a sender, sent at the given second.
pb_im_t_msg_item plainItem(qint64 sendTime, const QString &body, int seqId = -1,
    quint64 senderId = 1001, const QString &senderName = QStringLiteral("王工"));

/// A task message item on a task of a project, with the notification fields.
pb_im_t_msg_item taskItem(
    qint64 sendTime, quint64 prjId, quint64 taskId, int operateType, int seqId, quint64 msgId);

/// Wraps items into one push message.
pb_clt_t_user message(const QList<pb_im_t_msg_item> &items);

/// A message of n plain items sent one minute apart from firstTime, without sequence numbers
/// (the push service numbers them).
pb_clt_t_user plainMessages(int n, qint64 firstTime, const QString &tag = QString());

} // namespace TestMessages
