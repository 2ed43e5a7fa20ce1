#pragma once
// Named, typed options stored as text values under the program key, and the language, which is
// written directly.

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include <stdexcept>
#include <vector>

// Kinds, by their variant type codes.
constexpr int varSmallint = 2;
constexpr int varInteger = 3;
constexpr int varSingle = 4;
constexpr int varDouble = 5;
constexpr int varDate = 7;
constexpr int varBoolean = 11;
constexpr int varString = 256;

struct TOption {
    QString Section;
    QString Name;
    int Kind = varString;
    QVariant Value;
    QVariant Default;
};

class EOptionNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TOptions {
public:
    virtual ~TOptions() = default;
    virtual void AddOption(const QString& section, const QString& name, const QVariant& def,
                           int kind);
    void ResetDefaults();
    void LoadFromRegistry(const QString& key);
    // False when the store could not be written, with why in `reason` (current language).
    bool SaveToRegistry(const QString& key, QString* reason = nullptr);
    int Count() const { return static_cast<int>(items_.size()); }
    QVariant GetValue(const QString& name) const; // raises EOptionNotFound
    void SetValue(const QString& name, const QVariant& value);
    int IndexOf(const QString& name) const;
    const TOption& Item(int index) const { return items_.at(static_cast<size_t>(index)); }

private:
    std::vector<TOption> items_;
};

// The program's one instance, created by the main window's start-up.
extern TOptions* Options;

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else ~/.config
// (Linux only).
QString ConfigHome();

// The program key: on Linux the path of its settings file ($XDG_CONFIG_HOME/<vendor>/
// Zentrilo.conf), on Windows HKEY_CURRENT_USER\Software\<vendor>\Zentrilo.
QString ProgramKey();

// One element of an array group (QSettings' array form: "size", "1\Name", "1\Url", ...): its
// values by name.
using TStoredRow = QMap<QString, QString>;

// The elements of the array `group` in the store at `key`, in order; none when it cannot be read.
QList<TStoredRow> ReadArrayGroup(const QString& key, const QString& group);

// Replaces the elements of the array `group` with `rows`, every other value of the store staying
// as it is. False when the store could not be written.
bool WriteArrayGroup(const QString& key, const QString& group, const QList<TStoredRow>& rows);

bool ReadLanguage(); // true: English
void WriteLanguage(bool english);
