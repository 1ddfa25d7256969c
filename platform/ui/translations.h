#pragma once
// The user's language: Simplified Chinese when the setting "general" /
// "language" says "zh_CN", or when it is unset and the locale is Chinese;
// English otherwise. Every text has a single context, "tamblo".

#include <QCoreApplication>
#include <QString>

// Loads the Chinese catalogues (ours and Qt's own "qtbase") when that is the
// language, and installs the translator for Qt-free code. Returns true when
// Chinese is in use.
bool install_translations();
bool ui_language_is_chinese();

inline QString tr_ui(const char* source) { return QCoreApplication::translate("tamblo", source); }
