#pragma once

#include "dynfeed_export.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantHash>

/// One entry of the project feed: who caused it, when, a one-line summary and the fields of its
/// kind. Created by the conversion, owned by the controller's list; views hold pointers only.
struct DYNFEED_EXPORT SDynData
{
    enum Kind {
        KindText = 0,
        KindTask = 1,
        KindTaskReport = 2,
        KindProjectInfo = 3,
        KindWeather = 4,
        KindAttachment = 5,
    };

    explicit SDynData(int kind);

    const int kind;
    QString text;
    QByteArray rawData; // kept for the record's layout; nothing fills or reads it
    QVariantHash content;
    QString userId;
    QString userName;
    QString userJob;
    QString userHeader;
    QDateTime dateTime;
    int seqId = -1;
    QVariantHash extra;
};

/// True when the kind lies in -1..6 and the summary is not empty.
DYNFEED_EXPORT bool isValid(const SDynData *record);

/// Value tables; a code they do not hold gives an empty string.
DYNFEED_EXPORT QString taskTypeName(int code);
DYNFEED_EXPORT QString taskStatusName(int code);
DYNFEED_EXPORT QString projectTypeName(int code);
/// The nine job titles, in order; any other title shows as the last one.
DYNFEED_EXPORT const QStringList &jobTitles();
/// One of the names above as shown in the installed language; records keep the names themselves.
DYNFEED_EXPORT QString shownValueName(const QString &name);

/// 0 when the record is no task notification, else 1 (notify) or 2 (answer).
DYNFEED_EXPORT int taskNotifyKind(const SDynData *record);
/// Whether two records are complementary notifications on the same task.
DYNFEED_EXPORT bool isTaskNotifyPair(const SDynData *a, const SDynData *b);
