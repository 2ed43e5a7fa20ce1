#include "monitor/SourceCatalogue.h"

#include "net/Hosts.h"
#include "remote/RemoteSettings.h"
#include "shell/Language.h"
#include "tests/monitor/MonitorFakes.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

TPresenceSource Source(const char* name, const char* url = "https://example.org/u/%s",
                       const char* rule = "json:/online", const char* open = "") {
    return UserSource(QString::fromUtf8(name), QString::fromUtf8(url), QString::fromUtf8(rule),
                      QString::fromUtf8(open));
}

QStringList Names(const std::vector<TPresenceSource>& sources) {
    QStringList names;
    for (const TPresenceSource& source : sources)
        names << source.Name;
    return names;
}

TEST(PresenceSource, TheIdIsPercentEncodedAsUtf8WhereverTheTemplateSaysS) {
    const struct {
        const char* id;
        const char* encoded;
    } cases[] = {
        {"alice", "alice"},
        {"Al-ice_9.~", "Al-ice_9.~"},
        {"a b", "a%20b"},
        {"a&b=c", "a%26b%3Dc"},
        {"a#frag", "a%23frag"},
        {"100%", "100%25"},
        {"%s", "%25s"}, // never expanded twice
        {"a+b/c?d", "a%2Bb%2Fc%3Fd"},
        {"\xc4\x83\xc8\x99t", "%C4%83%C8%99t"},
        {"\xf0\x9f\x98\x80", "%F0%9F%98%80"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandTemplate(u"https://x.example/?ids=%s"_s, QString::fromUtf8(c.id)),
                  u"https://x.example/?ids="_s + QString::fromUtf8(c.encoded))
            << c.id;
    EXPECT_EQ(ExpandTemplate(u"https://x.example/%s/?a=%s&b=%20"_s, u"x y"_s),
              u"https://x.example/x%20y/?a=x%20y&b=%20"_s);
    EXPECT_EQ(ExpandTemplate(u"https://x.example/fixed"_s, u"alice"_s),
              u"https://x.example/fixed"_s);
}

TEST(PresenceSource, PresetsAndTheOwnServiceAreAsPublished) {
    const std::vector<TPresenceSource>& presets = PresetSources();
    const struct {
        const char* name;
        const char* query; // of the ID "Ana B"
        const char* rule;
        const char* open; // of the ID "ana"
    } published[] = {
        {"Lichess", "https://lichess.org/api/users/status?ids=Ana%20B", "json:/0/online",
         "https://lichess.org/@/ana"},
        {"Steam", "https://steamcommunity.com/id/Ana%20B/?xml=1", "xml:onlineState=online|in-game",
         "https://steamcommunity.com/id/ana"},
    };
    ASSERT_EQ(presets.size(), std::size(published));
    for (std::size_t i = 0; i < presets.size(); ++i) {
        EXPECT_EQ(presets[i].Name, QString::fromUtf8(published[i].name));
        EXPECT_EQ(presets[i].QueryUrl(u"Ana B"_s), QString::fromUtf8(published[i].query));
        EXPECT_EQ(presets[i].Rule.Text(), QString::fromUtf8(published[i].rule));
        EXPECT_EQ(presets[i].OpenUrl(u"ana"_s), QString::fromUtf8(published[i].open));
    }
    for (const TPresenceSource& preset : presets) {
        EXPECT_EQ(preset.Kind, TSourceKind::Preset);
        EXPECT_TRUE(preset.Rule.IsValid());
        // A user's copy under another name passes every check.
        EXPECT_EQ(TSourceCatalogue().DefinitionProblem(
                      UserSource(u"Copy"_s, preset.Url, preset.Rule.Text(), preset.Open)),
                  QString());
    }
    EXPECT_EQ(OwnServiceSource().Name, u"Zentrilo"_s);
    EXPECT_TRUE(OwnServiceSource().IsOwnService());
}

TEST(SourceCatalogue, FindsBySourceNameInAnyLetterCase) {
    const TSourceCatalogue catalogue({Source("My Chess"), Source("\xc3\x8env\xc4\x83\xc8\x9b")});
    EXPECT_EQ(Names(catalogue.All()),
              QStringList({u"Zentrilo"_s, u"Lichess"_s, u"Steam"_s, u"My Chess"_s,
                           QString::fromUtf8("\xc3\x8env\xc4\x83\xc8\x9b")}));
    const struct {
        const char* asked;
        const char* found; // nullptr: none
    } cases[] = {
        {"", "Zentrilo"},         {"zentrilo", "Zentrilo"},
        {"LICHESS", "Lichess"},   {"steam", "Steam"},
        {"my chess", "My Chess"}, {"\xc3\xaenv\xc4\x82\xc8\x9a", "\xc3\x8env\xc4\x83\xc8\x9b"},
        {"My Chess ", nullptr},   {"Nobody", nullptr},
    };
    for (const auto& c : cases) {
        const TPresenceSource* found = catalogue.Find(QString::fromUtf8(c.asked));
        if (c.found == nullptr)
            EXPECT_EQ(found, nullptr) << c.asked;
        else
            EXPECT_EQ(found ? found->Name : u"(none)"_s, QString::fromUtf8(c.found)) << c.asked;
    }
}

// Every refusal, as the Sources window shows it, in both languages.
TEST(SourceCatalogue, BadDefinitionsAreRefusedWithAClearMessage) {
    const char* kBlankEn = "Addresses cannot contain blanks; write %20";
    const char* kBlankRo = "Adresele nu pot conține spații; scrie %20";
    const TSourceCatalogue catalogue({Source("My Chess")});
    const struct {
        TPresenceSource definition;
        const char* replacing;
        const char* english; // "": accepted
        const char* romanian;
    } cases[] = {
        {Source("Friends"), "", "", ""},
        {Source("  Friends  "), "", "", ""},
        {Source("My Chess"), "my chess", "", ""}, // an edit keeps its own name
        {Source("MY CHESS"), "My Chess", "", ""},
        {Source("x", "HTTP://Example.org/%s", "text:on", "https://example.org/"), "", "", ""},
        {Source(""), "", "Please give the source a name!", "Te rog dă-i un nume sursei!"},
        {Source("   "), "", "Please give the source a name!", "Te rog dă-i un nume sursei!"},
        {Source("two\nlines"), "", "A source's name is one line of text!",
         "Numele unei surse este un singur rând de text!"},
        {Source("steam"), "", "A source named \"Steam\" already exists!",
         "Există deja o sursă numită \"Steam\"!"},
        {Source("ZENTRILO"), "", "A source named \"Zentrilo\" already exists!",
         "Există deja o sursă numită \"Zentrilo\"!"},
        {Source("my chess"), "", "A source named \"My Chess\" already exists!",
         "Există deja o sursă numită \"My Chess\"!"},
        {Source("Lichess"), "My Chess", "A source named \"Lichess\" already exists!",
         "Există deja o sursă numită \"Lichess\"!"},
        {Source("x", "https://example.org/users"), "",
         "The query address must hold %s where the ID goes!",
         "Adresa de interogare trebuie să conțină %s în locul ID-ului!"},
        {Source("x", "ftp://example.org/%s"), "",
         "The query address must begin with http:// or https://, not ftp://!",
         "Adresa de interogare trebuie să înceapă cu http:// sau https://, nu cu ftp://!"},
        {Source("x", "example.org/%s"), "",
         "The query address must begin with http:// or https://!",
         "Adresa de interogare trebuie să înceapă cu http:// sau https://!"},
        {Source("x", "https:///%s"), "", "The query address names no host after https://!",
         "Adresa de interogare nu numește nicio gazdă după https://!"},
        {Source("x", "http://user@:80/%s"), "", "The query address names no host after http://!",
         "Adresa de interogare nu numește nicio gazdă după http://!"},
        {Source("x", "https://exa mple.org/%s"), "", kBlankEn, kBlankRo},
        {Source("x", "http://127.0.0.1:8765/a b/%s"), "", kBlankEn, kBlankRo},
        {Source("x", "http://127.0.0.1:8765/a\tb/%s"), "", kBlankEn, kBlankRo},
        {Source("x", "http://host:abc/%s"), "",
         "The query address has a port that is not a number from 1 to 65535: \"abc\"!",
         "Adresa de interogare are un port care nu este un număr de la 1 la 65535: \"abc\"!"},
        {Source("x", "http://host:70000/%s"), "",
         "The query address has a port that is not a number from 1 to 65535: \"70000\"!",
         "Adresa de interogare are un port care nu este un număr de la 1 la 65535: \"70000\"!"},
        {Source("x", "http://host:/%s"), "",
         "The query address has a port that is not a number from 1 to 65535: \"\"!",
         "Adresa de interogare are un port care nu este un număr de la 1 la 65535: \"\"!"},
        {Source("x", "http://[::1]:8080/%s"), "", "", ""},
        {Source("x", "http://h/%s^"), "",
         "The query address is not a valid web address (Invalid path (character '^' not "
         "permitted))!",
         "Adresa de interogare nu este o adresă web validă (Invalid path (character '^' not "
         "permitted))!"},
        {Source("x", "https://example.org/%s", "json:online"), "",
         "The rule \"json:online\" cannot be used: the pointer \"online\" does not begin with /. A "
         "JSON pointer is empty or begins with /, and every ~ in it is followed by 0 or 1.",
         "Regula \"json:online\" nu poate fi folosită: pointerul \"online\" nu începe cu /. Un "
         "pointer JSON este gol sau începe cu /, iar orice ~ din el este urmat de 0 sau 1."},
        {Source("x", "https://example.org/%s", "json:/a~2"), "",
         "The rule \"json:/a~2\" cannot be used: in the pointer \"/a~2\" a ~ is followed by "
         "neither 0 nor 1. A JSON pointer is empty or begins with /, and every ~ in it is followed "
         "by 0 or 1.",
         "Regula \"json:/a~2\" nu poate fi folosită: în pointerul \"/a~2\" un ~ nu este urmat "
         "nici de 0, nici de 1. Un pointer JSON este gol sau începe cu /, iar orice ~ din el este "
         "urmat de 0 sau 1."},
        {Source("x", "https://example.org/%s", "online"), "",
         "The rule \"online\" cannot be used: \"online\" is not a kind of rule. A rule begins "
         "with json:, xml: or text:.",
         "Regula \"online\" nu poate fi folosită: \"online\" nu este un fel de regulă. O regulă "
         "începe cu json:, xml: sau text:."},
        {Source("x", "https://example.org/%s", "yaml:online"), "",
         "The rule \"yaml:online\" cannot be used: \"yaml:\" is not a kind of rule. A rule "
         "begins with json:, xml: or text:.",
         "Regula \"yaml:online\" nu poate fi folosită: \"yaml:\" nu este un fel de regulă. O "
         "regulă începe cu json:, xml: sau text:."},
        {Source("x", "https://example.org/%s", "xml:state"), "",
         "The rule \"xml:state\" cannot be used: no = with values follows \"state\". An xml rule "
         "gives one or more values after =, separated by |, none of them empty.",
         "Regula \"xml:state\" nu poate fi folosită: după \"state\" nu urmează = cu valori. O "
         "regulă xml dă una sau mai multe valori după =, separate prin |, niciuna goală."},
        {Source("x", "https://example.org/%s", "xml:state=on||off"), "",
         "The rule \"xml:state=on||off\" cannot be used: a value after = is empty. An xml rule "
         "gives one or more values after =, separated by |, none of them empty.",
         "Regula \"xml:state=on||off\" nu poate fi folosită: o valoare de după = este goală. O "
         "regulă xml dă una sau mai multe valori după =, separate prin |, niciuna goală."},
        {Source("x", "https://example.org/%s", "xml:=on"), "",
         "The rule \"xml:=on\" cannot be used: no element is named before =. An xml rule names "
         "an element without blanks: xml:ELEMENT=VALUE|VALUE…",
         "Regula \"xml:=on\" nu poate fi folosită: niciun element nu este numit înainte de =. O "
         "regulă xml numește un element fără spații: xml:ELEMENT=VALOARE|VALOARE…"},
        {Source("x", "https://example.org/%s", "xml:a b=on"), "",
         "The rule \"xml:a b=on\" cannot be used: the element's name \"a b\" has blanks. An xml "
         "rule names an element without blanks: xml:ELEMENT=VALUE|VALUE…",
         "Regula \"xml:a b=on\" nu poate fi folosită: numele elementului \"a b\" conține "
         "spații. O regulă xml numește un element fără spații: xml:ELEMENT=VALOARE|VALOARE…"},
        {Source("x", "https://example.org/%s", "text:"), "",
         "The rule \"text:\" cannot be used: nothing follows text:. A text rule gives the text "
         "to look for: text:NEEDLE",
         "Regula \"text:\" nu poate fi folosită: după text: nu urmează nimic. O regulă text dă "
         "textul căutat: text:TEXT"},
        {Source("x", "https://example.org/%s", "text:on", "file:///etc/passwd"), "",
         "The address to open must begin with http:// or https://, not file://!",
         "Adresa de deschis trebuie să înceapă cu http:// sau https://, nu cu file://!"},
        {Source("x", "https://example.org/%s", "text:on", "https://example.org/a b"), "", kBlankEn,
         kBlankRo},
    };
    const bool saved = UseEnglish;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.definition.Name.toStdString() + " " + c.definition.Url.toStdString() + " " +
                     c.definition.Rule.Text().toStdString());
        for (const bool english : {true, false}) {
            UseEnglish = english;
            EXPECT_EQ(catalogue.DefinitionProblem(c.definition, QString::fromUtf8(c.replacing)),
                      QString::fromUtf8(english ? c.english : c.romanian));
        }
    }
    UseEnglish = saved;
}

TEST(SourceCatalogue, TheOwnServiceIsConfiguredByTheHostItsQueriesAsk) {
    qunsetenv("ZENTRILO_INDICATOR_HOST");
    if (!IndicatorHost().empty())
        GTEST_SKIP() << "this build configures the indicator service";
    const bool saved = SiteScan;
    qputenv("ZENTRILO_DETECT_HOST", "127.0.0.1:9");
    for (const bool siteScan : {true, false}) {
        SiteScan = siteScan;
        EXPECT_EQ(OwnServiceConfigured(), siteScan) << "sitescan " << siteScan;
    }
    qunsetenv("ZENTRILO_DETECT_HOST");
    SiteScan = saved;
}

} // namespace
