#pragma once
// Screenshot tests: the build's screenshots folder, and a window shot in
// every filled scheme in English and in Chinese.

#include "skin/skin_table.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QTranslator>

#include <functional>

inline QString screenshot_dir()
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    return dir;
}

// English whatever catalogue an earlier test left installed: the translator
// installed last is asked first, and this one answers every text with itself.
class SourceTextTranslator : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char*, const char* source, const char*, int) const override { return QString::fromUtf8(source); }
};

// Calls shoot with "en" or "zh" and each scheme in turn; afterwards scheme 0
// and the catalogues as they were. False when the Chinese one cannot be loaded.
inline bool for_each_language_and_scheme(const std::function<void(const QString& language, int scheme)>& shoot)
{
    for (const char* name : { "en", "zh" }) {
        const QString language(name);
        SourceTextTranslator english;
        QTranslator chinese;
        QTranslator* chosen = &english;
        if (language == "zh") {
            if (!chinese.load(":/i18n/tamblo_zh_CN.qm"))
                return false;
            chosen = &chinese;
        }
        QCoreApplication::installTranslator(chosen);
        for (int s = 0; s < skin_filled_count; ++s) {
            skin_table().select_skin(s);
            shoot(language, s);
        }
        QCoreApplication::removeTranslator(chosen);
    }
    skin_table().select_skin(0);
    return true;
}
