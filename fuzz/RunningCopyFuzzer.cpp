// What crosses the running copy's socket, as either end reads it: any bytes are a request or
// an answer, or none; and what is read is written back the same.

#include "platform/RunningCopyProtocol.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto request = tesselvane::requestFromLine(bytes)) {
        if (tesselvane::requestFromLine(tesselvane::requestLine(*request)) != request)
            std::abort();
    }
    if (const auto answer = tesselvane::answerFromLine(bytes)) {
        const auto again = tesselvane::answerFromLine(tesselvane::answerLine(*answer));
        if (!again || again->done != answer->done || again->status != answer->status)
            std::abort();
    }
    return 0;
}
