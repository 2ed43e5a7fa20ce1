#pragma once
// The process-wide UI language. Every text shown at run time holds both wordings and picks one
// at the moment it is built; there are no translation tables.

#include <QString>

extern bool UseEnglish; // true: English, false: Romanian

// The English or the Romanian wording (UTF-8 literals): by the language in force now, or by
// `inEnglish` where a caller has fixed the language beforehand.
inline QString Lang(const char* english, const char* romanian, bool inEnglish = UseEnglish) {
    return QString::fromUtf8(inEnglish ? english : romanian);
}

// Product name and version, the same in both languages.
inline const QString& AppTitle() {
    static const QString title = QStringLiteral("Zentrilo");
    return title;
}
const QString& ProgramVersion();
