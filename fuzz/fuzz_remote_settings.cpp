// The vendor's settings file is foreign input: any bytes must apply without a crash, and the
// reader must keep its value-length limit.
#include "remote/ProfileReader.h"
#include "remote/RemoteSettings.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ApplyRemoteSettings(bytes);
    const TProfileReader reader(bytes);
    for (const char* key : {"whatsnew", "lastversion", "buddylimit"}) {
        const std::optional<QString> value = reader.Find(QStringLiteral("Settings"), key);
        if (value && value->size() > TProfileReader::MaxValueLength)
            std::abort();
    }
    (void)ProfileInteger(QString::fromLatin1(bytes));
    return 0;
}
