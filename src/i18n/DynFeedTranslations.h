#pragma once

#include "dynfeed_export.h"

#include <QString>

class QLocale;

/// The library's translations, embedded in it: Chinese (zh_CN) for the English texts, English
/// (en) for the Chinese ones. A host installs the one it wants; every shown item, button and
/// navigator follows at the next turn of the event loop. GUI thread only.
class DYNFEED_EXPORT DynFeedTranslations
{
public:
    /// Installs the translation for locale in place of the one installed before: Chinese
    /// locales get zh_CN, every other locale en. The application owns the translator. Without an
    /// application, or when the translation cannot be loaded, logs why and changes nothing.
    static bool install(const QLocale &locale);
    /// Removes the installed translation: the texts read as the library writes them.
    static void remove();
    /// "zh_CN" or "en" while one is installed, otherwise empty.
    static QString installed();
};
