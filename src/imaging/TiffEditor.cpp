#include "imaging/TiffEditor.h"

#include "imaging/TiffTypes.h"

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
    QByteArray field;     // the 4 value-or-offset bytes, as stored
    std::size_t slot = 0; // which value to be placed is this entry's, from 1
};

constexpr std::uint16_t exifPointer = 0x8769;
constexpr std::uint16_t gpsPointer = 0x8825;
constexpr std::uint16_t interopPointer = 0xA005;
constexpr std::uint16_t subIfdsPointer = 0x014A;
// Strips, tiles and a thumbnail (JPEGInterchangeFormat): their offsets,
// and the byte counts that go with them.
constexpr std::uint16_t offsetTags[3] = {0x0111, 0x0144, 0x0201};
constexpr std::uint16_t countTags[3] = {0x0117, 0x0145, 0x0202};
constexpr int maxDirectories = 4096;
constexpr std::uint32_t maxOffsets = 1u << 20;

bool isPointerTag(std::uint16_t tag)
{
    return tag == exifPointer || tag == gpsPointer || tag == interopPointer || tag == subIfdsPointer;
}

// Reads and writes numbers in the file's byte order.
class Tiff
{
public:
    explicit Tiff(QByteArray &data)
        : data_(data)
        , little_(data.size() >= 2 && data[0] == 'I')
    {}

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
        const std::uint64_t bytes = static_cast<std::uint64_t>(tiffTypeSize(e.type)) * e.count;
        if (bytes <= 4)
            return std::nullopt;
        const std::uint64_t at = decode(e.field.constData(), 4);
        return Range{at, at + bytes};
    }

    // The numbers an entry holds (offsets, byte counts), at most maxOffsets.
    std::vector<std::uint32_t> numbers(const Entry &e) const
    {
        std::vector<std::uint32_t> out;
        const std::uint32_t width = tiffTypeSize(e.type);
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
    void write(std::uint64_t at, const QByteArray &bytes) { data_.replace(static_cast<qsizetype>(at), bytes.size(), bytes); }

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
    explicit Footprint(const Tiff &tiff)
        : tiff_(tiff)
    {}

    void addDirectory(std::uint64_t at, int depth = 0)
    {
        if (!visited_.insert(at).second)
            return; // seen already: a loop, or shared
        // Overlapping directories can make a small block hold millions of
        // entries; no real one has this many.
        const auto count = tiff_.get(at, 2);
        if (count && *count > entriesLeft_) {
            complete = false;
            entriesLeft_ = 0;
            return;
        }
        entriesLeft_ -= count ? *count : 0;
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
        const Entry *offsets[3] = {nullptr, nullptr, nullptr};
        const Entry *counts[3] = {nullptr, nullptr, nullptr};
        for (const Entry &e : entries) {
            addEntry(e, depth);
            for (int k = 0; k < 3; ++k) {
                if (e.tag == offsetTags[k])
                    offsets[k] = &e;
                if (e.tag == countTags[k])
                    counts[k] = &e;
            }
        }
        for (int k = 0; k < 3; ++k) {
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
    std::uint32_t entriesLeft_ = 1u << 18;
};

bool contains(const std::vector<std::uint16_t> &tags, std::uint16_t tag)
{
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

// Free byte ranges, handed out first fit at even offsets.
class FreeSpace
{
public:
    explicit FreeSpace(std::vector<Range> ranges)
    {
        std::sort(ranges.begin(), ranges.end(), [](const Range &a, const Range &b) { return a.begin < b.begin; });
        for (const Range &r : ranges) {
            if (!free_.empty() && r.begin <= free_.back().end)
                free_.back().end = std::max(free_.back().end, r.end);
            else
                free_.push_back(r);
        }
    }

    std::optional<std::uint64_t> take(std::uint64_t size)
    {
        for (Range &r : free_) {
            const std::uint64_t at = r.begin + (r.begin % 2);
            if (at + size <= r.end) {
                r.begin = at + size;
                return at;
            }
        }
        return std::nullopt;
    }

private:
    std::vector<Range> free_;
};

QByteArray directoryTable(const Tiff &tiff, const std::vector<Entry> &entries, std::uint32_t next)
{
    QByteArray table = tiff.encode(static_cast<std::uint32_t>(entries.size()), 2);
    for (const Entry &e : entries)
        table += tiff.encode(e.tag, 2) + tiff.encode(e.type, 2) + tiff.encode(e.count, 4) + e.field;
    table += tiff.encode(next, 4);
    return table;
}

// Each value a tag is set to fills a whole number of its type's units.
bool valuesFitTypes(const TagEdits &edits)
{
    return std::all_of(edits.set.begin(), edits.set.end(), [](const TagItem &item) {
        const std::uint32_t width = tiffTypeSize(item.type);
        return width != 0 && item.value.size() % width == 0;
    });
}

// One edit of the first directory, phase by phase as apply() runs them.
class FirstDirectoryEdit
{
public:
    FirstDirectoryEdit(QByteArray &bytes, const TiffEditor::Limits &limits)
        : bytes_(bytes)
        , tiff_(bytes)
        , limits_(limits)
        , keep_(tiff_)
    {}

    // The first directory's entries; false when it cannot be read.
    bool readFirst()
    {
        const auto first = tiff_.get(4, 4);
        std::uint64_t firstEnd = 0;
        const auto entries = first ? tiff_.directory(*first, &firstEnd) : std::nullopt;
        if (!entries)
            return false;
        entries_ = *entries;
        table_ = {*first, firstEnd};
        next_ = *tiff_.get(firstEnd - 4, 4);
        return true;
    }

    // Entries that stay where their values are, entries whose values move
    // with the new directory, and entries that go. False on an entry of no
    // known type that stays.
    bool sortEntries(const TagEdits &edits)
    {
        const auto replaced = [&edits](std::uint16_t tag) {
            return std::any_of(edits.set.begin(), edits.set.end(), [tag](const TagItem &item) { return item.id == tag; });
        };
        for (const Entry &e : entries_) {
            const bool drop
                = (edits.removeAll && !TiffEditor::isStructuralTag(e.tag) && !isTextTag(e.tag)) || contains(edits.removed, e.tag) || replaced(e.tag);
            const bool plainValue = tiff_.valueRange(e) && !isPointerTag(e.tag)
                && std::find(std::begin(offsetTags), std::end(offsetTags), e.tag) == std::end(offsetTags);
            (drop ? dropped_ : limits_.reuseFreedSpace && plainValue ? moving_ : fixed_).push_back(e);
            // An entry of no known type is damage: readers stop at it or skip
            // it depending on where it stands, so sorting the directory would
            // change what they read.
            if (!drop && tiffTypeSize(e.type) == 0)
                return false;
        }
        return true;
    }

    // What stays: the header, the entries kept, every other page, and the
    // values that move but something else shares (those stay where they are).
    void findKept()
    {
        keep_.ranges.push_back({0, 8});
        keep_.addEntries(fixed_);
        std::set<std::uint32_t> pages;
        for (auto page = next_; page != 0 && pages.insert(page).second && pages.size() < maxDirectories;) {
            keep_.addDirectory(page);
            std::uint64_t end = 0;
            if (!tiff_.directory(page, &end))
                break;
            page = *tiff_.get(end - 4, 4);
        }
        for (auto it = moving_.begin(); it != moving_.end();) {
            const bool shared = !keep_.complete || keep_.overlaps(*tiff_.valueRange(*it));
            if (shared) {
                keep_.addEntry(*it);
                fixed_.push_back(*it);
            }
            it = shared ? moving_.erase(it) : std::next(it);
        }
        if (limits_.reuseFreedSpace)
            findKeptEnd();
    }

    // The new entries, sorted; the values over four bytes still to be placed,
    // largest first.
    ImageStatus newEntries(const TagEdits &edits)
    {
        merged_ = fixed_;
        for (const Entry &e : moving_) {
            const Range r = *tiff_.valueRange(e);
            values_.emplace_back(values_.size() + 1, bytes_.mid(static_cast<qsizetype>(r.begin), static_cast<qsizetype>(r.end - r.begin)));
            if (r.end > tiff_.size())
                return ImageStatus::GenericError;
            merged_.push_back({e.tag, e.type, e.count, {}, values_.size()});
        }
        for (const TagItem &item : edits.set) {
            Entry e{item.id, item.type, static_cast<std::uint32_t>(item.value.size() / tiffTypeSize(item.type)), {}};
            if (item.value.size() <= 4) {
                e.field = item.value + QByteArray(4 - item.value.size(), '\0');
            } else {
                values_.emplace_back(values_.size() + 1, item.value);
                e.slot = values_.size();
            }
            merged_.push_back(e);
        }
        std::stable_sort(merged_.begin(), merged_.end(), [](const Entry &a, const Entry &b) { return a.tag < b.tag; });
        std::stable_sort(values_.begin(), values_.end(), [](const auto &a, const auto &b) { return a.second.size() > b.second.size(); });
        if (merged_.size() > 0xFFFF)
            return ImageStatus::ValueOverflow;
        return ImageStatus::Ok;
    }

    // Wipes what only the dropped entries and the old table used, so a
    // removed tag does not linger in the file. Anything that something kept
    // (or any other page) still uses is left alone.
    void wipeGone()
    {
        Footprint gone(tiff_);
        gone.ranges.push_back(table_);
        for (const Entry &e : moving_)
            gone.ranges.push_back(*tiff_.valueRange(e));
        for (const Entry &e : dropped_)
            gone.addEntry(e);
        sure_ = keep_.complete && gone.complete && keep_.ranges.size() < maxOffsets;
        for (const Range &r : sure_ ? gone.ranges : std::vector<Range>()) {
            if (r.end <= tiff_.size() && !keep_.overlaps(r)) {
                tiff_.zero(r);
                wiped_.push_back(r);
            }
        }
    }

    // With reuseFreedSpace, the new table and all its values written into
    // the space freed; false (and nothing written there) when they do not fit.
    bool placeInFreedSpace()
    {
        if (!limits_.reuseFreedSpace || !sure_)
            return false;
        // The zeros behind everything that stays: what earlier saves freed
        // and the spare room they left.
        std::uint64_t zerosFrom = tiff_.size();
        while (zerosFrom > keptEnd_ && bytes_[static_cast<qsizetype>(zerosFrom - 1)] == '\0')
            --zerosFrom;
        if (zerosFrom < tiff_.size())
            wiped_.push_back({zerosFrom, tiff_.size()});
        // The few bytes that align one freed value to the next belong to no
        // one: they join the space around them.
        std::sort(wiped_.begin(), wiped_.end(), [](const Range &x, const Range &y) { return x.begin < y.begin; });
        for (std::size_t i = 1, n = wiped_.size(); i < n; ++i) {
            const Range gap{wiped_[i - 1].end, wiped_[i].begin};
            if (gap.begin < gap.end && gap.end - gap.begin < 4 && !keep_.overlaps(gap)) {
                tiff_.zero(gap);
                wiped_.push_back(gap);
            }
        }
        FreeSpace space(wiped_);
        const auto tableAt = space.take(tableSize());
        std::vector<std::uint64_t> at;
        for (std::size_t i = 0; tableAt && i < values_.size(); ++i) {
            const auto where = space.take(static_cast<std::uint64_t>(values_[i].second.size()));
            if (!where)
                break;
            at.push_back(*where);
        }
        if (!tableAt || at.size() != values_.size())
            return false;
        for (std::size_t i = 0; i < values_.size(); ++i) {
            tiff_.write(at[i], values_[i].second);
            place(values_[i].first, at[i]);
        }
        tiff_.write(*tableAt, directoryTable(tiff_, merged_, next_));
        tiff_.put(4, static_cast<std::uint32_t>(*tableAt), 4);
        return true;
    }

    // Cuts off what was wiped at the very end of the file (the directory and
    // values of an earlier save), so repeated saves do not grow the file.
    void cutFreedEnd()
    {
        std::uint64_t cut = tiff_.size();
        for (bool shrunk = true; shrunk;) {
            shrunk = false;
            for (const Range &r : wiped_) {
                if (r.begin < cut && r.end + 1 >= cut && r.begin >= 8) {
                    cut = r.begin;
                    shrunk = true;
                }
            }
        }
        // Zeros behind everything that stays are what earlier saves freed and
        // the next one did not fill: without this cut, saves of texts
        // alternately short and long would grow the block every time.
        if (limits_.reuseFreedSpace && sure_) {
            while (cut > keptEnd_ && bytes_[static_cast<qsizetype>(cut - 1)] == '\0')
                --cut;
        }
        tiff_.truncate(cut);
    }

    // Appends the new directory and then its values; only the header moves.
    // (The directory comes first: some readers take the bytes from a
    // directory to the end of the block as the room of the directories after
    // it too.)
    ImageStatus append()
    {
        tiff_.alignToWord();
        const std::uint64_t directoryAt = tiff_.size();
        std::uint64_t end = directoryAt + tableSize();
        for (const auto &value : values_) {
            place(value.first, end);
            end += static_cast<std::uint64_t>(value.second.size());
            end += end % 2;
        }
        if (end > limits_.maxSize)
            return ImageStatus::ValueOverflow;
        tiff_.append(directoryTable(tiff_, merged_, next_));
        for (const auto &value : values_) {
            tiff_.append(value.second);
            tiff_.alignToWord();
        }
        if (limits_.reuseFreedSpace && end < limits_.maxSize)
            tiff_.append(QByteArray(static_cast<qsizetype>(std::min<std::uint64_t>(limits_.spare, limits_.maxSize - end)), '\0'));
        tiff_.put(4, static_cast<std::uint32_t>(directoryAt), 4);
        return ImageStatus::Ok;
    }

private:
    // Where everything that stays ends: what lies behind it and is zero is
    // free.
    void findKeptEnd()
    {
        for (const Range &r : keep_.ranges)
            keptEnd_ = std::max(keptEnd_, r.end);
        for (const Entry &e : fixed_) {
            // A number that may point at a directory we do not know (Kodak's,
            // say): whatever it points to stays whole.
            std::uint64_t end = 0;
            if ((e.type == 4 || e.type == 13) && e.count == 1 && tiff_.directory(tiff_.decode(e.field.constData(), 4), &end))
                keptEnd_ = std::max(keptEnd_, end);
        }
    }

    std::uint64_t tableSize() const { return 6 + 12ULL * merged_.size(); }

    // Each value goes to its own entry (a tag may be there twice).
    void place(std::size_t slot, std::uint64_t at)
    {
        const auto e = std::find_if(merged_.begin(), merged_.end(), [slot](const Entry &x) { return x.slot == slot; });
        e->field = tiff_.encode(static_cast<std::uint32_t>(at), 4);
    }

    QByteArray &bytes_;
    Tiff tiff_;
    const TiffEditor::Limits &limits_;
    std::vector<Entry> entries_;
    Range table_;
    std::uint32_t next_ = 0;
    std::vector<Entry> fixed_, moving_, dropped_;
    Footprint keep_;
    std::vector<Entry> merged_;
    std::vector<std::pair<std::size_t, QByteArray>> values_; // slot, bytes
    std::vector<Range> wiped_;
    bool sure_ = false; // the walks were complete: what was wiped is really free
    std::uint64_t keptEnd_ = 8;
};
} // namespace

bool TiffEditor::isStructuralTag(std::uint16_t tag)
{
    switch (tag) {
    case 0x00FE:
    case 0x00FF:
    case 0x0100:
    case 0x0101:
    case 0x0102:
    case 0x0103:
    case 0x0106:
    case 0x0107:
    case 0x010A:
    case 0x0111:
    case 0x0115:
    case 0x0116:
    case 0x0117:
    case 0x0118:
    case 0x0119:
    case 0x011A:
    case 0x011B:
    case 0x011C:
    case 0x0128:
    case 0x012D:
    case 0x013D:
    case 0x013E:
    case 0x013F:
    case 0x0140:
    case 0x0142:
    case 0x0143:
    case 0x0144:
    case 0x0145:
    case 0x014A:
    case 0x0152:
    case 0x0153:
    case 0x0154:
    case 0x0155:
    case 0x015B:
    case 0x0200:
    case 0x0201:
    case 0x0202:
    case 0x0203:
    case 0x0205:
    case 0x0206:
    case 0x0207:
    case 0x0208:
    case 0x0209:
    case 0x0211:
    case 0x0212:
    case 0x0213:
    case 0x0214:
    case 0x02BC:
    case 0x83BB:
    case 0x8649:
    case 0x8773: return true;
    default: return false;
    }
}

ImageStatus TiffEditor::apply(QByteArray &bytes, const TagEdits &edits, const Limits &limits)
{
    FirstDirectoryEdit edit(bytes, limits);
    if (!edit.readFirst())
        return ImageStatus::GenericError;
    if (!valuesFitTypes(edits))
        return ImageStatus::InvalidParameter;
    if (!edit.sortEntries(edits))
        return ImageStatus::GenericError;
    edit.findKept();
    if (const ImageStatus s = edit.newEntries(edits); s != ImageStatus::Ok)
        return s;
    edit.wipeGone();
    if (edit.placeInFreedSpace())
        return ImageStatus::Ok;
    edit.cutFreedEnd();
    return edit.append();
}

QByteArray TiffEditor::emptyStructure(char byteOrder)
{
    QByteArray bytes = byteOrder == 'M' ? QByteArray("MM\0*\0\0\0\x08", 8) : QByteArray("II*\0\x08\0\0\0", 8);
    return bytes + QByteArray(6, '\0');
}

bool TiffEditor::moveFileOffsets(QByteArray &bytes, const std::function<std::int64_t(std::uint64_t)> &shift)
{
    Tiff tiff(bytes);
    const auto first = tiff.get(4, 4);
    const auto ifd0 = first ? tiff.directory(*first) : std::nullopt;
    if (!ifd0)
        return true;
    const auto find = [](const std::vector<Entry> &entries, std::uint16_t tag) -> const Entry * {
        const auto it = std::find_if(entries.begin(), entries.end(), [tag](const Entry &e) { return e.tag == tag; });
        return it == entries.end() ? nullptr : &*it;
    };
    const Entry *make = find(*ifd0, 0x010F);
    const auto makeRange = make ? tiff.valueRange(*make) : std::nullopt;
    const QByteArray maker = makeRange ? bytes.mid(static_cast<qsizetype>(makeRange->begin), 5) : QByteArray();
    const Entry *exif = find(*ifd0, exifPointer);
    if (maker != "Canon" || !exif)
        return true;
    const auto exifEntries = tiff.directory(tiff.decode(exif->field.constData(), 4));
    const Entry *note = exifEntries ? find(*exifEntries, 0x927C) : nullptr;
    const auto noteRange = note ? tiff.valueRange(*note) : std::nullopt;
    if (!noteRange)
        return true;
    // Canon's maker note is a plain directory; its original decision data
    // (0x0083) is found by a file offset, usually to a trailer after the
    // picture.
    const auto count = tiff.get(noteRange->begin, 2);
    for (std::uint32_t i = 0; count && i < *count; ++i) {
        const std::uint64_t e = noteRange->begin + 2 + 12ULL * i;
        const auto tag = tiff.get(e, 2);
        const auto type = tiff.get(e + 2, 2);
        const auto value = tiff.get(e + 8, 4);
        if (!tag || !type || !value || *tag != 0x0083)
            continue;
        if (*type != 4)
            return *value == 0;
        const std::int64_t moved = static_cast<std::int64_t>(*value) + shift(*value);
        if (moved < 0 || moved > 0xFFFFFFFFLL)
            return false;
        tiff.put(e + 8, static_cast<std::uint32_t>(moved), 4);
    }
    return true;
}

} // namespace lumicap
