#include "platform/InterfaceLanguage.h"

#include <gtest/gtest.h>

using namespace tesselvane;

namespace {

TEST(InterfaceLanguage, JapaneseForJapaneseCAndPosixEnglishForAnyOtherOverriddenByTesselvaneLang) {
    constexpr auto ja = InterfaceLanguage::Japanese;
    constexpr auto en = InterfaceLanguage::English;
    const struct {
        const char* override;
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        InterfaceLanguage expected;
    } cases[] = {
        {"", "", "", "", ja},  // nothing set: the C locale
        {"", "C", "", "", ja},
        {"", "POSIX", "", "", ja},
        {"", "C.UTF-8", "", "", ja},
        {"", "", "", "ja_JP.UTF-8", ja},
        {"", "", "", "en_GB.UTF-8", en},
        {"", "", "fr_FR.UTF-8", "ja_JP.UTF-8", en},  // LC_MESSAGES before LANG
        {"", "ja_JP.UTF-8", "en_US.UTF-8", "", ja},  // LC_ALL before both
        {"", "de_DE", "", "", en},
        {"ja", "en_US.UTF-8", "", "", ja},
        {"en", "ja_JP.UTF-8", "", "", en},
        {"fr", "ja_JP.UTF-8", "", "", ja},  // an unknown override is no override
    };
    for (const auto& c : cases) {
        EXPECT_EQ(interfaceLanguageFor(c.override, c.lcAll, c.lcMessages, c.lang), c.expected)
            << c.override << "|" << c.lcAll << "|" << c.lcMessages << "|" << c.lang;
    }
}

}  // namespace
