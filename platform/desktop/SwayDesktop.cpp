#include "platform/desktop/SwayDesktop.h"

#include "platform/InterfaceLanguage.h"
#include "platform/desktop/FreshLink.h"
#include "platform/desktop/MonitorPictures.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tesselvane {

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr qsizetype kMagicSize = 6;
constexpr qsizetype kHeaderSize = kMagicSize + 8;
// A reply to one command is a few dozen bytes; anything near this is not sway talking.
constexpr quint32 kMaxReply = 1 << 20;
constexpr int kTimeoutMs = 5000;

// The compositor splits the command at blanks and quotes and expands the path as a shell
// word: a path of plain characters needs neither quoting nor escaping.
bool plainPath(const QString& path) {
    for (const QChar c : path) {
        if (!c.isLetterOrNumber() && !QStringView(u"/._-+,:@%=").contains(c))
            return false;
    }
    return !path.isEmpty();
}

// An output's name (DP-1, HEADLESS-2) as a command may carry it unquoted.
bool plainOutputName(const QString& name) {
    for (const QChar c : name) {
        if (!c.isLetterOrNumber() && !QStringView(u"-_.").contains(c))
            return false;
    }
    return !name.isEmpty() && name.size() <= 256;
}

// A rectangle of the layout, when its numbers are ones a compositor could give.
std::optional<QRect> layoutRect(const QJsonObject& rect) {
    constexpr int kFar = 1 << 20;
    const int x = rect.value(QLatin1String("x")).toInt(kFar + 1);
    const int y = rect.value(QLatin1String("y")).toInt(kFar + 1);
    const int width = rect.value(QLatin1String("width")).toInt(0);
    const int height = rect.value(QLatin1String("height")).toInt(0);
    if (std::abs(x) > kFar || std::abs(y) > kFar || width <= 0 || height <= 0 || width > 65535 ||
        height > 65535)
        return std::nullopt;
    return QRect(x, y, width, height);
}

// A plain Unix socket: the whole exchange is one message each way.
class IpcSocket {
public:
    explicit IpcSocket(const QString& path) : path_(path) {
        const QByteArray name = QFile::encodeName(path);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (size_t(name.size()) >= sizeof address.sun_path)
            throw DesktopError(
                interfaceText("SwayDesktop", "sway の IPC ソケットの名前 %1 が長すぎます")
                    .arg(path));
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            throw DesktopError(
                interfaceText("SwayDesktop", "sway の IPC ソケット %1 に接続できません").arg(path));
        }
    }
    ~IpcSocket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    IpcSocket(const IpcSocket&) = delete;
    IpcSocket& operator=(const IpcSocket&) = delete;

    void send(const QByteArray& bytes, const QDeadlineTimer& deadline) {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            wait(POLLOUT, deadline);
            const ssize_t n =
                ::send(fd_, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n < 0 && errno != EINTR && errno != EAGAIN)
                lost();
            sent += std::max<ssize_t>(n, 0);
        }
    }

    // Appends what arrives; raises when the connection ends first.
    void receive(QByteArray& bytes, const QDeadlineTimer& deadline) {
        wait(POLLIN, deadline);
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            lost();
        if (n > 0)
            bytes.append(buffer, n);
    }

private:
    void wait(short events, const QDeadlineTimer& deadline) {
        pollfd entry{fd_, events, 0};
        for (;;) {
            const int n = ::poll(&entry, 1, int(deadline.remainingTime()));
            if (n > 0)
                return;
            if (n == 0)
                throw DesktopError(interfaceText("SwayDesktop", "sway が IPC に答えません"));
            if (errno != EINTR)
                lost();
        }
    }
    [[noreturn]] void lost() {
        throw DesktopError(
            interfaceText("SwayDesktop", "sway の IPC ソケット %1 との接続が切れました")
                .arg(path_));
    }

    QString path_;
    int fd_ = -1;
};

// Sends `request` and returns the complete reply to it.
QByteArray exchange(IpcSocket& socket, const QByteArray& request, SwayDesktop::MessageType type,
                    const QDeadlineTimer& deadline) {
    socket.send(request, deadline);
    QByteArray reply;
    for (;;) {
        const qsizetype size = SwayDesktop::replySize(reply, type);
        if (size > 0 && reply.size() >= size)
            return reply;
        socket.receive(reply, deadline);
    }
}

}  // namespace

QByteArray SwayDesktop::command(const QString& file, WallpaperStyle style, const QColor& background,
                                const QString& output) {
    const QByteArray colour = background.name().toLatin1();
    const QByteArray head = "output " + output.toUtf8() + " bg ";
    if (file.isEmpty())
        return head + colour + " solid_color";
    if (!plainPath(file)) {
        throw DesktopError(
            interfaceText("SwayDesktop", "sway に渡せない文字が壁紙のパス %1 にあります")
                .arg(file));
    }
    return head + file.toUtf8() + (style == WallpaperStyle::Tiled ? " tile " : " center ") + colour;
}

QByteArray SwayDesktop::message(const QByteArray& payload, MessageType type) {
    QByteArray bytes(kMagic, kMagicSize);
    char word[4];
    qToLittleEndian<quint32>(quint32(payload.size()), word);
    bytes.append(word, 4);
    qToLittleEndian<quint32>(type, word);
    bytes.append(word, 4);
    return bytes + payload;
}

qsizetype SwayDesktop::replySize(const QByteArray& reply, MessageType type) {
    if (reply.size() < kHeaderSize)
        return 0;
    if (!reply.startsWith(QByteArrayView(kMagic, kMagicSize)))
        throw DesktopError(interfaceText("SwayDesktop", "sway の IPC の返事が読めません"));
    const quint32 length = qFromLittleEndian<quint32>(reply.constData() + kMagicSize);
    const quint32 answered = qFromLittleEndian<quint32>(reply.constData() + kMagicSize + 4);
    if (length > kMaxReply || answered != type)
        throw DesktopError(interfaceText("SwayDesktop", "sway の IPC の返事が読めません"));
    return kHeaderSize + qsizetype(length);
}

void SwayDesktop::checkReply(const QByteArray& reply) {
    const qsizetype size = replySize(reply);
    if (size == 0 || reply.size() < size)
        throw DesktopError(interfaceText("SwayDesktop", "sway の IPC の返事が途中で切れています"));
    const QJsonDocument json = QJsonDocument::fromJson(reply.mid(kHeaderSize, size - kHeaderSize));
    if (!json.isArray() || json.array().isEmpty())
        throw DesktopError(interfaceText("SwayDesktop", "sway の IPC の返事が読めません"));
    for (const QJsonValue& result : json.array()) {
        if (!result.toObject().value(QLatin1String("success")).toBool()) {
            throw DesktopError(
                interfaceText("SwayDesktop", "sway が壁紙の設定を断りました: %1")
                    .arg(result.toObject().value(QLatin1String("error")).toString()));
        }
    }
}

std::vector<SwayDesktop::Output> SwayDesktop::outputs(const QByteArray& reply) {
    const qsizetype size = replySize(reply, GetOutputs);
    if (size == 0 || reply.size() < size)
        throw DesktopError(interfaceText("SwayDesktop", "sway の IPC の返事が途中で切れています"));
    const QJsonDocument json = QJsonDocument::fromJson(reply.mid(kHeaderSize, size - kHeaderSize));
    if (!json.isArray())
        throw DesktopError(interfaceText("SwayDesktop", "sway の IPC の返事が読めません"));
    std::vector<Output> found;
    for (const QJsonValue& value : json.array()) {
        const QJsonObject output = value.toObject();
        if (!output.value(QLatin1String("active")).toBool(true))
            continue;
        const QString name = output.value(QLatin1String("name")).toString();
        const std::optional<QRect> rect =
            layoutRect(output.value(QLatin1String("rect")).toObject());
        if (!plainOutputName(name) || !rect)
            return {};
        if (output.value(QLatin1String("focused")).toBool())
            found.insert(found.begin(), Output{name, *rect});
        else
            found.push_back(Output{name, *rect});
    }
    return found;
}

// The compositor forgets the wallpaper at its end, whatever `persist`.
void SwayDesktop::apply(const WallpaperRequest& wallpaper) {
    const QString socketPath = qEnvironmentVariable("SWAYSOCK");
    if (socketPath.isEmpty())
        throw DesktopError(
            interfaceText("SwayDesktop", "sway の IPC ソケット (SWAYSOCK) がありません"));
    IpcSocket socket(socketPath);
    const QDeadlineTimer deadline(kTimeoutMs);
    // sway centres and tiles on each output itself; only a picture fitted to the focused
    // output is fitted anew to each of the others, and each output's own is its own.
    std::vector<Output> shownOn;
    std::vector<QString> files;
    if (!wallpaper.file.isEmpty() &&
        (wallpaper.fit.fitScreen || !wallpaper.monitorPictures.empty())) {
        shownOn = outputs(exchange(socket, message({}, GetOutputs), GetOutputs, deadline));
        std::vector<QRect> rects;
        for (const Output& output : shownOn)
            rects.push_back(output.rect);
        files = monitorFiles(wallpaper, rects, QStringLiteral("output"));
    }
    QByteArray commands;
    if (files.empty()) {
        commands =
            command(freshLinkToWallpaper(wallpaper.file), wallpaper.style, wallpaper.background);
    } else {
        const QStringList links = freshLinksTo(QStringList(files.begin(), files.end()));
        for (size_t i = 0; i < shownOn.size(); ++i) {
            commands += (i == 0 ? "" : "; ") + command(links.at(qsizetype(i)), wallpaper.style,
                                                       wallpaper.background, shownOn[i].name);
        }
    }
    checkReply(exchange(socket, message(commands), RunCommand, deadline));
}

void SwayDesktop::watchLayout(std::function<void()> changed) {
    monitorWatch_ = watchQtMonitors(std::move(changed));
}

}  // namespace tesselvane
