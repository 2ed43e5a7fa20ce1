#include "shell/Language.h"

bool UseEnglish = true;

const QString& ProgramVersion() {
    // The build passes the project's version, so that it is written in one place only.
    static const QString version = QStringLiteral(ZENTRILO_VERSION);
    return version;
}
