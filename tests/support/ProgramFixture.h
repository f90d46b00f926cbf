#pragma once

// What the tests of the program's windows share: the per-user store with the program's key,
// a desktop that records what it is asked to show, a 24-bit screen of 800 x 600, the message
// boxes caught instead of shown, and solid test pictures. For test binaries that link the
// settings, picture and controls layers.

#include "RecordingDesktop.h"
#include "TestFolders.h"
#include "controls/MessageBoxes.h"
#include "platform/DesktopService.h"
#include "platform/RegistryStore.h"
#include "platform/Screen.h"
#include "settings/RegIni.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace tesselvane::test {

class ProgramFixture : public ::testing::Test {
protected:
    struct Box {
        MessageKind kind;
        QString caption;
        QString text;
    };

    void SetUp() override {
        store_ = std::make_unique<RegistryStore>(RegistryStore::defaultPath());
        ini_ = std::make_unique<RegIni>(*store_);
        auto recording = std::make_unique<RecordingDesktop>(calls_);
        recording_ = recording.get();
        desktop_ = std::make_unique<DesktopService>(*store_, std::move(recording));
        desktopService = desktop_.get();
        setScreenOverride(ScreenOverride{24, QSize(800, 600), {}});
        setMessageBoxHook([this](MessageKind kind, const QString& caption, const QString& text) {
            boxes_.push_back({kind, caption, text});
        });
    }
    void TearDown() override {
        setMessageBoxHook({});
        setScreenOverride(std::nullopt);
        desktopService = nullptr;
    }

    // A solid picture file in the test's scratch folder (folders in `name` are made).
    QString picture(const QString& name, QColor colour, QSize size = QSize(8, 8)) {
        QImage image(size, QImage::Format_RGB888);
        image.fill(colour);
        const QString path = scratchFolder() + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }

    std::shared_ptr<QList<RecordingDesktop::Call>> calls_ =
        std::make_shared<QList<RecordingDesktop::Call>>();
    std::vector<Box> boxes_;
    std::unique_ptr<RegistryStore> store_;
    std::unique_ptr<RegIni> ini_;
    std::unique_ptr<DesktopService> desktop_;
    RecordingDesktop* recording_ = nullptr;  // desktop_'s
};

}  // namespace tesselvane::test
