#include "app/CommandLine.h"

#include "platform/InterfaceLanguage.h"
#include "platform/RunningCopyCall.h"

#include <QCoreApplication>

#include <cstdio>
#include <iterator>

namespace tesselvane {

namespace {

struct Switch {
    const char* name;
    RunningCopyRequest request;
    const char* help;
};

const Switch kControlSwitches[] = {
    {"--next", RunningCopyRequest::Next,
     QT_TRANSLATE_NOOP("CommandLine", "次の壁紙にします (メニューの「次へ」)")},
    {"--previous", RunningCopyRequest::Previous,
     QT_TRANSLATE_NOOP("CommandLine", "前の壁紙に戻します (「前へ」)")},
    {"--pause", RunningCopyRequest::Pause,
     QT_TRANSLATE_NOOP("CommandLine", "時間による変更を止めます (「一時停止」)")},
    {"--resume", RunningCopyRequest::Resume,
     QT_TRANSLATE_NOOP("CommandLine", "時間による変更を再び始めます")},
    {"--redisplay", RunningCopyRequest::Redisplay,
     QT_TRANSLATE_NOOP("CommandLine", "今の壁紙をもう一度表示します (「再表示」)")},
    {"--clear", RunningCopyRequest::Clear,
     QT_TRANSLATE_NOOP("CommandLine", "壁紙を消します (「壁紙を消す」)")},
    {"--jump", RunningCopyRequest::Jump,
     QT_TRANSLATE_NOOP("CommandLine", "ジャンプのダイアログを開きます")},
    {"--slide", RunningCopyRequest::Slide,
     QT_TRANSLATE_NOOP("CommandLine", "選んだグループのスライドショーを始めます")},
    {"--show", RunningCopyRequest::Forward,
     QT_TRANSLATE_NOOP("CommandLine", "ツールバーを元に戻します")},
    {"--status", RunningCopyRequest::Status,
     QT_TRANSLATE_NOOP("CommandLine", "group, picture, mode, paused, next を一行ずつ表示します")},
};

// Qt's own command-line options (QGuiApplication, QApplication, the xcb platform), with a
// value or without; one or two dashes.
const char* const kQtOptions[] = {
    "platform",      "platformpluginpath",
    "platformtheme", "plugin",
    "qmljsdebugger", "qwindowgeometry",
    "qwindowicon",   "qwindowtitle",
    "reverse",       "session",
    "style",         "stylesheet",
    "widgetcount",   "display",
    "geometry",      "title",
    "name",          "visual",
    "ncols",         "cmap",
    "nograb",        "dograb",
    "sync",          "fn",
    "font",          "bg",
    "background",    "fg",
    "foreground",    "btn",
    "button",        "im",
    "testability",
};

bool isQtOption(const QString& argument) {
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    name = name.section(u'=', 0, 0);
    for (const char* option : kQtOptions) {
        if (name == QLatin1String(option))
            return true;
    }
    return false;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine command;
    if (arguments.isEmpty())
        return command;
    const QString first = arguments.first();
    if (first.toUpper() == QLatin1String("-C")) {
        command.action = CommandLine::Action::ChangeOnce;
        return command;
    }
    if (!first.startsWith(u'-'))
        return command;  // no switch: nothing else was ever read
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        command.action = CommandLine::Action::Help;
        return command;
    }
    if (first == QLatin1String("--version")) {
        command.action = CommandLine::Action::Version;
        return command;
    }
    for (const Switch& control : kControlSwitches) {
        if (first == QLatin1String(control.name)) {
            command.action = CommandLine::Action::Control;
            command.request = control.request;
            return command;
        }
    }
    if (isQtOption(first))
        return command;
    command.action = CommandLine::Action::Unknown;
    command.unknown = first;
    return command;
}

QString usageText() {
    QString text = interfaceText(
        "CommandLine",
        "使い方: tesselvane [スイッチ]\n"
        "  (なし)       壁紙を変えながら常駐します; 動いていれば、そのツールバーを前に出します\n"
        "  -C           壁紙を一度変えて終わります (間隔モードでは常駐します)\n");
    for (const Switch& control : kControlSwitches) {
        text += QStringLiteral("  %1%2\n")
                    .arg(QLatin1String(control.name), -13)
                    .arg(interfaceText("CommandLine", control.help));
    }
    text += interfaceText(
        "CommandLine",
        "  --help       この使い方を表示します\n"
        "  --version    バージョンを表示します\n"
        "--next から --status までは動いている Tesselvane への命令です。\n"
        "終了コード: 0 成功、1 失敗、2 スイッチの誤り、3 動いている Tesselvane がない\n");
    return text;
}

int sendToRunningCopy(RunningCopyRequest request) {
    using std::chrono::milliseconds;
    // A copy that holds the lock takes calls from its first moments on; connecting is tried
    // again only for the instant between the two.
    const RunningCopyCall call = callRunningCopy(request, milliseconds(500), milliseconds(5000));
    switch (call.outcome) {
        case RunningCopyCall::Outcome::NoRunningCopy:
            std::fprintf(
                stderr, "tesselvane: %s\n",
                qPrintable(interfaceText("CommandLine", "動いている Tesselvane がありません")));
            return 3;
        case RunningCopyCall::Outcome::NoAnswer:
            std::fprintf(
                stderr, "tesselvane: %s\n",
                qPrintable(interfaceText("CommandLine", "動いている Tesselvane が答えません")));
            return 1;
        case RunningCopyCall::Outcome::Answered:
            break;
    }
    if (!call.answer.done) {
        std::fprintf(stderr, "tesselvane: %s\n", qPrintable(call.answer.error));
        return 1;
    }
    for (const auto& [key, value] : call.answer.status)
        std::printf("%s: %s\n", qPrintable(key), qPrintable(value));
    return 0;
}

}  // namespace tesselvane
