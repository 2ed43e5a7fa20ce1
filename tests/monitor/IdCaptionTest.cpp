#include "monitor/IdCaption.h"

#include "tests/monitor/MonitorFakes.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Each mix of sources: only the program's own service keeps the Yahoo! wording exactly; any other
// source is named as written.
TEST(IdCaption, LabelsColumnsAndWarningsFollowTheSources) {
    const struct {
        QStringList sources; // the first one is the one chosen
        const char* caption[2];
        const char* column[2];
        const char* warning[2];
        const char* count[2];
    } cases[] = {
        {{},
         {"Yahoo! ID", "ID Yahoo!"},
         {"Yahoo! ID", "ID Yahoo!"},
         {"Please enter a valid Yahoo! ID!", "Te rog introdu un ID Yahoo! valid!"},
         {"5 Yahoo! IDs", "5 ID-uri Yahoo!"}},
        {{u""_s, u""_s},
         {"Yahoo! ID", "ID Yahoo!"},
         {"Yahoo! ID", "ID Yahoo!"},
         {"Please enter a valid Yahoo! ID!", "Te rog introdu un ID Yahoo! valid!"},
         {"5 Yahoo! IDs", "5 ID-uri Yahoo!"}},
        {{u"Lichess"_s},
         {"Lichess ID", "ID Lichess"},
         {"ID", "ID"},
         {"Please enter a valid Lichess ID!", "Te rog introdu un ID Lichess valid!"},
         {"5 IDs", "5 ID-uri"}},
        {{u""_s, u"Steam"_s},
         {"Yahoo! ID", "ID Yahoo!"},
         {"ID", "ID"},
         {"Please enter a valid Yahoo! ID!", "Te rog introdu un ID Yahoo! valid!"},
         {"5 IDs", "5 ID-uri"}},
        {{u"my Chess 100%"_s, u""_s},
         {"my Chess 100% ID", "ID my Chess 100%"},
         {"ID", "ID"},
         {"Please enter a valid my Chess 100% ID!", "Te rog introdu un ID my Chess 100% valid!"},
         {"5 IDs", "5 ID-uri"}},
    };
    for (const auto& c : cases) {
        const QString chosen = c.sources.isEmpty() ? QString() : c.sources.front();
        SCOPED_TRACE(chosen.toStdString());
        for (const int language : {0, 1}) {
            const bool english = language == 0;
            TLanguageScope scope(english);
            EXPECT_EQ(IdCaption(chosen, english), QString::fromUtf8(c.caption[language]));
            EXPECT_EQ(IdColumnCaption(c.sources, english), QString::fromUtf8(c.column[language]));
            EXPECT_EQ(BlankIdWarning(chosen), QString::fromUtf8(c.warning[language]));
            EXPECT_EQ(IdCount(5, c.sources, english), QString::fromUtf8(c.count[language]));
        }
    }
}

} // namespace
