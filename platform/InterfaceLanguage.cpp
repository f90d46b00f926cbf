#include "platform/InterfaceLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tesselvane {

InterfaceLanguage interfaceLanguageFor(const QString& override, const QString& lcAll,
                                       const QString& lcMessages, const QString& lang) {
    if (override == QLatin1String("ja"))
        return InterfaceLanguage::Japanese;
    if (override == QLatin1String("en"))
        return InterfaceLanguage::English;
    // The first variable set wins, as in the C library.
    QString locale = lcAll;
    if (locale.isEmpty())
        locale = lcMessages;
    if (locale.isEmpty())
        locale = lang;
    if (locale.isEmpty() || locale == QLatin1String("C") || locale == QLatin1String("POSIX") ||
        locale.startsWith(QLatin1String("C.")) || locale.startsWith(QLatin1String("ja")))
        return InterfaceLanguage::Japanese;
    return InterfaceLanguage::English;
}

InterfaceLanguage interfaceLanguage() {
    return interfaceLanguageFor(qEnvironmentVariable("TESSELVANE_LANG"),
                                qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
                                qEnvironmentVariable("LANG"));
}

namespace {

void install(QObject* owner, const QString& file, const QString& folder) {
    auto* translator = new QTranslator(owner);
    if (translator->load(file, folder))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

}  // namespace

void installInterfaceTexts(QObject* owner) {
    if (interfaceLanguage() == InterfaceLanguage::Japanese) {
        install(owner, QStringLiteral("qtbase_ja"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    } else {
        // Built into the program and the plug-in helper (i18n/).
        install(owner, QStringLiteral("tesselvane_en"), QStringLiteral(":/i18n"));
    }
}

QString interfaceText(const char* context, const char* source) {
    if (QCoreApplication::instance())
        return QCoreApplication::translate(context, source);
    static const QTranslator* const kEarly = []() -> const QTranslator* {
        if (interfaceLanguage() == InterfaceLanguage::Japanese)
            return nullptr;
        auto* translator = new QTranslator;  // for the life of the process
        if (!translator->load(QStringLiteral("tesselvane_en"), QStringLiteral(":/i18n"))) {
            delete translator;
            return nullptr;
        }
        return translator;
    }();
    const QString translated = kEarly ? kEarly->translate(context, source) : QString();
    return translated.isEmpty() ? QString::fromUtf8(source) : translated;
}

}  // namespace tesselvane
