#include "SafeFileName.h"

#include <QCryptographicHash>

namespace {

bool hasSeparatorOrNul(const QString &text)
{
    return text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\\'))
        || text.contains(QChar(u'\0'));
}

} // namespace

bool isSafeFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !hasSeparatorOrNul(name);
}

QString safeFileName(const QString &name)
{
    if (isSafeFileName(name))
        return name;

    QString safe = QString::fromLatin1(
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex());
    // Keeping the suffix keeps the picture test and the file-type icon working on the safe name.
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot < 0 ? QString() : name.mid(dot + 1);
    if (!suffix.isEmpty() && !hasSeparatorOrNul(suffix))
        safe += QLatin1Char('.') + suffix;
    return safe;
}
