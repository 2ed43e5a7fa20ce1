// The presence decoding on any reply body: the fake fetcher answers with the fuzz bytes as
// text, and the hexadecimal helper sees them directly.
#include "monitor/Presence.h"
#include "shell/uStrUtils.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

std::u16string& Reply() {
    static std::u16string reply;
    return reply;
}

bool FakeFetch(const std::string&, std::u16string& text, const TFetchControl&) {
    text = Reply();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool installed = (SetPresenceFetcher(FakeFetch), true);
    (void)installed;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Reply() = text.toStdU16String();
    (void)QueryStatusService(QStringLiteral("someone"), false).Run();
    (void)QueryStatusService(QStringLiteral("someone"), true).Run();
    (void)QueryIndicator(QStringLiteral("someone")).Run();
    (void)HexToInt(text);
    (void)HexToInt(text.left(2));
    return 0;
}
