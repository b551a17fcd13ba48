#include "feed/SDynData.h"

#include <QHash>

#include "DynKeys.h"

SDynData::SDynData(int kindCode)
    : kind(kindCode)
{ }

bool isValid(const SDynData *record)
{
    return record && record->kind >= -1 && record->kind <= 6 && !record->text.isEmpty();
}

QString taskTypeName(int code)
{
    static const QHash<int, QString> table {
        { 1, QStringLiteral("验收项") },
        { 2, QStringLiteral("问题项") },
        { 3, QStringLiteral("通知项") },
        { 4, QStringLiteral("其他") },
    };
    return table.value(code);
}

QString taskStatusName(int code)
{
    static const QHash<int, QString> table {
        { 0, QStringLiteral("进行中") },
        { 1, QStringLiteral("已完成") },
        { 2, QStringLiteral("延期") },
    };
    return table.value(code);
}

QString projectTypeName(int code)
{
    static const QHash<int, QString> table {
        { 1, QStringLiteral("建筑工程") },
        { 2, QStringLiteral("市政工程") },
        { 3, QStringLiteral("电力工程") },
        { 4, QStringLiteral("铁路工程") },
        { 5, QStringLiteral("公路工程") },
        { 6, QStringLiteral("冶金工程") },
        { 7, QStringLiteral("石化工程") },
        { 8, QStringLiteral("其他") },
    };
    return table.value(code);
}

const QStringList &jobTitles()
{
    static const QStringList titles {
        QStringLiteral("项目总工"),
        QStringLiteral("项目经理"),
        QStringLiteral("生产经理"),
        QStringLiteral("商务经理"),
        QStringLiteral("技术员"),
        QStringLiteral("施工员"),
        QStringLiteral("安全员"),
        QStringLiteral("质量员"),
        QStringLiteral("其他"),
    };
    return titles;
}

int taskNotifyKind(const SDynData *record)
{
    if (!record || record->kind != SDynData::KindTask)
        return 0;
    const QVariant op = record->extra.value(DynKey::operateType, -1);
    const int operateType = op.toInt();
    if (operateType < OperateType::Remind || operateType > OperateType::LastNotification)
        return 0;
    if (!record->extra.contains(DynKey::receiverUids) || !record->extra.contains(DynKey::msgId))
        return 0;
    return (operateType == OperateType::Remind || operateType == OperateType::Assign) ? 1 : 2;
}

bool isTaskNotifyPair(const SDynData *a, const SDynData *b)
{
    const int ka = taskNotifyKind(a);
    const int kb = taskNotifyKind(b);
    if (ka == 0 || kb == 0 || ka == kb)
        return false;
    return a->content.value(DynKey::taskId).toString()
        == b->content.value(DynKey::taskId).toString();
}
