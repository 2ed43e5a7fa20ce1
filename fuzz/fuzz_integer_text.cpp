// The stored integer-text rule on arbitrary text. Besides not crashing, every accepted value
// must read back from its own decimal form.
#include "shell/IntegerText.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(const QString& text) {
    const std::optional<std::int32_t> value = IntegerText(text);
    if (value && IntegerText(QString::number(*value)) != value)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* chars = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);
    Check(QString::fromUtf8(chars, length));
    Check(QString::fromLatin1(chars, length));
    return 0;
}
