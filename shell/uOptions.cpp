#include "shell/uOptions.h"

#include "shell/IntegerText.h"
#include "shell/Language.h"
#include "shell/StoreLocation.h"

#include <QDir>
#include <QLocale>
#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

TOptions* Options = nullptr;

namespace {

// Only the letters A to Z fold; every other character must match exactly.
bool SameNameFolded(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'A' && x <= u'Z')
            x = static_cast<char16_t>(x - u'A' + u'a');
        if (y >= u'A' && y <= u'Z')
            y = static_cast<char16_t>(y - u'A' + u'a');
        if (x != y)
            return false;
    }
    return true;
}

// A failed save leaves the old file whole (the new one only replaces it once complete), but
// what changed since is lost: the user learns of it in the terminal or the session log.
void SyncOrWarn(QSettings& store) {
    store.sync();
    if (store.status() != QSettings::NoError)
        qWarning("zentrilo: could not save the settings to %s", qPrintable(store.fileName()));
}

// The store to read; none when it is missing or cannot be read. A damaged file still yields what
// can be parsed; every value lost to the damage reads as missing.
std::unique_ptr<QSettings> OpenForReading(const QString& key) {
    if (!StoreReadable(key))
        return nullptr;
    auto store = std::make_unique<QSettings>(key, QSettings::NativeFormat);
    return store->status() == QSettings::AccessError ? nullptr : std::move(store);
}

// The store to write ("open, creating it if needed"); none when it cannot be.
std::unique_ptr<QSettings> OpenForWriting(const QString& key) {
    if (StoreExists(key) && !StoreReadable(key))
        return nullptr; // rewriting what could not be read would lose it
    // A damaged store is rewritten from what could be parsed, so that it heals at this save.
    auto store = std::make_unique<QSettings>(key, QSettings::NativeFormat);
    return store->status() == QSettings::AccessError ? nullptr : std::move(store);
}

// A null text would be stored as an invalid value, which reads back as missing.
void StoreText(QSettings& store, const QString& name, const QString& text) {
    store.setValue(name, text.isNull() ? u""_s : text);
}

// The numbers of an array group's elements are its child groups "1", "2", ...
int ArrayIndex(const QString& childGroup) {
    bool ok = false;
    const int index = childGroup.toInt(&ok);
    return ok && index > 0 && QString::number(index) == childGroup ? index : 0;
}

// A value that another program wrote unquoted with commas reads as a list; keep its text.
QString StoredText(const QVariant& stored) {
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList().join(u',');
    return stored.toString();
}

QString FloatText(double value) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', QLocale::FloatingPointShortest);
}

void LoadOption(TOption& option, const QSettings& store) {
    const QVariant stored = store.value(option.Section + u'/' + option.Name);
    const bool present = stored.isValid();
    const QString text = present ? StoredText(stored) : QString();
    switch (option.Kind) {
    case varSmallint:
    case varInteger:
        option.Value =
            present ? IntegerTextOr(text, option.Default.toInt()) : option.Default.toInt();
        break;
    case varSingle:
    case varDouble:
    case varDate: {
        bool ok = false;
        const double number =
            QLocale().toDouble(present ? text : FloatText(option.Default.toDouble()), &ok);
        option.Value = ok ? number : option.Default.toDouble();
        break;
    }
    case varBoolean: {
        const int fallback = option.Default.toBool() ? 1 : 0;
        option.Value = (present ? IntegerTextOr(text, fallback) : fallback) != 0;
        break;
    }
    case varString:
        option.Value = present ? text : option.Default.toString();
        break;
    default:
        option.Value = option.Default;
        break;
    }
}

// The text an option is stored as; nothing for kinds that are not stored.
std::optional<QString> SavedText(const TOption& option) {
    switch (option.Kind) {
    case varSmallint:
    case varInteger:
        return QString::number(option.Value.toInt());
    case varSingle:
    case varDouble:
    case varDate:
        return FloatText(option.Value.toDouble());
    case varBoolean:
        return option.Value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case varString:
        return option.Value.toString();
    default:
        return std::nullopt;
    }
}

} // namespace

void TOptions::AddOption(const QString& section, const QString& name, const QVariant& def,
                         int kind) {
    if (IndexOf(name) >= 0)
        return;
    items_.push_back(TOption{section, name, kind, def, def});
}

void TOptions::ResetDefaults() {
    for (TOption& option : items_)
        option.Value = option.Default;
}

void TOptions::LoadFromRegistry(const QString& key) {
    const auto store = OpenForReading(key);
    if (!store) {
        ResetDefaults();
        return;
    }
    for (TOption& option : items_)
        LoadOption(option, *store);
}

bool TOptions::SaveToRegistry(const QString& key, QString* reason) {
    const auto store = OpenForWriting(key);
    if (!store) {
        if (reason != nullptr)
            *reason = Lang("the settings file %1 cannot be read",
                           "fișierul de setări %1 nu poate fi citit")
                          .arg(QDir::toNativeSeparators(key));
        return false;
    }
    for (const TOption& option : items_) {
        if (const std::optional<QString> text = SavedText(option))
            StoreText(*store, option.Section + u'/' + option.Name, *text);
    }
    SyncOrWarn(*store);
    if (store->status() == QSettings::NoError)
        return true;
    if (reason != nullptr)
        *reason = Lang("the settings file %1 cannot be written",
                       "fișierul de setări %1 nu poate fi scris")
                      .arg(QDir::toNativeSeparators(key));
    return false;
}

QVariant TOptions::GetValue(const QString& name) const {
    for (const TOption& option : items_) {
        if (SameNameFolded(option.Name, name))
            return option.Value;
    }
    throw EOptionNotFound(("Optiune negasita: " + name).toStdString());
}

void TOptions::SetValue(const QString& name, const QVariant& value) {
    for (TOption& option : items_) {
        if (SameNameFolded(option.Name, name))
            option.Value = value;
    }
}

int TOptions::IndexOf(const QString& name) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].Name == name)
            return static_cast<int>(i);
    }
    return -1;
}

QList<TStoredRow> ReadArrayGroup(const QString& key, const QString& group) {
    const auto store = OpenForReading(key);
    if (!store)
        return {};
    // The stored size is only believed as far as elements exist: a damaged one costs nothing.
    QSettings& reader = *store;
    reader.beginGroup(group);
    int last = 0;
    for (const QString& child : reader.childGroups())
        last = std::max(last, ArrayIndex(child));
    reader.endGroup();
    QList<TStoredRow> rows;
    const int size = std::min(reader.beginReadArray(group), last);
    for (int i = 0; i < size; ++i) {
        reader.setArrayIndex(i);
        TStoredRow row;
        for (const QString& name : reader.childKeys())
            row.insert(name, StoredText(reader.value(name)));
        rows << row;
    }
    reader.endArray();
    return rows;
}

bool WriteArrayGroup(const QString& key, const QString& group, const QList<TStoredRow>& rows) {
    const auto store = OpenForWriting(key);
    if (!store)
        return false;
    store->beginGroup(group);
    for (const QString& child : store->childGroups()) {
        if (ArrayIndex(child) > 0)
            store->remove(child);
    }
    store->remove(QStringLiteral("size"));
    store->endGroup();
    store->beginWriteArray(group, static_cast<int>(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        store->setArrayIndex(static_cast<int>(i));
        for (auto value = rows[i].cbegin(); value != rows[i].cend(); ++value)
            StoreText(*store, value.key(), value.value());
    }
    store->endArray();
    SyncOrWarn(*store);
    return store->status() == QSettings::NoError;
}

bool ReadLanguage() {
    const auto store = OpenForReading(ProgramKey());
    return !store ||
           StoredText(store->value(QStringLiteral("Language"))) != QLatin1String("Romana");
}

void WriteLanguage(bool english) {
    const auto store = OpenForWriting(ProgramKey());
    if (!store)
        return;
    store->setValue(QStringLiteral("Language"),
                    english ? QStringLiteral("English") : QStringLiteral("Romana"));
    SyncOrWarn(*store);
}
