// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "app/QtText.h"

namespace lumora {
namespace {

TEST(QtTextTest, TextsCrossIntoQtAndBackWhole) {
    struct Case {
        const char* utf8;
        const char* gbk;  // nullptr: only the round trip is checked
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"http://127.0.0.1:8600/", "http://127.0.0.1:8600/"},
        {"视频", "\xCA\xD3\xC6\xB5"},
        {"　音量：45%",
         "\xA1\xA1\xD2\xF4\xC1\xBF\xA3\xBA"
         "45%"},
        // Characters plain GBK lacks keep their four-byte GB18030 form.
        {"한국 \xF0\x9F\x8E\xAC", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        const Text text(c.utf8);
        if (c.gbk) {
            EXPECT_EQ(text.Bytes(), c.gbk);
        }
        const QString shown = ToQString(text);
        EXPECT_EQ(shown, QString::fromUtf8(c.utf8));
        EXPECT_EQ(FromQString(shown), text);
    }
}

TEST(QtTextTest, LoneSurrogateTypedBecomesReplacementCharacter) {
    QString typed = QStringLiteral("a");
    typed.append(QChar(char16_t(0xD800)));
    typed.append(QLatin1Char('b'));
    EXPECT_EQ(FromQString(typed), Text("a\xEF\xBF\xBD"
                                       "b"));
}

}  // namespace
}  // namespace lumora
