#pragma once
// Every source an entry can use: the program's own service, the presets and the user's own,
// with lookup by name and the checks a new or edited definition must pass.

#include "monitor/PresenceSource.h"

#include <vector>

// The parts of a user's definition, as a window asks for them.
enum class TSourceField { Name, Url, Rule, Open };

class TSourceCatalogue {
public:
    explicit TSourceCatalogue(std::vector<TPresenceSource> userSources = {});

    const std::vector<TPresenceSource>& UserSources() const { return user_; }
    void SetUserSources(std::vector<TPresenceSource> userSources);

    // The own service, the presets, then the user's sources in their order.
    std::vector<TPresenceSource> All() const;

    // The first source of that name in the order of All(), in any letter case; none: nullptr.
    // An empty name is the program's own service, as a slot without a source is. The pointer
    // holds until the user's sources change.
    const TPresenceSource* Find(const QString& name) const;

    // Why a user's definition cannot be stored, in the current language; empty when it can.
    // `replacing`: the name of the user source that an edit replaces; empty for a new one.
    // `field`, when given, receives the part the problem lies in.
    QString DefinitionProblem(const TPresenceSource& definition, const QString& replacing = {},
                              TSourceField* field = nullptr) const;

private:
    std::vector<TPresenceSource> user_;
};

// The program's own service and the presets alone.
const TSourceCatalogue& BuiltInSources();

// True when this build or the environment gives the program's own service the host that its
// queries ask now (by SiteScan).
bool OwnServiceConfigured();
