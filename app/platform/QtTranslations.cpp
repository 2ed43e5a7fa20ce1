#include "app/platform/QtTranslations.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

#include <cstring>

namespace {

struct TQtText {
    const char* context;
    const char* english;
    const char* romanian;
};

// Qt's source texts, by the class that shows them.
constexpr TQtText kRomanian[] = {
    {"QPlatformTheme", "&Yes", "&Da"},
    {"QPlatformTheme", "&No", "&Nu"},
    {"QPlatformTheme", "Cancel", "Anulare"},
    {"QPlatformTheme", "Save", "Salvează"},
    {"QPlatformTheme", "Open", "Deschide"},
    {"QPlatformTheme", "Close", "Închide"},
    {"QGnomeTheme", "&Cancel", "&Anulare"},
    {"QGnomeTheme", "&Save", "&Salvează"},
    {"QGnomeTheme", "&Close", "Î&nchide"},
    {"QLineEdit", "&Undo", "&Anulează"},
    {"QLineEdit", "&Redo", "&Refă"},
    {"QLineEdit", "Cu&t", "&Taie"},
    {"QLineEdit", "&Copy", "&Copiază"},
    {"QLineEdit", "&Paste", "&Lipeşte"},
    {"QLineEdit", "Delete", "Şterge"},
    {"QLineEdit", "Select All", "Selectează tot"},
    {"QFileDialog", "Look in:", "Caută în:"},
    {"QFileDialog", "File &name:", "&Nume fişier:"},
    {"QFileDialog", "Files of type:", "Fişiere de tipul:"},
    {"QFileDialog", "Back", "Înapoi"},
    {"QFileDialog", "Forward", "Înainte"},
    {"QFileDialog", "Parent Directory", "Dosarul părinte"},
    {"QFileDialog", "Create New Folder", "Dosar nou"},
    {"QFileDialog", "List View", "Listă"},
    {"QFileDialog", "Detail View", "Detalii"},
    {"QFileDialog", "&Save", "&Salvează"},
    {"QFileDialog", "&Open", "&Deschide"},
    {"QFileDialog", "&Rename", "&Redenumeşte"},
    {"QFileDialog", "&Delete", "Ş&terge"},
    {"QFileDialog", "Show &hidden files", "Arată fişierele &ascunse"},
    {"QFileDialog", "&New Folder", "Dosar &nou"},
    {"QFileDialog", "New Folder", "Dosar nou"},
    {"QFileDialog", "%1 already exists.\nDo you want to replace it?",
     "%1 există deja.\nVrei să-l înlocuieşti?"},
    {"QFileSystemModel", "Name", "Nume"},
    {"QFileSystemModel", "Size", "Mărime"},
    {"QFileSystemModel", "Type", "Tip"},
    {"QFileSystemModel", "Date Modified", "Data modificării"},
};

class TRomanianQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char*,
                      int) const override {
        if (context == nullptr || sourceText == nullptr)
            return QString();
        for (const TQtText& text : kRomanian) {
            if (std::strcmp(text.context, context) == 0 &&
                std::strcmp(text.english, sourceText) == 0)
                return QString::fromUtf8(text.romanian);
        }
        return QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

void ApplyQtLanguage(bool english) {
    if (QCoreApplication::instance() == nullptr)
        return;
    static QPointer<TRomanianQtTexts> romanian;
    if (romanian == nullptr)
        romanian = new TRomanianQtTexts(QCoreApplication::instance());
    QCoreApplication::removeTranslator(romanian);
    if (!english)
        QCoreApplication::installTranslator(romanian);
}
