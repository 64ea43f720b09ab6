#include "TiffEditor.h"

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

namespace lumicap {

namespace {
struct Range
{
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    bool overlaps(const Range &o) const { return begin < o.end && o.begin < end; }
};

struct Entry
{
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    QByteArray field; // the 4 value-or-offset bytes, as stored
};

constexpr std::uint16_t exifPointer = 0x8769;
constexpr std::uint16_t gpsPointer = 0x8825;
constexpr std::uint16_t interopPointer = 0xA005;
constexpr std::uint16_t subIfdsPointer = 0x014A;
constexpr int maxDirectories = 4096;
constexpr std::uint32_t maxOffsets = 1u << 20;

std::uint32_t typeSize(std::uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7:
        return 1;
    case 3: case 8:
        return 2;
    case 4: case 9: case 11: case 13:
        return 4;
    case 5: case 10: case 12:
        return 8;
    default:
        return 0;
    }
}

bool isPointerTag(std::uint16_t tag)
{
    return tag == exifPointer || tag == gpsPointer || tag == interopPointer || tag == subIfdsPointer;
}

// Reads and writes numbers in the file's byte order.
class Tiff
{
public:
    explicit Tiff(QByteArray &data) : data_(data), little_(data.size() >= 2 && data[0] == 'I') {}

    std::uint64_t size() const { return static_cast<std::uint64_t>(data_.size()); }

    std::optional<std::uint32_t> get(std::uint64_t at, int n) const
    {
        if (at + static_cast<std::uint64_t>(n) > size())
            return std::nullopt;
        return decode(data_.constData() + at, n);
    }

    std::uint32_t decode(const char *p, int n) const
    {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | static_cast<unsigned char>(p[little_ ? n - 1 - i : i]);
        return v;
    }

    QByteArray encode(std::uint32_t v, int n) const
    {
        QByteArray out(n, '\0');
        for (int i = 0; i < n; ++i)
            out[little_ ? i : n - 1 - i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return out;
    }

    // Entries of the directory at offset; nothing when it runs off the file.
    std::optional<std::vector<Entry>> directory(std::uint64_t at, std::uint64_t *end = nullptr) const
    {
        const auto count = get(at, 2);
        if (!count || at + 2 + 12ULL * *count + 4 > size())
            return std::nullopt;
        std::vector<Entry> entries(*count);
        for (std::uint32_t i = 0; i < *count; ++i) {
            const std::uint64_t e = at + 2 + 12ULL * i;
            entries[i] = {static_cast<std::uint16_t>(*get(e, 2)), static_cast<std::uint16_t>(*get(e + 2, 2)), *get(e + 4, 4),
                          data_.mid(static_cast<qsizetype>(e + 8), 4)};
        }
        if (end)
            *end = at + 2 + 12ULL * *count + 4;
        return entries;
    }

    // Where an entry's value lives outside its directory, if it does.
    std::optional<Range> valueRange(const Entry &e) const
    {
        const std::uint64_t bytes = static_cast<std::uint64_t>(typeSize(e.type)) * e.count;
        if (bytes <= 4)
            return std::nullopt;
        const std::uint64_t at = decode(e.field.constData(), 4);
        return Range{at, at + bytes};
    }

    // The numbers an entry holds (offsets, byte counts), at most maxOffsets.
    std::vector<std::uint32_t> numbers(const Entry &e) const
    {
        std::vector<std::uint32_t> out;
        const std::uint32_t width = typeSize(e.type);
        if ((width != 2 && width != 4) || e.count > maxOffsets)
            return out;
        const auto range = valueRange(e);
        for (std::uint32_t i = 0; i < e.count; ++i) {
            if (!range) {
                out.push_back(decode(e.field.constData() + i * width, static_cast<int>(width)));
            } else if (const auto v = get(range->begin + static_cast<std::uint64_t>(i) * width, static_cast<int>(width))) {
                out.push_back(*v);
            }
        }
        return out;
    }

    void zero(const Range &r)
    {
        if (r.end <= size() && r.begin < r.end)
            std::fill(data_.begin() + static_cast<qsizetype>(r.begin), data_.begin() + static_cast<qsizetype>(r.end), '\0');
    }

    void append(const QByteArray &bytes) { data_.append(bytes); }
    void truncate(std::uint64_t size) { data_.truncate(static_cast<qsizetype>(size)); }
    void alignToWord()
    {
        if (data_.size() % 2)
            data_.append('\0');
    }
    void put(std::uint64_t at, std::uint32_t v, int n) { data_.replace(static_cast<qsizetype>(at), n, encode(v, n)); }

private:
    QByteArray &data_;
    bool little_;
};

// Collects the bytes a directory and everything below it occupy: its table,
// its values, its pixel data and the directories it points to. The walk has a
// budget; a crafted file can make it endless. A walk that ran out of budget
// is incomplete, and nothing is wiped on the strength of it.
class Footprint
{
public:
    explicit Footprint(const Tiff &tiff) : tiff_(tiff) {}

    void addDirectory(std::uint64_t at, int depth = 0)
    {
        if (!visited_.insert(at).second)
            return; // seen already: a loop, or shared
        std::uint64_t end = 0;
        const auto entries = tiff_.directory(at, &end);
        if (!entries)
            return;
        if (depth > 8 || visited_.size() > maxDirectories) {
            complete = false;
            return;
        }
        ranges.push_back({at, end});
        addEntries(*entries, depth);
    }

    void addEntries(const std::vector<Entry> &entries, int depth = 0)
    {
        const Entry *offsets[2] = {nullptr, nullptr};
        const Entry *counts[2] = {nullptr, nullptr};
        for (const Entry &e : entries) {
            addEntry(e, depth);
            if (e.tag == 0x0111 || e.tag == 0x0144)
                offsets[e.tag == 0x0144] = &e;
            if (e.tag == 0x0117 || e.tag == 0x0145)
                counts[e.tag == 0x0145] = &e;
        }
        for (int k = 0; k < 2; ++k) {
            if (!offsets[k] || !counts[k])
                continue;
            const auto at = numbers(*offsets[k]);
            const auto size = numbers(*counts[k]);
            for (std::size_t i = 0; i < std::min(at.size(), size.size()); ++i)
                ranges.push_back({at[i], static_cast<std::uint64_t>(at[i]) + size[i]});
        }
    }

    void addEntry(const Entry &e, int depth = 0)
    {
        if (const auto r = tiff_.valueRange(e))
            ranges.push_back(*r);
        if (isPointerTag(e.tag)) {
            const auto children = numbers(e);
            if (children.size() > 256)
                complete = false;
            for (std::size_t i = 0; i < std::min<std::size_t>(children.size(), 256); ++i)
                addDirectory(children[i], depth + 1);
        }
    }

    bool overlaps(const Range &r) const
    {
        return std::any_of(ranges.begin(), ranges.end(), [&](const Range &k) { return k.overlaps(r); });
    }

    std::vector<Range> ranges;
    bool complete = true;

private:
    std::vector<std::uint32_t> numbers(const Entry &e)
    {
        if (e.count > budget_) {
            complete = false;
            budget_ = 0;
            return {};
        }
        budget_ -= e.count;
        return tiff_.numbers(e);
    }

    const Tiff &tiff_;
    std::set<std::uint64_t> visited_;
    std::uint64_t budget_ = 1u << 22;
};

bool contains(const std::vector<std::uint16_t> &tags, std::uint16_t tag)
{
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}
} // namespace

bool TiffEditor::isStructuralTag(std::uint16_t tag)
{
    switch (tag) {
    case 0x00FE: case 0x00FF: case 0x0100: case 0x0101: case 0x0102: case 0x0103:
    case 0x0106: case 0x0107: case 0x010A: case 0x0111: case 0x0115: case 0x0116:
    case 0x0117: case 0x0118: case 0x0119: case 0x011A: case 0x011B: case 0x011C:
    case 0x0128: case 0x012D: case 0x013D: case 0x013E: case 0x013F: case 0x0140:
    case 0x0142: case 0x0143: case 0x0144: case 0x0145: case 0x014A: case 0x0152:
    case 0x0153: case 0x0154: case 0x0155: case 0x015B: case 0x0200: case 0x0201:
    case 0x0202: case 0x0203: case 0x0205: case 0x0206: case 0x0207: case 0x0208:
    case 0x0209: case 0x0211: case 0x0212: case 0x0213: case 0x0214: case 0x02BC:
    case 0x83BB: case 0x8649: case 0x8773:
        return true;
    default:
        return false;
    }
}

ImageStatus TiffEditor::apply(QByteArray &bytes, const TagEdits &edits)
{
    Tiff tiff(bytes);
    const auto first = tiff.get(4, 4);
    std::uint64_t firstEnd = 0;
    const auto entries = first ? tiff.directory(*first, &firstEnd) : std::nullopt;
    if (!entries)
        return ImageStatus::GenericError;
    const std::uint32_t next = *tiff.get(firstEnd - 4, 4);

    std::vector<std::uint16_t> replaced;
    for (const TagItem &item : edits.set) {
        const std::uint32_t width = typeSize(item.type);
        if (width == 0 || item.value.size() % width != 0)
            return ImageStatus::InvalidParameter;
        replaced.push_back(item.id);
    }

    std::vector<Entry> kept, dropped;
    for (const Entry &e : *entries) {
        const bool drop = (edits.removeAll && !isStructuralTag(e.tag) && !isTextTag(e.tag)) || contains(edits.removed, e.tag) || contains(replaced, e.tag);
        (drop ? dropped : kept).push_back(e);
    }

    // Wipe what only the dropped entries and the old table used, so a removed
    // tag does not linger in the file. Anything that something kept (or any
    // other page) still uses is left alone.
    Footprint keep(tiff);
    keep.ranges.push_back({0, 8});
    keep.addEntries(kept);
    std::set<std::uint32_t> pages;
    for (auto page = next; page != 0 && pages.insert(page).second && pages.size() < maxDirectories;) {
        keep.addDirectory(page);
        std::uint64_t end = 0;
        if (!tiff.directory(page, &end))
            break;
        page = *tiff.get(end - 4, 4);
    }
    Footprint gone(tiff);
    gone.ranges.push_back({*first, firstEnd});
    for (const Entry &e : dropped)
        gone.addEntry(e);
    std::vector<Range> wiped;
    const bool sure = keep.complete && gone.complete && keep.ranges.size() < maxOffsets;
    for (const Range &r : sure ? gone.ranges : std::vector<Range>()) {
        if (r.end <= tiff.size() && !keep.overlaps(r)) {
            tiff.zero(r);
            wiped.push_back(r);
        }
    }
    // What was wiped at the very end of the file (the directory and values of
    // an earlier save) is cut off, so repeated saves do not grow the file.
    std::uint64_t cut = tiff.size();
    for (bool shrunk = true; shrunk;) {
        shrunk = false;
        for (const Range &r : wiped) {
            if (r.begin < cut && r.end + 1 >= cut && r.begin >= 8) {
                cut = r.begin;
                shrunk = true;
            }
        }
    }
    tiff.truncate(cut);

    // Append the new values and the new directory; only the header moves.
    std::vector<Entry> merged = kept;
    tiff.alignToWord();
    for (const TagItem &item : edits.set) {
        Entry e{item.id, item.type, static_cast<std::uint32_t>(item.value.size() / typeSize(item.type)), {}};
        if (item.value.size() <= 4) {
            e.field = item.value + QByteArray(4 - item.value.size(), '\0');
        } else {
            if (tiff.size() + static_cast<std::uint64_t>(item.value.size()) > 0xFFFFFFF0ULL)
                return ImageStatus::ValueOverflow;
            e.field = tiff.encode(static_cast<std::uint32_t>(tiff.size()), 4);
            tiff.append(item.value);
            tiff.alignToWord();
        }
        merged.push_back(e);
    }
    std::stable_sort(merged.begin(), merged.end(), [](const Entry &a, const Entry &b) { return a.tag < b.tag; });
    if (merged.size() > 0xFFFF || tiff.size() + 6 + 12ULL * merged.size() > 0xFFFFFFF0ULL)
        return ImageStatus::ValueOverflow;

    const auto directoryAt = static_cast<std::uint32_t>(tiff.size());
    QByteArray table = tiff.encode(static_cast<std::uint32_t>(merged.size()), 2);
    for (const Entry &e : merged)
        table += tiff.encode(e.tag, 2) + tiff.encode(e.type, 2) + tiff.encode(e.count, 4) + e.field;
    table += tiff.encode(next, 4);
    tiff.append(table);
    tiff.put(4, directoryAt, 4);
    return ImageStatus::Ok;
}

} // namespace lumicap
