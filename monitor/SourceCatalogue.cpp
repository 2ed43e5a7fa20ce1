#include "monitor/SourceCatalogue.h"

#include "net/Hosts.h"
#include "remote/RemoteSettings.h"
#include "shell/Language.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace {

bool HasControl(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

// Which address a problem is in: "The query address" or "The address to open".
struct TAddressField {
    const char* english;
    const char* romanian;
    bool holdsId; // must hold "%s"
};
constexpr TAddressField kQueryAddress{"The query address", "Adresa de interogare", true};
constexpr TAddressField kOpenAddress{"The address to open", "Adresa de deschis", false};

// The host and the port of an address's authority ("user@host:port"); the port is null when
// there is none.
void SplitAuthority(const QString& authority, QString& host, QString& port) {
    const QString hostPort = authority.mid(authority.lastIndexOf(u'@') + 1);
    const qsizetype close = hostPort.startsWith(u'[') ? hostPort.indexOf(u']') : -1;
    const qsizetype colon = hostPort.indexOf(u':', std::max<qsizetype>(close, 0));
    host = colon < 0 ? hostPort : hostPort.left(colon);
    port = colon < 0 ? QString() : hostPort.mid(colon + 1);
}

bool IsPort(const QString& text) {
    bool number = false;
    const int port = text.toInt(&number);
    return number && port >= 1 && port <= 65535 && text.front().isDigit();
}

// What is wrong with an address, in the order a user would mend it; empty when nothing is.
QString AddressProblem(const QString& address, const TAddressField& field) {
    const QString which = Lang(field.english, field.romanian);
    if (std::any_of(address.begin(), address.end(), [](QChar c) { return c.isSpace(); }))
        return Lang("Addresses cannot contain blanks; write %20",
                    "Adresele nu pot conține spații; scrie %20");
    const qsizetype schemeEnd = address.indexOf(QStringLiteral("://"));
    const QString scheme = address.left(std::max<qsizetype>(schemeEnd, 0)).toLower();
    if (scheme.isEmpty())
        return Lang("%1 must begin with http:// or https://!",
                    "%1 trebuie să înceapă cu http:// sau https://!")
            .arg(which);
    if (scheme != u"http" && scheme != u"https")
        return Lang("%1 must begin with http:// or https://, not %2://!",
                    "%1 trebuie să înceapă cu http:// sau https://, nu cu %2://!")
            .arg(which, address.left(schemeEnd));
    const QString rest = address.mid(schemeEnd + 3);
    QString host;
    QString port;
    SplitAuthority(rest.left(rest.indexOf(QRegularExpression(QStringLiteral("[/?#]")))), host,
                   port);
    if (host.isEmpty())
        return Lang("%1 names no host after %2://!", "%1 nu numește nicio gazdă după %2://!")
            .arg(which, address.left(schemeEnd));
    if (!port.isNull() && !IsPort(port))
        return Lang("%1 has a port that is not a number from 1 to 65535: \"%2\"!",
                    "%1 are un port care nu este un număr de la 1 la 65535: \"%2\"!")
            .arg(which, port);
    if (field.holdsId && !address.contains(QStringLiteral("%s")))
        return Lang("%1 must hold %s where the ID goes!",
                    "%1 trebuie să conțină %s în locul ID-ului!")
            .arg(which);
    const QUrl url(ExpandTemplate(address, QStringLiteral("x")), QUrl::StrictMode);
    if (!url.isValid())
        return Lang("%1 is not a valid web address (%2)!", "%1 nu este o adresă web validă (%2)!")
            .arg(which, url.errorString().section(u';', 0, 0)); // what follows repeats the address
    return {};
}

// The part of a rule that does not parse, in words.
QString RulePart(const TPresenceRule& rule) {
    const QString& text = rule.Text();
    const qsizetype colon = text.indexOf(u':');
    const QString argument = text.mid(colon + 1);
    const QString element = argument.left(argument.indexOf(u'=')).trimmed();
    switch (rule.Problem()) {
    case TRuleProblem::None:
        return {};
    case TRuleProblem::UnknownKind:
        return Lang("\"%1\" is not a kind of rule", "\"%1\" nu este un fel de regulă")
            .arg(colon < 0 ? text : text.left(colon + 1));
    case TRuleProblem::BadPointer:
        return argument.startsWith(u'/')
                   ? Lang("in the pointer \"%1\" a ~ is followed by neither 0 nor 1",
                          "în pointerul \"%1\" un ~ nu este urmat nici de 0, nici de 1")
                         .arg(argument)
                   : Lang("the pointer \"%1\" does not begin with /",
                          "pointerul \"%1\" nu începe cu /")
                         .arg(argument);
    case TRuleProblem::NoElement:
        return element.isEmpty() ? Lang("no element is named before =",
                                        "niciun element nu este numit înainte de =")
                                 : Lang("the element's name \"%1\" has blanks",
                                        "numele elementului \"%1\" conține spații")
                                       .arg(element);
    case TRuleProblem::NoValues:
        return argument.contains(u'=')
                   ? Lang("a value after = is empty", "o valoare de după = este goală")
                   : Lang("no = with values follows \"%1\"", "după \"%1\" nu urmează = cu valori")
                         .arg(element);
    case TRuleProblem::NoNeedle:
        return Lang("nothing follows text:", "după text: nu urmează nimic");
    }
    return {};
}

QString NameProblem(const QString& name) {
    if (name.isEmpty())
        return Lang("Please give the source a name!", "Te rog dă-i un nume sursei!");
    if (HasControl(name))
        return Lang("A source's name is one line of text!",
                    "Numele unei surse este un singur rând de text!");
    return {};
}

QString RuleProblem(const TPresenceRule& rule) {
    if (rule.IsValid())
        return {};
    return Lang("The rule \"%1\" cannot be used: %2. %3",
                "Regula \"%1\" nu poate fi folosită: %2. %3")
        .arg(rule.Text(), RulePart(rule), RuleProblemText(rule.Problem()));
}

} // namespace

TSourceCatalogue::TSourceCatalogue(std::vector<TPresenceSource> userSources)
    : user_(std::move(userSources)) {}

void TSourceCatalogue::SetUserSources(std::vector<TPresenceSource> userSources) {
    user_ = std::move(userSources);
}

std::vector<TPresenceSource> TSourceCatalogue::All() const {
    std::vector<TPresenceSource> all{OwnServiceSource()};
    all.insert(all.end(), PresetSources().begin(), PresetSources().end());
    all.insert(all.end(), user_.begin(), user_.end());
    return all;
}

const TPresenceSource* TSourceCatalogue::Find(const QString& name) const {
    if (name.isEmpty() || SameSourceName(name, OwnServiceSource().Name))
        return &OwnServiceSource();
    for (const auto* sources : {&PresetSources(), &user_}) {
        for (const TPresenceSource& source : *sources) {
            if (SameSourceName(source.Name, name))
                return &source;
        }
    }
    return nullptr;
}

QString TSourceCatalogue::DefinitionProblem(const TPresenceSource& definition,
                                            const QString& replacing, TSourceField* field) const {
    const TPresenceSource* same = Find(definition.Name);
    const bool taken =
        same != nullptr && !(same->Kind == TSourceKind::User && !replacing.isEmpty() &&
                             SameSourceName(same->Name, replacing));
    const QString nameProblem =
        taken ? Lang("A source named \"%1\" already exists!", "Există deja o sursă numită \"%1\"!")
                    .arg(same->Name)
              : QString();
    const std::pair<TSourceField, QString> problems[] = {
        {TSourceField::Name, NameProblem(definition.Name)},
        {TSourceField::Name, nameProblem},
        {TSourceField::Url, AddressProblem(definition.Url, kQueryAddress)},
        {TSourceField::Rule, RuleProblem(definition.Rule)},
        {TSourceField::Open,
         definition.Open.isEmpty() ? QString() : AddressProblem(definition.Open, kOpenAddress)},
    };
    for (const auto& [where, problem] : problems) {
        if (problem.isEmpty())
            continue;
        if (field != nullptr)
            *field = where;
        return problem;
    }
    return {};
}

const TSourceCatalogue& BuiltInSources() {
    static const TSourceCatalogue builtIn;
    return builtIn;
}

bool OwnServiceConfigured() {
    return !(SiteScan ? DetectHost() : IndicatorHost()).empty();
}
