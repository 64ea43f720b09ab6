#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace lumicap {

// The program's product version, four 16-bit parts (1.0.0.1 for this
// release), as the build recorded it.
struct VersionBlock
{
    std::array<std::uint16_t, 4> parts{};

    // The version of this program; nothing when the build recorded none.
    static std::optional<VersionBlock> read();
};

// Fills each "%d" of the About box's version line with the first three
// parts of the version, or 0 without one. "%%" is a percent sign; any other
// text, other '%' sequences included, is shown as it is.
QString formatVersionLine(const QString &format, const std::optional<VersionBlock> &version);

} // namespace lumicap
