#include "platform/ui/translations.h"

#include "core/settings.h"
#include "core/ui_text.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {
bool g_chinese = false;
}

bool ui_language_is_chinese() { return g_chinese; }

bool install_translations()
{
    std::string language;
    reg_read("general", "language", language, 32);
    bool chinese = language.empty() ? QLocale::system().name().startsWith("zh") : language.rfind("zh", 0) == 0;

    // Qt's own texts (the standard buttons OK, Cancel, Yes, No) come from its
    // catalogue, not ours; without it they stay English.
    static QTranslator translator;
    static QTranslator qt_translator;
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::removeTranslator(&qt_translator);
    g_chinese = chinese && translator.load(":/i18n/tamblo_zh_CN.qm");
    if (g_chinese) {
        QCoreApplication::installTranslator(&translator);
        if (qt_translator.load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&qt_translator);
    }
    set_text_translator([](const char* source) { return tr_ui(source).toStdString(); });
    return g_chinese;
}
