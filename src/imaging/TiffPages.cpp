#include "imaging/TiffPages.h"

#include <cstdint>
#include <set>

namespace lumicap {

namespace {
class Reader
{
public:
    explicit Reader(const QByteArray &data)
        : data_(data)
        , little_(data.size() >= 2 && data[0] == 'I')
    {}

    std::optional<std::uint32_t> u16(std::uint64_t at) const { return read(at, 2); }
    std::optional<std::uint32_t> u32(std::uint64_t at) const { return read(at, 4); }

private:
    std::optional<std::uint32_t> read(std::uint64_t at, int n) const
    {
        if (at + static_cast<std::uint64_t>(n) > static_cast<std::uint64_t>(data_.size()))
            return std::nullopt;
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            const std::uint32_t b = static_cast<unsigned char>(data_[static_cast<qsizetype>(at) + (little_ ? n - 1 - i : i)]);
            v = (v << 8) | b;
        }
        return v;
    }

    const QByteArray &data_;
    bool little_;
};
} // namespace

std::optional<int> countTiffPages(const QByteArray &tiff)
{
    Reader r(tiff);
    auto offset = r.u32(4);
    std::set<std::uint32_t> seen;
    int pages = 0;
    while (offset && *offset != 0) {
        if (!seen.insert(*offset).second)
            return std::nullopt; // a loop
        const auto entries = r.u16(*offset);
        if (!entries)
            return std::nullopt;
        ++pages;
        offset = r.u32(static_cast<std::uint64_t>(*offset) + 2 + 12ULL * *entries);
    }
    if (!offset)
        return std::nullopt;
    return pages;
}

} // namespace lumicap
