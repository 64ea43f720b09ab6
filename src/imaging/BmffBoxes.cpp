#include "imaging/BmffBoxes.h"

#include <algorithm>
#include <limits>
#include <map>
#include <utility>

namespace lumicap {

namespace {

constexpr ImageStatus damaged = ImageStatus::GenericError;
const QByteArray xmpContentType("application/rdf+xml");

std::uint64_t readBe(const QByteArray &file, std::size_t at, int bytes)
{
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | static_cast<std::uint8_t>(file[static_cast<qsizetype>(at) + i]);
    return value;
}

QByteArray be(std::uint64_t value, int bytes)
{
    QByteArray out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i, value >>= 8)
        out[i] = static_cast<char>(value & 0xFF);
    return out;
}

bool fits(std::uint64_t value, int bytes)
{
    return bytes >= 8 || value >> (8 * bytes) == 0;
}

// Fields read one after the other inside [pos, end); a read past the end
// clears ok and gives zeros from then on.
struct Cursor
{
    const QByteArray &file;
    std::size_t pos, end;
    bool ok = true;

    std::uint64_t take(int bytes)
    {
        if (!ok || end - pos < static_cast<std::size_t>(bytes)) {
            ok = false;
            return 0;
        }
        const std::uint64_t value = readBe(file, pos, bytes);
        pos += static_cast<std::size_t>(bytes);
        return value;
    }
    // A string ending in a zero byte (or at the end of the box).
    QByteArray text()
    {
        if (!ok)
            return {};
        const qsizetype zero = file.indexOf('\0', static_cast<qsizetype>(pos));
        const std::size_t stop = zero < 0 || static_cast<std::size_t>(zero) >= end ? end : static_cast<std::size_t>(zero);
        QByteArray out = file.mid(static_cast<qsizetype>(pos), static_cast<qsizetype>(stop - pos));
        pos = std::min(end, stop + 1);
        return out;
    }
};

// The box at offset, inside [offset, end); false when it does not fit. Only
// a top-level box may run to the end of the file (size 0).
bool boxAt(const QByteArray &file, std::size_t offset, std::size_t end, bool topLevel, BmffBox &box, QByteArray &type)
{
    if (end < offset || end - offset < 8)
        return false;
    std::uint64_t size = readBe(file, offset, 4);
    type = file.mid(static_cast<qsizetype>(offset) + 4, 4);
    box.offset = offset;
    box.headerSize = 8;
    if (size == 1) {
        if (end - offset < 16)
            return false;
        size = readBe(file, offset + 8, 8);
        box.headerSize = 16;
    } else if (size == 0) {
        if (!topLevel)
            return false;
        size = end - offset;
    }
    if (size < box.headerSize || size > end - offset)
        return false;
    box.size = static_cast<std::size_t>(size);
    return true;
}

std::size_t endOf(const BmffBox &box)
{
    return box.offset + box.size;
}

// A full box's payload, after its version and flags.
Cursor fullBoxPayload(const QByteArray &file, const BmffBox &box, int &version)
{
    Cursor c{file, box.offset + box.headerSize, endOf(box)};
    version = static_cast<int>(c.take(1));
    c.take(3);
    return c;
}

bool validFieldSize(std::uint64_t size)
{
    return size == 0 || size == 4 || size == 8;
}

ImageStatus parseIinf(const QByteArray &file, BmffLayout &layout, std::map<std::uint32_t, BmffItem> &infos)
{
    Cursor c = fullBoxPayload(file, layout.iinf, layout.iinfVersion);
    std::uint64_t count = c.take(layout.iinfVersion == 0 ? 2 : 4);
    if (!c.ok)
        return damaged;
    for (std::size_t pos = c.pos; pos < c.end;) {
        BmffBox infe;
        QByteArray type;
        if (!boxAt(file, pos, c.end, false, infe, type))
            return damaged;
        pos = endOf(infe);
        if (type != "infe")
            continue;
        int version = 0;
        Cursor e = fullBoxPayload(file, infe, version);
        if (version != 2 && version != 3)
            return damaged; // items without a type: not a picture's
        BmffItem item;
        item.id = static_cast<std::uint32_t>(e.take(version == 2 ? 2 : 4));
        e.take(2); // protection index
        item.type = e.ok && e.end - e.pos >= 4 ? file.mid(static_cast<qsizetype>(e.pos), 4) : QByteArray();
        e.take(4);
        e.text(); // name
        if (item.type == "mime")
            item.contentType = e.text();
        if (!e.ok || !infos.emplace(item.id, item).second || count-- == 0)
            return damaged;
    }
    return count == 0 ? ImageStatus::Ok : damaged; // the count a new entry adds to must be right
}

ImageStatus parseIloc(const QByteArray &file, BmffLayout &layout, std::map<std::uint32_t, BmffItem> &items)
{
    Cursor c = fullBoxPayload(file, layout.iloc, layout.ilocVersion);
    const int v = layout.ilocVersion;
    if (v > 2)
        return damaged;
    const std::uint64_t sizes = c.take(2);
    layout.offsetSize = static_cast<int>(sizes >> 12);
    layout.lengthSize = static_cast<int>((sizes >> 8) & 0xF);
    layout.baseOffsetSize = static_cast<int>((sizes >> 4) & 0xF);
    layout.indexSize = v >= 1 ? static_cast<int>(sizes & 0xF) : 0;
    if (!validFieldSize(layout.offsetSize) || !validFieldSize(layout.lengthSize) || !validFieldSize(layout.baseOffsetSize)
        || !validFieldSize(layout.indexSize))
        return damaged;
    const std::uint64_t count = c.take(v < 2 ? 2 : 4);
    for (std::uint64_t i = 0; i < count && c.ok; ++i) {
        BmffItem item;
        item.id = static_cast<std::uint32_t>(c.take(v < 2 ? 2 : 4));
        if (v >= 1) {
            item.methodField = c.pos;
            item.method = static_cast<int>(c.take(2) & 0xF);
        }
        const std::uint64_t dataReference = c.take(2);
        item.baseOffsetField = c.pos;
        item.baseOffset = c.take(layout.baseOffsetSize);
        const std::uint64_t extents = c.take(2);
        if (item.method > 1 || dataReference != 0)
            return damaged; // data built from other items, or in another file
        for (std::uint64_t e = 0; e < extents && c.ok; ++e) {
            BmffExtent extent;
            c.take(layout.indexSize);
            extent.offsetField = c.pos;
            const std::uint64_t offset = c.take(layout.offsetSize);
            extent.lengthField = c.pos;
            extent.length = c.take(layout.lengthSize);
            if (offset > std::numeric_limits<std::uint64_t>::max() - item.baseOffset)
                return damaged;
            extent.offset = item.baseOffset + offset;
            const std::size_t limit
                = item.method == 0 ? static_cast<std::size_t>(file.size()) : (layout.idat ? layout.idat->size - layout.idat->headerSize : 0);
            if (extent.offset > limit || extent.length > limit - extent.offset)
                return damaged; // outside the file, or its idat
            item.extents.push_back(extent);
        }
        if (!c.ok)
            return damaged;
        layout.largestId = std::max(layout.largestId, item.id);
        const auto info = items.find(item.id);
        if (info != items.end() && info->second.extents.empty() && info->second.baseOffsetField == 0) {
            item.type = info->second.type;
            item.contentType = info->second.contentType;
            info->second = item;
        } else if (!items.emplace(item.id, item).second) {
            return damaged;
        }
    }
    // A new entry goes at the end: nothing else may be there.
    return c.ok && c.pos == c.end ? ImageStatus::Ok : damaged;
}

// The item references, checked for loops (an item that depends on itself).
ImageStatus parseIref(const QByteArray &file, BmffLayout &layout)
{
    Cursor c = fullBoxPayload(file, *layout.iref, layout.irefVersion);
    if (!c.ok || layout.irefVersion > 1)
        return damaged;
    const int idSize = layout.irefVersion == 0 ? 2 : 4;
    std::map<std::uint32_t, std::vector<std::uint32_t>> edges;
    for (std::size_t pos = c.pos; pos < c.end;) {
        BmffBox ref;
        QByteArray type;
        if (!boxAt(file, pos, c.end, false, ref, type))
            return damaged;
        pos = endOf(ref);
        Cursor r{file, ref.offset + ref.headerSize, endOf(ref)};
        const auto from = static_cast<std::uint32_t>(r.take(idSize));
        const std::uint64_t count = r.take(2);
        for (std::uint64_t i = 0; i < count && r.ok; ++i)
            edges[from].push_back(static_cast<std::uint32_t>(r.take(idSize)));
        for (const std::uint32_t id : edges[from])
            layout.largestId = std::max({layout.largestId, from, id});
        if (!r.ok)
            return damaged;
    }
    // Depth-first, without recursion: 0 unseen, 1 on the path, 2 done.
    std::map<std::uint32_t, int> state;
    for (const auto &start : edges) {
        if (state[start.first] != 0)
            continue;
        std::vector<std::pair<std::uint32_t, std::size_t>> path{{start.first, 0}};
        state[start.first] = 1;
        while (!path.empty()) {
            auto &[node, next] = path.back();
            const auto it = edges.find(node);
            if (it == edges.end() || next >= it->second.size()) {
                state[node] = 2;
                path.pop_back();
                continue;
            }
            const std::uint32_t to = it->second[next++];
            if (state[to] == 1)
                return damaged;
            if (state[to] == 0) {
                state[to] = 1;
                path.emplace_back(to, 0);
            }
        }
    }
    return ImageStatus::Ok;
}

ImageStatus parseMeta(const QByteArray &file, BmffLayout &layout)
{
    int version = 0;
    Cursor c = fullBoxPayload(file, layout.meta, version);
    if (!c.ok || version != 0)
        return damaged;
    std::optional<BmffBox> hdlr, pitm, iinf, iloc;
    for (std::size_t pos = c.pos; pos < c.end;) {
        BmffBox box;
        QByteArray type;
        if (!boxAt(file, pos, c.end, false, box, type))
            return damaged;
        pos = endOf(box);
        std::optional<BmffBox> *slot = type == "hdlr" ? &hdlr
            : type == "pitm"                          ? &pitm
            : type == "iinf"                          ? &iinf
            : type == "iloc"                          ? &iloc
            : type == "iref"                          ? &layout.iref
            : type == "idat"                          ? &layout.idat
                                                      : nullptr;
        if (slot && *slot)
            return damaged; // a second one: which counts is not ours to guess
        if (slot)
            *slot = box;
    }
    if (!hdlr || !iinf || !iloc)
        return damaged;
    if (hdlr->size < hdlr->headerSize + 12 || file.mid(static_cast<qsizetype>(hdlr->offset + hdlr->headerSize + 8), 4) != "pict")
        return damaged;
    if (pitm) {
        int pitmVersion = 0;
        Cursor p = fullBoxPayload(file, *pitm, pitmVersion);
        layout.primary = static_cast<std::uint32_t>(p.take(pitmVersion == 0 ? 2 : 4));
        if (!p.ok)
            return damaged;
    }
    layout.iinf = *iinf;
    layout.iloc = *iloc;
    std::map<std::uint32_t, BmffItem> items;
    ImageStatus s = parseIinf(file, layout, items);
    if (s == ImageStatus::Ok)
        s = parseIloc(file, layout, items);
    if (s == ImageStatus::Ok && layout.iref)
        s = parseIref(file, layout);
    if (s != ImageStatus::Ok)
        return s;
    for (auto &entry : items) {
        BmffItem &item = entry.second;
        const bool isXmp = item.type == "mime" && item.contentType == xmpContentType;
        std::optional<std::size_t> &slot = item.type == "Exif" ? layout.exif : isXmp ? layout.xmp : layout.exif;
        if (item.type == "Exif" || isXmp) {
            if (slot)
                return damaged; // several: which one readers take is not ours to guess
            slot = layout.items.size();
        }
        layout.largestId = std::max(layout.largestId, item.id);
        layout.items.push_back(std::move(item));
    }
    layout.largestId = std::max(layout.largestId, layout.primary);
    return ImageStatus::Ok;
}

std::size_t idatPayload(const BmffLayout &layout)
{
    return layout.idat ? layout.idat->offset + layout.idat->headerSize : 0;
}

// Adds to the size field of box.
bool growBox(QByteArray &file, const BmffBox &box, std::size_t by)
{
    const std::uint64_t size = static_cast<std::uint64_t>(box.size) + by;
    const std::size_t field = box.headerSize == 16 ? box.offset + 8 : box.offset;
    const int width = box.headerSize == 16 ? 8 : 4;
    if (!fits(size, width))
        return false;
    file.replace(static_cast<qsizetype>(field), width, be(size, width));
    return true;
}

bool addToField(QByteArray &file, std::size_t at, int width, std::uint64_t by)
{
    const std::uint64_t value = readBe(file, at, width) + by;
    if (!fits(value, width))
        return false;
    file.replace(static_cast<qsizetype>(at), width, be(value, width));
    return true;
}

// A box that ran to the end of the file gets its size written, so that
// another box can follow it.
bool closeOpenEnd(QByteArray &file, const BmffLayout &layout)
{
    if (!layout.openEnded)
        return true;
    if (!fits(layout.openEnded->size, 4))
        return false;
    file.replace(static_cast<qsizetype>(layout.openEnded->offset), 4, be(layout.openEnded->size, 4));
    return true;
}

QByteArray mdatBox(const QByteArray &data)
{
    return be(static_cast<std::uint64_t>(data.size()) + 8, 4) + "mdat" + data;
}

// The item's one extent gets data: over its bytes when it fits, else in a
// new mdat at the end.
ImageStatus replaceItemData(QByteArray &file, const BmffLayout &layout, const BmffItem &item, const QByteArray &data)
{
    if (item.extents.size() != 1)
        return damaged; // data in pieces: not ours to rejoin
    const BmffExtent &extent = item.extents.front();
    const auto size = static_cast<std::uint64_t>(data.size());
    // Overwritten only inside an mdat's (or the idat's) data, never over
    // another box.
    const bool inMdat = item.method == 1 || std::any_of(layout.mdats.begin(), layout.mdats.end(), [&](const BmffBox &mdat) {
                            return extent.offset >= mdat.offset + mdat.headerSize && extent.offset + extent.length <= endOf(mdat);
                        });
    if (!inMdat)
        return damaged;
    if (layout.lengthSize > 0 && size <= extent.length) {
        const std::size_t at = (item.method == 1 ? idatPayload(layout) : 0) + extent.offset;
        file.replace(static_cast<qsizetype>(at), data.size(), data);
        std::fill(file.begin() + static_cast<qsizetype>(at) + data.size(), file.begin() + static_cast<qsizetype>(at + extent.length), '\0');
        file.replace(static_cast<qsizetype>(extent.lengthField), layout.lengthSize, be(size, layout.lengthSize));
        return ImageStatus::Ok;
    }
    // The new place goes into the base offset when there is one (as libheif
    // writes them, and as some readers only look there), else the extent's.
    const std::uint64_t at = static_cast<std::uint64_t>(file.size()) + 8;
    const bool inBase = layout.baseOffsetSize > 0;
    if ((!inBase && layout.offsetSize == 0) || layout.lengthSize == 0 || !fits(at, inBase ? layout.baseOffsetSize : layout.offsetSize)
        || !fits(size, layout.lengthSize) || !fits(size + 8, 4) || !closeOpenEnd(file, layout))
        return damaged;
    if (item.method == 1) // now in the file, no longer in idat
        file.replace(static_cast<qsizetype>(item.methodField), 2, be(readBe(file, item.methodField, 2) & 0xFFF0, 2));
    if (inBase)
        file.replace(static_cast<qsizetype>(item.baseOffsetField), layout.baseOffsetSize, be(at, layout.baseOffsetSize));
    file.replace(static_cast<qsizetype>(extent.offsetField), layout.offsetSize, be(inBase ? 0 : at, layout.offsetSize));
    file.replace(static_cast<qsizetype>(extent.lengthField), layout.lengthSize, be(size, layout.lengthSize));
    file += mdatBox(data);
    return ImageStatus::Ok;
}

// A new metadata item describing the primary one: its infe, iloc entry and
// reference go into the meta box, its data into a new mdat at the end.
ImageStatus addItem(QByteArray &file, const BmffLayout &layout, BmffMetadata which, const QByteArray &data)
{
    const bool inBase = layout.baseOffsetSize > 0; // as for a moved item
    if ((!inBase && layout.offsetSize == 0) || layout.lengthSize == 0 || layout.primary == 0
        || (layout.openEnded && layout.openEnded->offset == layout.meta.offset))
        return damaged;
    // An id nothing names yet, not even a reference to a missing item.
    if (layout.largestId == std::numeric_limits<std::uint32_t>::max())
        return damaged;
    const std::uint32_t id = layout.largestId + 1;
    const bool wideId = id > 0xFFFF;
    if ((wideId && layout.ilocVersion < 2) || (wideId && layout.iref && layout.irefVersion == 0))
        return damaged;

    const int infeVersion = wideId ? 3 : 2;
    QByteArray infe = be(static_cast<std::uint64_t>(infeVersion) << 24, 4) + be(id, wideId ? 4 : 2) + be(0, 2);
    infe += which == BmffMetadata::Exif ? QByteArray("Exif", 4) + '\0' : QByteArray("mime", 4) + '\0' + xmpContentType + '\0';
    infe = be(static_cast<std::uint64_t>(infe.size()) + 8, 4) + "infe" + infe;

    const int refIdSize = layout.iref ? (layout.irefVersion == 0 ? 2 : 4) : (wideId || layout.primary > 0xFFFF ? 4 : 2);
    QByteArray ref = be(id, refIdSize) + be(1, 2) + be(layout.primary, refIdSize);
    ref = be(static_cast<std::uint64_t>(ref.size()) + 8, 4) + "cdsc" + ref;
    if (!layout.iref)
        ref = be(static_cast<std::uint64_t>(ref.size()) + 12, 4) + "iref" + be(refIdSize == 4 ? 1ull << 24 : 0, 4) + ref;

    const int v = layout.ilocVersion;
    QByteArray entry = be(id, v < 2 ? 2 : 4);
    if (v >= 1)
        entry += be(0, 2); // construction method 0
    entry += be(0, 2);     // data reference: this file
    const std::size_t growth = static_cast<std::size_t>(infe.size() + entry.size() + ref.size() + layout.baseOffsetSize + 2 + layout.indexSize
                                                        + layout.offsetSize + layout.lengthSize);
    const std::uint64_t dataAt = static_cast<std::uint64_t>(file.size()) + growth + 8;
    if (!fits(dataAt, inBase ? layout.baseOffsetSize : layout.offsetSize) || !fits(static_cast<std::uint64_t>(data.size()), layout.lengthSize)
        || !fits(static_cast<std::uint64_t>(data.size()) + 8, 4))
        return damaged;
    entry += be(inBase ? dataAt : 0, layout.baseOffsetSize) + be(1, 2) + be(0, layout.indexSize) + be(inBase ? 0 : dataAt, layout.offsetSize)
        + be(static_cast<std::uint64_t>(data.size()), layout.lengthSize);

    // Insertions, in the order they sit in the file when at the same place.
    const std::vector<std::pair<std::size_t, QByteArray>> inserts
        = {{endOf(layout.iinf), infe}, {endOf(layout.iloc), entry}, {layout.iref ? endOf(*layout.iref) : endOf(layout.meta), ref}};
    const auto shift = [&inserts](std::uint64_t at) {
        std::uint64_t by = 0;
        for (const auto &insert : inserts)
            by += insert.first <= at ? static_cast<std::uint64_t>(insert.second.size()) : 0;
        return by;
    };

    // Every file offset behind an insertion moves with the data it names:
    // the base offset when every extent of the item is behind the same
    // insertions, else each extent's own offset.
    for (const BmffItem &item : layout.items) {
        if (item.method != 0)
            continue;
        for (const BmffExtent &extent : item.extents) {
            for (const auto &insert : inserts) {
                if (insert.first > extent.offset && insert.first < extent.offset + extent.length)
                    return damaged; // data that a new box would split
            }
        }
        const std::uint64_t baseShift = shift(item.baseOffset);
        const bool moveBase = layout.baseOffsetSize > 0 && baseShift > 0
            && std::all_of(item.extents.begin(), item.extents.end(), [&](const BmffExtent &e) { return shift(e.offset) == baseShift; });
        if (moveBase) {
            if (!addToField(file, item.baseOffsetField, layout.baseOffsetSize, baseShift))
                return damaged;
            continue;
        }
        for (const BmffExtent &extent : item.extents) {
            const std::uint64_t by = shift(extent.offset);
            if (by > 0 && (layout.offsetSize == 0 || !addToField(file, extent.offsetField, layout.offsetSize, by)))
                return damaged; // a base offset that cannot move
        }
    }
    if (!addToField(file, layout.iinf.offset + layout.iinf.headerSize + 4, layout.iinfVersion == 0 ? 2 : 4, 1)
        || !addToField(file, layout.iloc.offset + layout.iloc.headerSize + 6, v < 2 ? 2 : 4, 1) || !growBox(file, layout.meta, growth)
        || !growBox(file, layout.iinf, static_cast<std::size_t>(infe.size())) || !growBox(file, layout.iloc, static_cast<std::size_t>(entry.size()))
        || (layout.iref && !growBox(file, *layout.iref, static_cast<std::size_t>(ref.size()))) || !closeOpenEnd(file, layout))
        return damaged;
    // Later places first, so the earlier ones stay where they were; at the
    // same place the later insertion goes in first and ends up behind.
    std::vector<std::pair<std::size_t, QByteArray>> ordered(inserts.rbegin(), inserts.rend());
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    for (const auto &[at, bytes] : ordered)
        file.insert(static_cast<qsizetype>(at), bytes);
    file += mdatBox(data);
    return ImageStatus::Ok;
}

} // namespace

ImageStatus parseBmffLayout(const QByteArray &file, BmffLayout &layout)
{
    layout = BmffLayout();
    const auto end = static_cast<std::size_t>(file.size());
    bool haveMeta = false;
    for (std::size_t pos = 0; pos < end;) {
        BmffBox box;
        QByteArray type;
        if (!boxAt(file, pos, end, true, box, type) || (pos == 0 && type != "ftyp"))
            return damaged;
        if (type == "moov" || type == "moof")
            return damaged; // a movie: its sample tables point into the file too
        if (type == "meta") {
            if (haveMeta)
                return damaged;
            haveMeta = true;
            layout.meta = box;
        }
        if (type == "mdat")
            layout.mdats.push_back(box);
        if (readBe(file, pos, 4) == 0)
            layout.openEnded = box;
        pos = endOf(box);
    }
    return haveMeta ? parseMeta(file, layout) : damaged;
}

std::optional<QByteArray> bmffItemData(const QByteArray &file, const BmffLayout &layout, const BmffItem &item)
{
    QByteArray data;
    const std::size_t base = item.method == 1 ? idatPayload(layout) : 0;
    for (const BmffExtent &extent : item.extents) {
        if (extent.length == 0)
            return std::nullopt; // "the rest of the file": not a metadata block
        data += file.mid(static_cast<qsizetype>(base + extent.offset), static_cast<qsizetype>(extent.length));
    }
    return data;
}

ImageStatus putBmffMetadata(QByteArray &file, const BmffLayout &layout, BmffMetadata which, const QByteArray &data)
{
    const std::optional<std::size_t> index = which == BmffMetadata::Exif ? layout.exif : layout.xmp;
    return index ? replaceItemData(file, layout, layout.items[*index], data) : addItem(file, layout, which, data);
}

} // namespace lumicap
