#include "platform/RunningCopyProtocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <iterator>

namespace tesselvane {

namespace {

// By the ordinal of RunningCopyRequest. "forward" is what every second start has sent.
constexpr const char* kRequestWords[] = {"forward",   "next",  "previous", "pause", "resume",
                                         "redisplay", "clear", "jump",     "slide", "status"};
static_assert(std::size(kRequestWords) == static_cast<size_t>(RunningCopyRequest::Status) + 1);

QByteArray withoutLineBreak(const QByteArray& line) {
    return line.endsWith('\n') ? line.chopped(1) : line;
}

}  // namespace

QByteArray requestLine(RunningCopyRequest request) {
    return QByteArray(kRequestWords[static_cast<size_t>(request)]) + '\n';
}

std::optional<RunningCopyRequest> requestFromLine(const QByteArray& line) {
    const QByteArray word = withoutLineBreak(line);
    for (size_t i = 0; i < std::size(kRequestWords); ++i) {
        if (word == kRequestWords[i])
            return static_cast<RunningCopyRequest>(i);
    }
    return std::nullopt;
}

// An answer is a JSON object on one line: {"done":true}, {"done":false,"error":"..."}, and
// for a status {"done":true,"status":[["group","..."],...]}. JSON keeps line breaks and any
// other character of a path or a message inside the line.
QByteArray answerLine(const RunningCopyAnswer& answer) {
    QJsonObject object{{QStringLiteral("done"), answer.done}};
    if (!answer.done)
        object.insert(QStringLiteral("error"), answer.error);
    if (!answer.status.isEmpty()) {
        QJsonArray status;
        for (const auto& [key, value] : answer.status)
            status.append(QJsonArray{key, value});
        object.insert(QStringLiteral("status"), status);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<RunningCopyAnswer> answerFromLine(const QByteArray& line) {
    const QByteArray text = withoutLineBreak(line);
    if (text.size() > kLongestAnswer || text.contains('\n'))
        return std::nullopt;
    QJsonParseError parsed{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &parsed);
    if (parsed.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue done = object.value(QLatin1String("done"));
    if (!done.isBool())
        return std::nullopt;
    RunningCopyAnswer answer;
    answer.done = done.toBool();
    answer.error = object.value(QLatin1String("error")).toString();
    for (const QJsonValue& entry : object.value(QLatin1String("status")).toArray()) {
        const QJsonArray pair = entry.toArray();
        if (pair.size() != 2 || !pair[0].isString() || !pair[1].isString())
            return std::nullopt;
        answer.status.append({pair[0].toString(), pair[1].toString()});
    }
    return answer;
}

}  // namespace tesselvane
