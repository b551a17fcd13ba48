#include "feed/SDynData.h"

#include <QCoreApplication>
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
        { 1, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "验收项")) },
        { 2, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "问题项")) },
        { 3, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "通知项")) },
        { 4, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "其他")) },
    };
    return table.value(code);
}

QString taskStatusName(int code)
{
    static const QHash<int, QString> table {
        { 0, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "进行中")) },
        { 1, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "已完成")) },
        { 2, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "延期")) },
    };
    return table.value(code);
}

QString projectTypeName(int code)
{
    static const QHash<int, QString> table {
        { 1, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "建筑工程")) },
        { 2, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "市政工程")) },
        { 3, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "电力工程")) },
        { 4, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "铁路工程")) },
        { 5, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "公路工程")) },
        { 6, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "冶金工程")) },
        { 7, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "石化工程")) },
        { 8, QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "其他")) },
    };
    return table.value(code);
}

const QStringList &jobTitles()
{
    static const QStringList titles {
        QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "项目总工")),
        QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "项目经理")),
        QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "生产经理")),
        QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "商务经理")),
        QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "技术员")),
        QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "施工员")),
        QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "安全员")),
        QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "质量员")),
        QString::fromUtf8(QT_TRANSLATE_NOOP("SDynData", "其他")),
    };
    return titles;
}

QString shownValueName(const QString &name)
{
    return QCoreApplication::translate("SDynData", name.toUtf8().constData());
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
