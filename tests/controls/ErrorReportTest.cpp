#include "controls/ErrorReport.h"

#include "picture/PictureError.h"
#include "platform/DesktopBackend.h"
#include "platform/StoreError.h"
#include "settings/SettingsError.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace tesselvane;

namespace {

TEST(ErrorReport, ShowsTheMessageOfEveryErrorMeantForPeople) {
    const auto text = [](auto error) { return errorText(std::make_exception_ptr(error)); };
    EXPECT_EQ(text(StoreError(StoreError::Kind::Busy, "店は使用中")), "店は使用中");
    EXPECT_EQ(text(SettingsError("'Random' の取得に失敗しました")),
              "'Random' の取得に失敗しました");
    EXPECT_EQ(text(PictureError("ビットマップ画像 a.bmp は不正です")),
              "ビットマップ画像 a.bmp は不正です");
    EXPECT_EQ(text(DesktopError("壁紙は設定できません")), "壁紙は設定できません");
    EXPECT_EQ(text(std::runtime_error("disk full")), "disk full");
    EXPECT_EQ(text(42), "不明なエラーが発生しました");
}

TEST(ErrorReport, AddsAFullStopOnlyWhenThereIsNone) {
    EXPECT_EQ(withFullStop("'x' のデータ型が不正です"), "'x' のデータ型が不正です。");
    EXPECT_EQ(withFullStop("Disk full"), "Disk full.");
    EXPECT_EQ(withFullStop("Done."), "Done.");
    EXPECT_EQ(withFullStop("済み。"), "済み。");
    EXPECT_EQ(withFullStop(""), "");
}

}  // namespace
