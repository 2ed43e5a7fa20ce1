// The CSV export, byte for byte.
#include "history/HistoryCsv.h"

#include "tests/history/HistoryTestSupport.h"

#include <gtest/gtest.h>

namespace {

QString Word(int code) {
    switch (code) {
    case 0:
        return QStringLiteral("ONLINE");
    case 2:
        return QStringLiteral("ONLINE (INVISIBLE)");
    case 254:
        return QStringLiteral("NOT SCANNED");
    default:
        return QStringLiteral("code %1").arg(code);
    }
}

TEST(HistoryCsv, NothingRecordedIsTheHeaderAlone) {
    EXPECT_EQ(HistoryCsv({}, Word), QByteArray("time,id,source,from,to\n"));
}

TEST(HistoryCsv, QuotesWhatWouldBreakAFieldAndNothingElse) {
    const std::vector<THistoryChange> changes = {
        {Utc("2026-12-09T14:03:07Z"), Key("plain"), 254, 0},
        {Utc("2026-12-09T14:03:07.999Z"), Key("comma,id"), 0, 2},
        {Utc("2026-12-10T00:00:00Z"), Key("say \"hi\""), 2, 10},
        {Utc("2026-12-10T00:00:01Z"), Key("two\nlines", "Src\r1"), 10, 0},
        {Utc("2026-12-10T00:00:02Z"), Key("ștefan.țară", "Sursă"), 0, 254},
    };
    const QByteArray expected = "time,id,source,from,to\n"
                                "2026-12-09T14:03:07Z,plain,Zentrilo,NOT SCANNED,ONLINE\n"
                                "2026-12-09T14:03:07Z,\"comma,id\",Zentrilo,ONLINE,"
                                "ONLINE (INVISIBLE)\n"
                                "2026-12-10T00:00:00Z,\"say \"\"hi\"\"\",Zentrilo,"
                                "ONLINE (INVISIBLE),code 10\n"
                                "2026-12-10T00:00:01Z,\"two\nlines\",\"Src\r1\",code 10,ONLINE\n"
                                "2026-12-10T00:00:02Z,\xc8\x99tefan.\xc8\x9b\x61r\xc4\x83,"
                                "Surs\xc4\x83,ONLINE,NOT SCANNED\n";
    EXPECT_EQ(HistoryCsv(changes, Word), expected);
}

} // namespace
