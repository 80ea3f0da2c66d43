// libFuzzer target: any bytes parse without crashing, and what the writer makes of them is a
// fixed point of reading and writing.
#include "core/sonnet/projectdocument.h"

#include <cstdint>
#include <cstdlib>

using namespace torvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QByteArray written = serializeProject(parseProject(input));
    const QByteArray rewritten = serializeProject(parseProject(written));
    if (rewritten != written)
        std::abort();
    return 0;
}
