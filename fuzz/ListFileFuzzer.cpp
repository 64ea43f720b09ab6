// libFuzzer target: the list-file reader on any bytes.
#include "batch/ListFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const lumicap::BatchList list = lumicap::ListFileParser::parse(file);
    qsizetype bytes = 0;
    for (const lumicap::ListEntry &entry : list) {
        // An entry is part of one line: no line end in it, no 0x04 in its
        // description.
        if (entry.name.contains('\n') || entry.description.contains('\n') || entry.description.contains('\x04'))
            __builtin_trap();
        bytes += entry.name.size() + entry.description.size();
    }
    if (bytes > file.size())
        __builtin_trap();

    // Read in small pieces, as from a file, the list is the same, and the
    // count made before a batch agrees with it.
    lumicap::ListFileReader pieces(file, size > 0 ? 1 + data[0] % 17 : 1);
    if (pieces.countEntries() != static_cast<std::int64_t>(list.size()))
        __builtin_trap();
    lumicap::ListEntry entry;
    std::size_t k = 0;
    while (pieces.next(entry)) {
        if (k >= list.size() || !(entry == list[k++]))
            __builtin_trap();
    }
    if (k != list.size())
        __builtin_trap();
    return 0;
}
