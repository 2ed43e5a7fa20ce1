#include "monitor/SourceCatalogue.h"

#include "net/Hosts.h"
#include "remote/RemoteSettings.h"
#include "shell/Language.h"

#include <QUrl>

#include <algorithm>

namespace {

bool HasControl(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

// An absolute http or https address with a host, once every "%s" holds an ID.
bool IsWebAddress(const QString& pattern) {
    const QUrl url(ExpandTemplate(pattern, QStringLiteral("x")), QUrl::StrictMode);
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https") &&
           !url.host().isEmpty();
}

QString NameProblem(const QString& name) {
    if (name.isEmpty())
        return Lang("Please give the source a name!", "Te rog dă-i un nume sursei!");
    if (HasControl(name))
        return Lang("A source's name is one line of text!",
                    "Numele unei surse este un singur rând de text!");
    return {};
}

QString UrlProblem(const QString& url) {
    if (!IsWebAddress(url))
        return Lang("The address must be a web address that begins with http:// or https://!",
                    "Adresa trebuie să fie o adresă web care începe cu http:// sau https://!");
    if (!url.contains(QStringLiteral("%s")))
        return Lang("The address must hold %s where the ID goes!",
                    "Adresa trebuie să conțină %s în locul ID-ului!");
    return {};
}

QString RuleProblem(const TPresenceRule& rule) {
    if (rule.IsValid())
        return {};
    return Lang("The rule \"%1\" cannot be used. %2", "Regula \"%1\" nu poate fi folosită. %2")
        .arg(rule.Text(), RuleProblemText(rule.Problem()));
}

QString OpenProblem(const QString& open) {
    if (open.isEmpty() || IsWebAddress(open))
        return {};
    return Lang("The address to open must be a web address that begins with http:// or https://!",
                "Adresa de deschis trebuie să fie o adresă web care începe cu http:// sau "
                "https://!");
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
        {TSourceField::Url, UrlProblem(definition.Url)},
        {TSourceField::Rule, RuleProblem(definition.Rule)},
        {TSourceField::Open, OpenProblem(definition.Open)},
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
