#include "PrjTaskStorager.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

#include "Logging_p.h"
#include "PSVPushService.h"
#include "ProjectManager.h"
#include "msl.pb.h"

namespace {

const char kConnection[] = "dynfeed_prj_tasks";
const char kMemory[] = ":memory:";
constexpr quint32 kTaskMessageType = 7;

int s_writesLeft = -1; // negative: no limit

bool isUserId(const QString &text)
{
    bool numeric = false;
    const qulonglong value = text.toULongLong(&numeric);
    return numeric && value > 0;
}

/// The task a notification item carries: a task message's, or a project record's.
const pb_im_t_msg_task *taskOf(const pb_im_t_msg_item &item)
{
    if (item.has_f_msg_task())
        return &item.f_msg_task();
    if (item.has_f_msg_prj_record() && item.f_msg_prj_record().has_f_task_info())
        return &item.f_msg_prj_record().f_task_info();
    return nullptr;
}

quint64 newMessageId()
{
    // Milliseconds with three digits to count in: unique within the process, and above the ids
    // that clients hand out by their clocks.
    static quint64 last = 0;
    last = std::max(last + 1, quint64(QDateTime::currentMSecsSinceEpoch()) * 1000);
    return last;
}

} // namespace

PrjTaskStorager &PrjTaskStorager::instance()
{
    static PrjTaskStorager *const store = [] {
        auto *created = new PrjTaskStorager;
        // The connection goes before the application and Qt's SQL plugins do.
        qAddPostRoutine([] { PrjTaskStorager::instance().close(); });
        return created;
    }();
    return *store;
}

QString PrjTaskStorager::storePath()
{
    const QString pushPath = PSVPushService::storePath();
    if (pushPath.isEmpty())
        return QString();
    return QFileInfo(pushPath).absoluteDir().filePath(QStringLiteral("prjtasks.sqlite"));
}

void PrjTaskStorager::setFailAfter(int operations)
{
    s_writesLeft = operations;
}

QList<TaskOperation> PrjTaskStorager::taskOperations(const QString &msgId)
{
    QList<TaskOperation> operations;
    if (msgId.isEmpty() || !ensureOpen())
        return operations;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral(
        "SELECT prj_id, task_id, msg_id, operate_type, answer_type, user_id, receiver_uid, time"
        " FROM task_operations WHERE msg_id = ? ORDER BY id"));
    query.addBindValue(msgId);
    if (!query.exec()) {
        qCWarning(lcPush()) << "cannot read the operations of notification" << msgId << ":"
                            << query.lastError().text();
        return operations;
    }
    while (query.next()) {
        TaskOperation operation;
        operation.prjId = query.value(0).toString();
        operation.taskId = query.value(1).toString();
        operation.msgId = query.value(2).toString();
        operation.operateType = query.value(3).toInt();
        operation.answerType = query.value(4).toInt();
        operation.userId = query.value(5).toString();
        operation.receiverUid = query.value(6).toString();
        operation.time = query.value(7).toLongLong();
        operations << operation;
    }
    return operations;
}

bool PrjTaskStorager::notifyTaskReceiver(
    const QString &taskId, int operateType, const QString &receiverUid, const QString &msgId)
{
    if (operateType != TaskOperate_Remind && operateType != TaskOperate_Notify) {
        qCWarning(lcPush()) << "notification" << msgId << "of operate type" << operateType
                            << "asks for no reminder";
        return false;
    }
    if (!isUserId(receiverUid)) {
        qCWarning(lcPush()) << "cannot remind" << receiverUid << "of task" << taskId
                            << ": not a user id";
        return false;
    }
    const int answer
        = operateType == TaskOperate_Remind ? TaskOperate_Reminded : TaskOperate_Notified;
    return operate(taskId, operateType, answer, receiverUid, msgId);
}

bool PrjTaskStorager::confirmTaskNotify(
    const QString &taskId, int operateType, const QString &msgId)
{
    if (operateType != TaskOperate_Reminded && operateType != TaskOperate_Notified
        && operateType != TaskOperate_Notice) {
        qCWarning(lcPush()) << "notification" << msgId << "of operate type" << operateType
                            << "asks for no acknowledgement";
        return false;
    }
    return operate(taskId, operateType, TaskOperate_Confirmed, QLatin1String(""), msgId);
}

bool PrjTaskStorager::operate(const QString &taskId, int operateType, int answerType,
    const QString &receiverUid, const QString &msgId)
{
    const QString userId = ProjectManager::currentUserId();
    if (!isUserId(userId)) {
        qCWarning(lcPush()) << "no signed-in user to operate on task" << taskId;
        return false;
    }
    bool numeric = false;
    const quint64 number = msgId.toULongLong(&numeric);
    QString groupId;
    pb_im_t_msg_item notification;
    if (!numeric || !PSVPushService::findItem(number, &groupId, &notification)) {
        qCWarning(lcPush()) << "no notification" << msgId << "for task" << taskId;
        return false;
    }
    const pb_im_t_msg_task *task = taskOf(notification);
    if (!task || QString::number(task->f_task_id()) != taskId) {
        qCWarning(lcPush()) << "notification" << msgId << "is not about task" << taskId;
        return false;
    }
    if (!ensureOpen())
        return false;

    const auto fail = [&](const QString &why) {
        qCWarning(lcPush()) << "cannot record the operation on notification" << msgId << ":" << why;
        m_db.rollback();
        return false;
    };
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    if (s_writesLeft == 0)
        return fail(QStringLiteral("the store refuses writes"));
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral(
        "INSERT INTO task_operations (prj_id, task_id, msg_id, operate_type, answer_type,"
        " user_id, receiver_uid, time) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant &value : { QVariant(groupId), QVariant(taskId), QVariant(msgId),
             QVariant(operateType), QVariant(answerType), QVariant(userId), QVariant(receiverUid),
             QVariant(QDateTime::currentSecsSinceEpoch()) })
        query.addBindValue(value);
    if (!query.exec())
        return fail(query.lastError().text());

    query.prepare(QStringLiteral("SELECT answer_msg_id FROM task_answers WHERE msg_id = ? AND"
                                 " answer_type = ? AND user_id = ?"));
    query.addBindValue(msgId);
    query.addBindValue(answerType);
    query.addBindValue(userId);
    if (!query.exec())
        return fail(query.lastError().text());
    const bool answered = query.next();
    query.finish();
    if (!answered) {
        QString answerMsgId;
        if (!publishAnswer(groupId, notification, answerType, &answerMsgId))
            return fail(QStringLiteral("the answer could not be published"));
        query.prepare(QStringLiteral("INSERT INTO task_answers (msg_id, answer_type, user_id,"
                                     " answer_msg_id) VALUES (?, ?, ?, ?)"));
        query.addBindValue(msgId);
        query.addBindValue(answerType);
        query.addBindValue(userId);
        query.addBindValue(answerMsgId);
        if (!query.exec())
            return fail(query.lastError().text());
    }
    if (!m_db.commit())
        return fail(m_db.lastError().text());
    if (s_writesLeft > 0)
        --s_writesLeft;
    return true;
}

bool PrjTaskStorager::publishAnswer(const QString &groupId, const pb_im_t_msg_item &notification,
    int answerType, QString *answerMsgId)
{
    const quint64 sender = ProjectManager::currentUserId().toULongLong();
    const QString name = ProjectManager::currentUserName();
    const pb_im_t_msg_task &task = *taskOf(notification);

    pb_clt_t_user message;
    pb_im_t_msg_item *answer = message.mutable_f_im_msg()->add_f_msg();
    answer->set_f_msg_type(kTaskMessageType);
    answer->set_f_msg_id(newMessageId());
    answer->set_f_sender_id(sender);
    answer->set_f_sender_name(name.toStdString());
    answer->set_f_send_time(QDateTime::currentSecsSinceEpoch());
    QString body;
    if (answerType == TaskOperate_Confirmed) {
        body = name + QStringLiteral("确认收到了任务提醒");
    } else {
        const QString people = QString::fromStdString(task.f_assign_desc());
        body = name
            + QStringLiteral("提醒%1尽快处理任务")
                  .arg(people.isEmpty() ? QStringLiteral("任务接收人") : people);
    }
    answer->set_f_msg_body(body.toStdString());
    pb_im_t_msg_task *answerTask = answer->mutable_f_msg_task();
    *answerTask = task;
    answerTask->clear_f_last_report();
    answerTask->set_f_operate_type(answerType);
    // The operator has done their part: the answer offers them no button.
    answerTask->clear_f_operate_uin();
    answerTask->add_f_operate_uin(sender);
    answerTask->set_f_operate_status(answerType == TaskOperate_Confirmed ? 1 : 0);

    if (PSVPushService::publish(groupId, message).isEmpty())
        return false;
    *answerMsgId = QString::number(answer->f_msg_id());
    return true;
}

bool PrjTaskStorager::ensureOpen()
{
    const QString path = storePath();
    const QString wanted = path.isEmpty() ? QString::fromLatin1(kMemory) : path;
    if (m_db.isOpen() && wanted == m_openPath)
        return true;
    close();
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kConnection));
    m_db.setDatabaseName(wanted);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    QString error;
    bool opened = m_db.open();
    if (!opened) {
        error = m_db.lastError().text();
    } else {
        QSqlQuery query(m_db);
        for (const char *statement :
            { "CREATE TABLE IF NOT EXISTS task_operations ("
              " id INTEGER PRIMARY KEY AUTOINCREMENT, prj_id TEXT NOT NULL,"
              " task_id TEXT NOT NULL, msg_id TEXT NOT NULL, operate_type INTEGER NOT NULL,"
              " answer_type INTEGER NOT NULL, user_id TEXT NOT NULL,"
              " receiver_uid TEXT NOT NULL, time INTEGER NOT NULL)",
                "CREATE INDEX IF NOT EXISTS task_operations_msg ON task_operations (msg_id)",
                // One answer per notification, answer type and operator.
                "CREATE TABLE IF NOT EXISTS task_answers (msg_id TEXT NOT NULL,"
                " answer_type INTEGER NOT NULL, user_id TEXT NOT NULL,"
                " answer_msg_id TEXT NOT NULL, PRIMARY KEY (msg_id, answer_type, user_id))" }) {
            if (!query.exec(QString::fromLatin1(statement))) {
                error = query.lastError().text();
                opened = false;
                break;
            }
        }
    }
    if (!opened) {
        qCWarning(lcPush()) << "cannot open the task store" << wanted << ":" << error;
        close();
        return false;
    }
    m_openPath = wanted;
    return true;
}

void PrjTaskStorager::close()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(kConnection));
    m_openPath.clear();
}
