#include "monitor/SourceSettings.h"

#include "shell/uOptions.h"
#include "tests/monitor/MonitorFakes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

class SourceSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        key_ = home_.filePath(u"ZentriloSoft/Zentrilo.conf"_s);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(key_).absolutePath()));
    }
    void Write(const QByteArray& text) {
        QFile file(key_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    QVariant Stored(const QString& path) const {
        return QSettings(key_, QSettings::NativeFormat).value(path);
    }
    // The main window's options for three slots, with their sources.
    TOptions SlotOptions() const {
        TOptions options;
        for (int slot = 0; slot < 3; ++slot) {
            options.AddOption(u"Items"_s, u"User%1"_s.arg(slot), QString(), varString);
            options.AddOption(u"Items"_s, u"Interval%1"_s.arg(slot), 1, varInteger);
            DefineSourceOption(options, slot);
        }
        return options;
    }

    QTemporaryDir home_;
    QString key_;
};

// A file of an earlier version has no sources; a save keeps every value it holds.
const QByteArray kOldFile = "Language=Romana\n\n[%General]\nCloseToTray=0\nFuture=yes\n\n"
                            "[Items]\nUser0=bob\nInterval0=3\nUser1=ann\nInterval1=x\n";

TEST_F(SourceSettings, SourcesRoundTripWithWhatThisVersionDoesNotKnow) {
    Write(kOldFile + "\n[Sources]\nsize=1\n1\\Name=Old\n1\\Url=http://x/%s\n1\\Rule=text:on\n"
                     "1\\Colour=green\n");
    std::vector<TPresenceSource> sources = LoadSources(key_);
    ASSERT_EQ(sources.size(), 1u);
    EXPECT_EQ(sources[0].Extra, (QMap<QString, QString>{{u"Colour"_s, u"green"_s}}));
    EXPECT_TRUE(sources[0].Rule.IsValid());
    // Texts QSettings must quote or escape; an unknown value moves with its source.
    sources.insert(sources.begin(),
                   UserSource(u"Chess, \"blitz\" @ \u0219ah; #1"_s,
                              u"http://127.0.0.1:5/api/users/status?ids=%s&a=1,2"_s,
                              u"json:/0/online"_s, u"@http://127.0.0.1:5/@/%s"_s));
    sources.push_back(UserSource(u"Games"_s, u"http://127.0.0.1:5/id/%s/?xml=1"_s,
                                 u"xml:onlineState=online|in-game"_s, {}));
    ASSERT_TRUE(SaveSources(key_, sources));

    const std::vector<TPresenceSource> loaded = LoadSources(key_);
    ASSERT_EQ(loaded.size(), 3u);
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(loaded[i].Kind, TSourceKind::User);
        EXPECT_EQ(loaded[i].Name, sources[i].Name);
        EXPECT_EQ(loaded[i].Url, sources[i].Url);
        EXPECT_EQ(loaded[i].Rule.Text(), sources[i].Rule.Text());
        EXPECT_EQ(loaded[i].Open, sources[i].Open);
        EXPECT_EQ(loaded[i].Extra, sources[i].Extra);
    }
    EXPECT_EQ(Stored(u"Sources/2/Colour"_s).toString(), u"green"_s);
    EXPECT_EQ(Stored(u"Sources/size"_s).toInt(), 3);
    EXPECT_EQ(Stored(u"Language"_s).toString(), u"Romana"_s);
    EXPECT_EQ(Stored(u"General/Future"_s).toString(), u"yes"_s);
    EXPECT_EQ(Stored(u"Items/Interval1"_s).toString(), u"x"_s);
}

TEST_F(SourceSettings, StoredDefinitionsLoadAsTheyAreEvenWhenBroken) {
    Write("[Sources]\nsize=3\n1\\Name=Broken\n1\\Rule=yaml:x\n3\\Name=\n3\\Url=http://x/%s\n");
    const std::vector<TPresenceSource> sources = LoadSources(key_);
    ASSERT_EQ(sources.size(), 2u) << "the empty second element is no source";
    EXPECT_EQ(sources[0].Name, u"Broken"_s);
    EXPECT_EQ(sources[0].Rule.Problem(), TRuleProblem::UnknownKind);
    EXPECT_EQ(sources[1].Name, QString());
    EXPECT_EQ(sources[1].Url, u"http://x/%s"_s);
}

TEST_F(SourceSettings, SlotsNameTheirSourceAndOldFilesMeanTheOwnService) {
    Write(kOldFile);
    TOptions options = SlotOptions();
    options.LoadFromRegistry(key_);
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_EQ(SlotSourceName(options, slot), QString()) << slot;

    SetSlotSourceName(options, 0, u"zentrilo"_s);
    SetSlotSourceName(options, 1, u"Steam"_s);
    SetSlotSourceName(options, 2, u"Deleted Long Ago"_s); // kept: the row shows why it fails
    options.SaveToRegistry(key_);
    EXPECT_EQ(Stored(u"Items/Source0"_s).toString(), QString());
    EXPECT_EQ(Stored(u"Items/Source1"_s).toString(), u"Steam"_s);

    TOptions reloaded = SlotOptions();
    reloaded.LoadFromRegistry(key_);
    EXPECT_EQ(SlotSourceName(reloaded, 0), QString());
    EXPECT_EQ(SlotSourceName(reloaded, 1), u"Steam"_s);
    EXPECT_EQ(SlotSourceName(reloaded, 2), u"Deleted Long Ago"_s);
    EXPECT_EQ(Stored(u"General/Future"_s).toString(), u"yes"_s);
    EXPECT_TRUE(LoadSources(key_).empty());
}

} // namespace
