#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace tesselvane;
using Action = CommandLine::Action;

namespace {

TEST(CommandLine, OnlyTheFirstArgumentIsOursAndQtKeepsItsOwn) {
    const struct {
        QStringList arguments;
        Action action;
        std::optional<RunningCopyRequest> request;
    } cases[] = {
        {{}, Action::Run, {}},
        {{"-C"}, Action::ChangeOnce, {}},
        {{"-c", "--next"}, Action::ChangeOnce, {}},
        {{"--next"}, Action::Control, RunningCopyRequest::Next},
        {{"--previous"}, Action::Control, RunningCopyRequest::Previous},
        {{"--pause"}, Action::Control, RunningCopyRequest::Pause},
        {{"--resume"}, Action::Control, RunningCopyRequest::Resume},
        {{"--redisplay"}, Action::Control, RunningCopyRequest::Redisplay},
        {{"--clear"}, Action::Control, RunningCopyRequest::Clear},
        {{"--jump"}, Action::Control, RunningCopyRequest::Jump},
        {{"--slide"}, Action::Control, RunningCopyRequest::Slide},
        {{"--show"}, Action::Control, RunningCopyRequest::Forward},
        {{"--status"}, Action::Control, RunningCopyRequest::Status},
        {{"--help"}, Action::Help, {}},
        {{"-h"}, Action::Help, {}},
        {{"--version"}, Action::Version, {}},
        {{"--NEXT"}, Action::Unknown, {}},
        {{"-x"}, Action::Unknown, {}},
        {{"--next=1"}, Action::Unknown, {}},
        {{"-platform", "xcb"}, Action::Run, {}},
        {{"--style=fusion"}, Action::Run, {}},
        {{"picture.jpg"}, Action::Run, {}},  // no switch: nothing else was ever read
    };
    for (const auto& c : cases) {
        const CommandLine command = parseCommandLine(c.arguments);
        EXPECT_EQ(command.action, c.action) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(command.request, c.request) << c.arguments.join(' ').toStdString();
        if (c.action == Action::Unknown) {
            EXPECT_EQ(command.unknown, c.arguments.first());
        }
    }
    for (const char* named : {"--next", "--status", "--help", "--version", "-C"})
        EXPECT_TRUE(usageText().contains(QLatin1String(named))) << named;
}

}  // namespace
