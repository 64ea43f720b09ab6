// libFuzzer target: the list-file parser on any bytes.
#include "ListFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const lumicap::BatchList list = lumicap::ListFileParser::parse(file);
    for (const lumicap::ListEntry &entry : list) {
        // Pieces are at most 4094 bytes: no entry can be longer.
        if (entry.name.size() > lumicap::ListFileParser::pieceSize || entry.description.size() > lumicap::ListFileParser::pieceSize)
            __builtin_trap();
    }
    return 0;
}
