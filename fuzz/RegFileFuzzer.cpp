// The .reg file reader: any bytes give either changes, each from its own line in file order,
// or an error with a reason and nothing else; never a crash or a hang.

#include "tools/RegFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const tesselvane::RegFileParse parsed = tesselvane::parseRegFile(content);
    if (parsed.error) {
        if (!parsed.changes.empty() || parsed.error->line < 0 || parsed.error->reason.isEmpty()) {
            std::abort();
        }
        return 0;
    }
    int previousLine = 0;
    for (const tesselvane::RegFileChange& change : parsed.changes) {
        if (change.line <= previousLine)
            std::abort();
        previousLine = change.line;
    }
    return 0;
}
