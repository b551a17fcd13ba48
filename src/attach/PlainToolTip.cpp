#include "attach/PlainToolTip.h"

#include <QTextDocument>

QString plainToolTip(const QString &text)
{
    // Tool tips guess the format; a name such as "<b>plan</b>.pdf" would be rendered as markup.
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<qt style=\"white-space:pre\">%1</qt>").arg(text.toHtmlEscaped());
}
