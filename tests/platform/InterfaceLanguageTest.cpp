#include "platform/InterfaceLanguage.h"

#include <gtest/gtest.h>

using namespace tesselvane;

namespace {

TEST(InterfaceLanguage, JapaneseForJapaneseCAndPosixEnglishForAnyOtherOverriddenByTesselvaneLang) {
    using enum InterfaceLanguage;
    const struct {
        const char* override;
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        InterfaceLanguage expected;
    } cases[] = {
        {"", "", "", "", Japanese},  // nothing set: the C locale
        {"", "C", "", "", Japanese},
        {"", "POSIX", "", "", Japanese},
        {"", "C.UTF-8", "", "", Japanese},
        {"", "", "", "ja_JP.UTF-8", Japanese},
        {"", "", "", "en_GB.UTF-8", English},
        {"", "", "fr_FR.UTF-8", "ja_JP.UTF-8", English},   // LC_MESSAGES before LANG
        {"", "ja_JP.UTF-8", "en_US.UTF-8", "", Japanese},  // LC_ALL before both
        {"", "de_DE", "", "", English},
        {"ja", "en_US.UTF-8", "", "", Japanese},
        {"en", "ja_JP.UTF-8", "", "", English},
        {"fr", "ja_JP.UTF-8", "", "", Japanese},  // an unknown override is no override
    };
    for (const auto& c : cases) {
        EXPECT_EQ(interfaceLanguageFor(c.override, c.lcAll, c.lcMessages, c.lang), c.expected)
            << c.override << "|" << c.lcAll << "|" << c.lcMessages << "|" << c.lang;
    }
}

}  // namespace
