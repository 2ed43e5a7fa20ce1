#include "shell/uOptions.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class OptionsStore : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("XDG_CONFIG_HOME", home_.path().toUtf8());
        key_ = ProgramKey();
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    void Store(const QString& path, const QString& text) {
        QSettings store(key_, QSettings::NativeFormat);
        store.setValue(path, text);
    }
    QVariant Stored(const QString& path) const {
        return QSettings(key_, QSettings::NativeFormat).value(path);
    }
    static ino_t Inode(const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
    }

    QTemporaryDir home_;
    QString key_;
    TOptions options_;
};

TEST_F(OptionsStore, ProgramKeyFollowsTheConfigHome) {
    EXPECT_EQ(key_, home_.path() + QStringLiteral("/ZentriloSoft/Zentrilo.conf"));
    qputenv("XDG_CONFIG_HOME", "relative/dir"); // not absolute: ignored
    EXPECT_EQ(ProgramKey(),
              QDir::homePath() + QStringLiteral("/.config/ZentriloSoft/Zentrilo.conf"));
}

TEST_F(OptionsStore, DuplicateTestIsCaseSensitive) {
    options_.AddOption(QStringLiteral("General"), QStringLiteral("StillRunning"), true, varBoolean);
    options_.SetValue(QStringLiteral("StillRunning"), false);
    options_.AddOption(QStringLiteral("Other"), QStringLiteral("StillRunning"), 5, varInteger);
    ASSERT_EQ(options_.Count(), 1);
    EXPECT_EQ(options_.Item(0).Section, QStringLiteral("General"));
    EXPECT_EQ(options_.Item(0).Kind, varBoolean);
    EXPECT_EQ(options_.Item(0).Default, QVariant(true));
    EXPECT_EQ(options_.Item(0).Value, QVariant(false));

    options_.AddOption(QStringLiteral("General"), QStringLiteral("stillrunning"), 7, varInteger);
    ASSERT_EQ(options_.Count(), 2);
    EXPECT_EQ(options_.GetValue(QStringLiteral("StillRunning")), QVariant(false));
    EXPECT_EQ(options_.GetValue(QStringLiteral("STILLRUNNING")), QVariant(false));
}

TEST_F(OptionsStore, LookupsFoldOnlyAsciiLettersWhileIndexOfIsExact) {
    options_.AddOption(QStringLiteral("General"), QStringLiteral("CloseToTray"), true, varBoolean);
    options_.AddOption(QStringLiteral("Updates"), QString::fromUtf8("Ăn0.5"), false, varBoolean);
    EXPECT_EQ(options_.IndexOf(QStringLiteral("CloseToTray")), 0);
    EXPECT_EQ(options_.IndexOf(QStringLiteral("closetotray")), -1);
    EXPECT_EQ(options_.GetValue(QStringLiteral("cLOSEtOtRAY")), QVariant(true));
    EXPECT_EQ(options_.GetValue(QString::fromUtf8("ĂN0.5")), QVariant(false));
    try {
        options_.GetValue(QString::fromUtf8("ăn0.5")); // Ă/ă do not fold
        FAIL() << "no error raised";
    } catch (const EOptionNotFound& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QString::fromUtf8("Optiune negasita: ăn0.5"));
    }
    EXPECT_THROW(options_.GetValue(QStringLiteral("CloseToTra")), EOptionNotFound);
}

TEST_F(OptionsStore, SetValueReachesEveryFoldedMatchAndIgnoresUnknownNames) {
    options_.AddOption(QStringLiteral("A"), QStringLiteral("Flag"), 1, varInteger);
    options_.AddOption(QStringLiteral("A"), QStringLiteral("FLAG"), 2, varInteger);
    options_.SetValue(QStringLiteral("flag"), QStringLiteral("text kept as given"));
    EXPECT_EQ(options_.Item(0).Value, QVariant(QStringLiteral("text kept as given")));
    EXPECT_EQ(options_.Item(1).Value, QVariant(QStringLiteral("text kept as given")));
    EXPECT_NO_THROW(options_.SetValue(QStringLiteral("Missing"), 3));
    EXPECT_EQ(options_.Count(), 2);
    options_.ResetDefaults();
    EXPECT_EQ(options_.Item(0).Value, QVariant(1));
    EXPECT_EQ(options_.Item(1).Value, QVariant(2));
}

struct LoadCase {
    int kind;
    const char* stored; // nullptr: no value stored
    QVariant def;
    QVariant expected;
};

TEST_F(OptionsStore, EachKindLoadsByItsRule) {
    const LoadCase cases[] = {
        {varBoolean, "2", true, true},
        {varBoolean, "yes", true, true},
        {varBoolean, "yes", false, false},
        {varBoolean, "0", true, false},
        {varBoolean, " 0x0", true, false},
        {varBoolean, "-1", false, true},
        {varBoolean, nullptr, false, false},
        {varInteger, " $10", 1, 16},
        {varInteger, "abc", 1, 1},
        {varInteger, "-5", 1, -5},
        {varInteger, "", 1, 1},
        {varInteger, "2147483648", 9, 9},
        {varInteger, nullptr, 7, 7},
        {varSmallint, "70000", 0, 70000},
        {varString, "bob", QString(), QStringLiteral("bob")},
        {varString, "", QStringLiteral("dflt"), QString()},
        {varString, nullptr, QStringLiteral("dflt"), QStringLiteral("dflt")},
        {varDouble, "not a number", 1.5, 1.5},
        {varDouble, nullptr, 2.25, 2.25},
        {varSingle, "-3", 0.0, -3.0},
        {99, "stored", QStringLiteral("dflt"), QStringLiteral("dflt")},
    };
    int slot = 0;
    for (const LoadCase& c : cases) {
        const QString name = QStringLiteral("Value%1").arg(slot++);
        options_.AddOption(QStringLiteral("Group"), name, c.def, c.kind);
        if (c.stored != nullptr)
            Store(QStringLiteral("Group/") + name, QString::fromUtf8(c.stored));
    }
    options_.LoadFromRegistry(key_);
    for (int i = 0; i < options_.Count(); ++i) {
        const QVariant value = options_.Item(i).Value;
        EXPECT_EQ(value, cases[i].expected)
            << "kind " << cases[i].kind << " stored " << (cases[i].stored ? cases[i].stored : "-")
            << " got " << value.toString().toStdString();
    }
}

TEST_F(OptionsStore, FloatsReadInTheUserLocale) {
    options_.AddOption(QStringLiteral("G"), QStringLiteral("F"), 0.0, varDouble);
    Store(QStringLiteral("G/F"), QLocale().toString(2.5));
    options_.LoadFromRegistry(key_);
    EXPECT_EQ(options_.GetValue(QStringLiteral("F")).toDouble(), 2.5);
}

TEST_F(OptionsStore, EachKindSavesAsText) {
    const struct {
        int kind;
        QVariant value;
        const char* text; // nullptr: nothing written
    } cases[] = {
        {varInteger, 42, "42"},     {varInteger, -7, "-7"},
        {varSmallint, 12, "12"},    {varBoolean, true, "1"},
        {varBoolean, false, "0"},   {varString, QStringLiteral("x y"), "x y"},
        {varString, QString(), ""}, {99, QStringLiteral("never"), nullptr},
    };
    int slot = 0;
    for (const auto& c : cases)
        options_.AddOption(QStringLiteral("Out"), QStringLiteral("V%1").arg(slot++), c.value,
                           c.kind);
    options_.SaveToRegistry(key_);
    for (int i = 0; i < slot; ++i) {
        const QVariant stored = Stored(QStringLiteral("Out/V%1").arg(i));
        if (cases[i].text == nullptr) {
            EXPECT_FALSE(stored.isValid()) << i;
            continue;
        }
        EXPECT_EQ(stored.typeId(), QMetaType::QString) << i;
        EXPECT_EQ(stored.toString(), QString::fromUtf8(cases[i].text)) << i;
    }
}

TEST_F(OptionsStore, FloatsAndTrickyTextsRoundTripExactly) {
    const double numbers[] = {0.1, 1e300, -123456789.125, 1.0 / 3.0};
    const char* texts[] = {
        "a,b", "say \"hi\", ok", "  spaced  ", "@at", "semi;colon", "back\\slash",
        "",    "ü ş ţ",          "[x]",        "a=b", "#hash"};
    int slot = 0;
    for (double number : numbers)
        options_.AddOption(QStringLiteral("Items"), QStringLiteral("N%1").arg(slot++), number,
                           varDouble);
    for (const char* text : texts)
        options_.AddOption(QStringLiteral("Items"), QStringLiteral("User%1").arg(slot++),
                           QString::fromUtf8(text), varString);
    options_.SaveToRegistry(key_);

    TOptions reloaded;
    slot = 0;
    for (int i = 0; i < 4; ++i)
        reloaded.AddOption(QStringLiteral("Items"), QStringLiteral("N%1").arg(slot++), 0.0,
                           varDouble);
    for (int i = 0; i < 11; ++i)
        reloaded.AddOption(QStringLiteral("Items"), QStringLiteral("User%1").arg(slot++),
                           QStringLiteral("default"), varString);
    reloaded.LoadFromRegistry(key_);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(reloaded.Item(i).Value.toDouble(), numbers[i]) << i;
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(reloaded.Item(4 + i).Value.toString(), QString::fromUtf8(texts[i])) << texts[i];
}

TEST_F(OptionsStore, ValuesNoOptionNamesSurviveASave) {
    Store(QStringLiteral("Language"), QStringLiteral("Romana"));
    Store(QStringLiteral("General/Unknown"), QStringLiteral("keep me"));
    Store(QStringLiteral("Items/User7"), QStringLiteral("beyond the slots"));
    Store(QStringLiteral("Updates/0.5.9"), QStringLiteral("1"));
    { // another program appends its own section by hand
        QFile file(key_);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("\n[Foreign]\nplain=some text\nlisted=a,b\n");
    }
    options_.AddOption(QStringLiteral("General"), QStringLiteral("CloseToTray"), false, varBoolean);
    options_.AddOption(QStringLiteral("Items"), QStringLiteral("User0"), QStringLiteral("bob"),
                       varString);
    options_.SaveToRegistry(key_);

    EXPECT_EQ(Stored(QStringLiteral("Language")).toString(), QStringLiteral("Romana"));
    EXPECT_EQ(Stored(QStringLiteral("General/Unknown")).toString(), QStringLiteral("keep me"));
    EXPECT_EQ(Stored(QStringLiteral("Items/User7")).toString(), QStringLiteral("beyond the slots"));
    EXPECT_EQ(Stored(QStringLiteral("Updates/0.5.9")).toString(), QStringLiteral("1"));
    EXPECT_EQ(Stored(QStringLiteral("Foreign/plain")).toString(), QStringLiteral("some text"));
    EXPECT_EQ(Stored(QStringLiteral("Foreign/listed")).toStringList(),
              QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(Stored(QStringLiteral("General/CloseToTray")).toString(), QStringLiteral("0"));
    EXPECT_EQ(Stored(QStringLiteral("Items/User0")).toString(), QStringLiteral("bob"));
}

TEST_F(OptionsStore, MissingOrUnreadableStoreGivesDefaults) {
    options_.AddOption(QStringLiteral("Items"), QStringLiteral("Interval0"), 1, varInteger);
    options_.SetValue(QStringLiteral("Interval0"), 9);
    options_.LoadFromRegistry(key_);
    EXPECT_EQ(options_.GetValue(QStringLiteral("Interval0")), QVariant(1));

    Store(QStringLiteral("Items/Interval0"), QStringLiteral("5"));
    options_.LoadFromRegistry(key_);
    EXPECT_EQ(options_.GetValue(QStringLiteral("Interval0")), QVariant(5));

    if (geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root from reading";
    ASSERT_TRUE(QFile::setPermissions(key_, QFileDevice::WriteOwner));
    options_.LoadFromRegistry(key_);
    EXPECT_EQ(options_.GetValue(QStringLiteral("Interval0")), QVariant(1));
    options_.SaveToRegistry(key_); // must not replace what it could not read
    QFile::setPermissions(key_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(Stored(QStringLiteral("Items/Interval0")).toString(), QStringLiteral("5"));
}

TEST_F(OptionsStore, DamagedStoreGivesDefaultsForWhatIsLostAndHealsAtTheNextSave) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(key_).absolutePath()));
    QFile file(key_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Items]\nUser0=bob\n");
    static const char damaged[] = "\x00\xff\xfe[[%Items]\n=\n\x01\x02Interval0=\"unclosed\n";
    file.write(QByteArray(damaged, sizeof damaged - 1));
    file.close();
    options_.AddOption(QStringLiteral("Items"), QStringLiteral("Interval0"), 1, varInteger);
    options_.AddOption(QStringLiteral("Items"), QStringLiteral("User0"), QString(), varString);
    options_.LoadFromRegistry(key_);
    EXPECT_EQ(options_.GetValue(QStringLiteral("Interval0")), QVariant(1));
    EXPECT_EQ(options_.GetValue(QStringLiteral("User0")), QVariant(QStringLiteral("bob")));

    options_.SetValue(QStringLiteral("Interval0"), 4);
    options_.SaveToRegistry(key_);
    const QSettings healed(key_, QSettings::NativeFormat);
    EXPECT_EQ(healed.status(), QSettings::NoError);
    EXPECT_EQ(healed.value(QStringLiteral("Items/Interval0")).toString(), QStringLiteral("4"));
    EXPECT_EQ(healed.value(QStringLiteral("Items/User0")).toString(), QStringLiteral("bob"));
}

TEST_F(OptionsStore, SaveReplacesTheFileWholeAndLeavesNoTemporaryFile) {
    options_.AddOption(QStringLiteral("Items"), QStringLiteral("User0"), QStringLiteral("bob"),
                       varString);
    options_.SaveToRegistry(key_);
    const ino_t before = Inode(key_);
    options_.SetValue(QStringLiteral("User0"), QStringLiteral("alice"));
    options_.SaveToRegistry(key_);
    // A new inode means the new content was renamed into place, never written over the old.
    EXPECT_NE(Inode(key_), before);
    const QStringList entries = QDir(QFileInfo(key_).absolutePath()).entryList(QDir::Files);
    EXPECT_EQ(entries, QStringList{QStringLiteral("Zentrilo.conf")});
    EXPECT_EQ(Stored(QStringLiteral("Items/User0")).toString(), QStringLiteral("alice"));
}

TEST_F(OptionsStore, UncreatableStoreWritesNothingAndReportsNothing) {
    QFile blocker(home_.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", blocker.fileName().toUtf8());
    options_.AddOption(QStringLiteral("General"), QStringLiteral("CloseToTray"), true, varBoolean);
    EXPECT_NO_THROW(options_.SaveToRegistry(ProgramKey()));
    EXPECT_FALSE(QFile::exists(ProgramKey()));
    options_.LoadFromRegistry(ProgramKey());
    EXPECT_EQ(options_.GetValue(QStringLiteral("CloseToTray")), QVariant(true));
}

TEST_F(OptionsStore, ReadOnlyConfigDirectoryIsLeftAlone) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root from writing";
    ASSERT_TRUE(
        QFile::setPermissions(home_.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    options_.AddOption(QStringLiteral("General"), QStringLiteral("CloseToTray"), true, varBoolean);
    EXPECT_NO_THROW(options_.SaveToRegistry(key_));
    EXPECT_FALSE(QFile::exists(key_));
    QFile::setPermissions(home_.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

namespace {

TStoredRow Row(std::initializer_list<std::pair<const char*, const char*>> values) {
    TStoredRow row;
    for (const auto& [name, value] : values)
        row.insert(QString::fromUtf8(name), QString::fromUtf8(value));
    return row;
}

// Arrays replace their elements whole: a shorter array leaves nothing of the longer one behind,
// while every value outside the elements stays.
TEST_F(OptionsStore, ArrayGroupsReplaceTheirElementsAndNothingElse) {
    Store(QStringLiteral("Language"), QStringLiteral("Romana"));
    Store(QStringLiteral("Items/User0"), QStringLiteral("bob"));
    Store(QStringLiteral("Sources/Note"), QStringLiteral("not an element"));
    Store(QStringLiteral("Sources/7/Name"), QStringLiteral("stale"));
    const QList<TStoredRow> three = {
        Row({{"Name", "a, b"}, {"Url", "@http://x/?a=%s&b=1"}, {"Rule", "xml:s=on|in-game"}}),
        Row({{"Name", "ă \"quoted\" ; #"}, {"Future", "kept"}, {"Empty", ""}}),
        Row({{"Name", "third"}}),
    };
    const struct {
        const char* name;
        QList<TStoredRow> rows;
    } cases[] = {{"three", three}, {"one", {three[1]}}, {"none", {}}, {"three again", three}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteArrayGroup(key_, QStringLiteral("Sources"), c.rows));
        EXPECT_EQ(ReadArrayGroup(key_, QStringLiteral("Sources")), c.rows);
        EXPECT_EQ(Stored(QStringLiteral("Sources/size")).toInt(), c.rows.size());
        EXPECT_FALSE(Stored(QStringLiteral("Sources/%1/Name").arg(c.rows.size() + 1)).isValid());
        EXPECT_FALSE(Stored(QStringLiteral("Sources/7/Name")).isValid());
        EXPECT_EQ(Stored(QStringLiteral("Sources/Note")).toString(),
                  QStringLiteral("not an element"));
        EXPECT_EQ(Stored(QStringLiteral("Language")).toString(), QStringLiteral("Romana"));
        EXPECT_EQ(Stored(QStringLiteral("Items/User0")).toString(), QStringLiteral("bob"));
    }
}

TEST_F(OptionsStore, ArrayGroupsAreReadAsFarAsTheirElementsExist) {
    const struct {
        const char* text;
        int rows;
    } cases[] = {
        {"", 0},
        {"[Sources]\n1\\Name=a\n", 0}, // no size: no array
        {"[Sources]\nsize=abc\n1\\Name=a\n", 0},
        {"[Sources]\nsize=-3\n1\\Name=a\n", 0},
        {"[Sources]\nsize=2000000000\n1\\Name=a\n", 1},
        {"[Sources]\nsize=3\n1\\Name=a\n3\\Name=c\n", 3}, // a gap reads as an empty element
        {"[Sources]\nsize=1\n1\\Name=a\n2\\Name=b\n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        // A file of its own each: Qt caches what it read of a file by its size and time.
        QFile file(home_.filePath(QString::number(&c - cases) + QStringLiteral(".conf")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.text);
        file.close();
        EXPECT_EQ(ReadArrayGroup(file.fileName(), QStringLiteral("Sources")).size(), c.rows);
    }
}

TEST_F(OptionsStore, ArrayGroupWritesAreWholeFilesAndNeverOverWhatCouldNotBeRead) {
    const QList<TStoredRow> rows = {Row({{"Name", "a"}})};
    ASSERT_TRUE(WriteArrayGroup(key_, QStringLiteral("Sources"), rows));
    const ino_t before = Inode(key_);
    ASSERT_TRUE(WriteArrayGroup(key_, QStringLiteral("Sources"), {}));
    EXPECT_NE(Inode(key_), before);

    qputenv("XDG_CONFIG_HOME", "/proc/self/no/such/folder");
    EXPECT_FALSE(WriteArrayGroup(ProgramKey(), QStringLiteral("Sources"), rows));
    EXPECT_TRUE(ReadArrayGroup(ProgramKey(), QStringLiteral("Sources")).isEmpty());

    if (geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root from reading";
    ASSERT_TRUE(WriteArrayGroup(key_, QStringLiteral("Sources"), rows));
    ASSERT_TRUE(QFile::setPermissions(key_, QFileDevice::WriteOwner));
    EXPECT_TRUE(ReadArrayGroup(key_, QStringLiteral("Sources")).isEmpty());
    EXPECT_FALSE(WriteArrayGroup(key_, QStringLiteral("Sources"), {}));
    QFile::setPermissions(key_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadArrayGroup(key_, QStringLiteral("Sources")), rows);
}

} // namespace
