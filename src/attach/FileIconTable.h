#pragma once

#include "dynfeed_export.h"

#include <QMap>
#include <QString>

/// The process-wide table from a file-type key (a suffix, or a suffix followed by "_Shape") to
/// the host's icon resource for it. Built on first use; GUI thread only.
class DYNFEED_EXPORT FileIconTable
{
public:
    /// The icon for the key behind the last "." of name (the whole name when it has none),
    /// matched case-sensitively; a miss gives the "_Shape" default when the key contains "Shap",
    /// else the plain default. Never fails.
    static QString iconPath(const QString &name);

private:
    FileIconTable();
    static const FileIconTable &instance();

    QMap<QString, QString> m_icons;
};
