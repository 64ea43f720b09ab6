#pragma once

// The one place that knows which Exiv2 release we build against. Debian 12
// ships 0.27, Debian 13 ships 0.28, whose error class, smart pointers and size
// types differ.

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
#include <exiv2/exiv2.hpp>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <QByteArray>

#include <cstdint>
#include <memory>

namespace lumicap::exiv {

#if EXIV2_TEST_VERSION(0, 28, 0)
using Error = Exiv2::Error;
using IoPtr = Exiv2::BasicIo::UniquePtr;
using ValuePtr = Exiv2::Value::UniquePtr;
using Size = std::size_t;
#else
using Error = Exiv2::AnyError;
using IoPtr = Exiv2::BasicIo::AutoPtr;
using ValuePtr = Exiv2::Value::AutoPtr;
using Size = long;
#endif

inline IoPtr memoryIo(const char *data, std::size_t size)
{
    // MemIo reads the caller's bytes in place and copies only when written to.
    return IoPtr(new Exiv2::MemIo(reinterpret_cast<const Exiv2::byte *>(data), static_cast<Size>(size)));
}

inline QByteArray bytesOf(const Exiv2::DataBuf &buffer)
{
#if EXIV2_TEST_VERSION(0, 28, 0)
    return QByteArray(reinterpret_cast<const char *>(buffer.c_data()), static_cast<qsizetype>(buffer.size()));
#else
    return QByteArray(reinterpret_cast<const char *>(buffer.pData_), static_cast<qsizetype>(buffer.size_));
#endif
}

} // namespace lumicap::exiv
