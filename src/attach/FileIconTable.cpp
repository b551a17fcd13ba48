#include "attach/FileIconTable.h"

FileIconTable::FileIconTable()
{
    struct Entry
    {
        const char *suffix;
        const char *icon;
    };
    // Several suffixes share one picture; each has a plain icon and a tile-shaped one.
    static const Entry entries[] = {
        { "bmp", "bmp" },
        { "rtf", "doc" },
        { "doc", "doc" },
        { "docx", "doc" },
        { "xls", "xls" },
        { "xlsx", "xls" },
        { "dwg", "dwg" },
        { "gif", "gif" },
        { "jpg", "jpg" },
        { "JPG", "jpg" },
        { "jpeg", "jpg" },
        { "JPEG", "jpg" },
        { "pdf", "pdf" },
        { "PNG", "png" },
        { "png", "png" },
        { "rar", "rar" },
        { "txt", "txt" },
        { "zip", "zip" },
        { "file", "file" },
    };
    for (const Entry &entry : entries) {
        const QString suffix = QString::fromLatin1(entry.suffix);
        const QString icon = QString::fromLatin1(entry.icon);
        m_icons.insert(suffix, QStringLiteral(":/icon/Resources/images/%1.png").arg(icon));
        m_icons.insert(suffix + QLatin1String("_Shape"),
            QStringLiteral(":/icon/Resources/images/%1_Shape.png").arg(icon));
    }
}

const FileIconTable &FileIconTable::instance()
{
    static const FileIconTable table;
    return table;
}

QString FileIconTable::iconPath(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString key = dot < 0 ? name : name.mid(dot + 1);

    const FileIconTable &table = instance();
    const auto found = table.m_icons.constFind(key);
    if (found != table.m_icons.constEnd())
        return found.value();

    static const QString defaultShape = QStringLiteral(":/icon/Resources/images/file_Shape.png");
    static const QString defaultPlain = QStringLiteral(":/icon/Resources/images/file.png");
    return key.contains(QLatin1String("Shap")) ? defaultShape : defaultPlain;
}
