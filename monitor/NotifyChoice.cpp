#include "monitor/NotifyChoice.h"

#include "shell/uOptions.h"

#include <array>

namespace {

constexpr std::array kChoices = {TNotifyChoice::Both, TNotifyChoice::Online, TNotifyChoice::Offline,
                                 TNotifyChoice::None};

} // namespace

QString NotifyChoiceWord(TNotifyChoice choice) {
    switch (choice) {
    case TNotifyChoice::Online:
        return QStringLiteral("online");
    case TNotifyChoice::Offline:
        return QStringLiteral("offline");
    case TNotifyChoice::None:
        return QStringLiteral("none");
    case TNotifyChoice::Both:
        break;
    }
    return QStringLiteral("both");
}

TNotifyChoice NotifyChoiceOf(const QString& stored) {
    for (const TNotifyChoice choice : kChoices) {
        if (stored == NotifyChoiceWord(choice))
            return choice;
    }
    return TNotifyChoice::Both;
}

bool NotifyAllows(const QString& stored, TBuddyStatus code) {
    switch (NotifyChoiceOf(stored)) {
    case TNotifyChoice::Online:
        return code != bsOffline;
    case TNotifyChoice::Offline:
        return code == bsOffline;
    case TNotifyChoice::None:
        return false;
    case TNotifyChoice::Both:
        break;
    }
    return true;
}

QString NotifyOptionName(int slot) {
    return QStringLiteral("Notify%1").arg(slot);
}

void DefineNotifyOption(TOptions& options, int slot) {
    options.AddOption(QStringLiteral("Items"), NotifyOptionName(slot), QString(), varString);
}
