#include "i18n/DynFeedTranslations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include <memory>

#include "feed/Logging_p.h"

namespace {

// The one translator of the library; the application owns it and may delete it on exit.
QPointer<QTranslator> s_translator;
QString s_installed;

} // namespace

bool DynFeedTranslations::install(const QLocale &locale)
{
    QCoreApplication *app = QCoreApplication::instance();
    const QString name
        = locale.language() == QLocale::Chinese ? QStringLiteral("zh_CN") : QStringLiteral("en");
    if (!app) {
        qCWarning(lcUi) << "no application to install the" << name << "translation into";
        return false;
    }
    auto translator = std::make_unique<QTranslator>();
    const QString file = QStringLiteral(":/i18n/dynfeed_%1.qm").arg(name);
    if (!translator->load(file)) {
        qCWarning(lcUi) << "cannot load the translation" << file;
        return false;
    }
    // The application compresses the two language changes into one.
    remove();
    translator->setParent(app);
    QCoreApplication::installTranslator(translator.get());
    s_translator = translator.release();
    s_installed = name;
    return true;
}

void DynFeedTranslations::remove()
{
    if (s_translator) {
        QCoreApplication::removeTranslator(s_translator);
        delete s_translator.data();
    }
    s_installed.clear();
}

QString DynFeedTranslations::installed()
{
    return s_translator ? s_installed : QString();
}
