#pragma once

#include "platform/OpenFile.h"

#include <cstddef>

namespace lumicap::platform {

// An open file's bytes, mapped read-only into memory for as long as this
// lives: only the pages looked at are read, and pages the system already
// holds for the file cost no disk access: nothing around a page looked at
// is read ahead (a save's read-back looks at a few scattered blocks). POSIX:
// mmap and madvise(MADV_RANDOM); Windows: a file mapping and a view of it.
// The file must not shrink while it is mapped.
class MappedFile
{
public:
    MappedFile() = default;
    ~MappedFile() { unmap(); }
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    // Maps the whole of the file behind handle, which must be open for
    // reading; an empty file maps to no bytes.
    FileStatus map(NativeHandle handle);
    void unmap();

    const char *data() const { return data_ ? data_ : ""; }
    std::size_t size() const { return size_; }

private:
    const char *data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace lumicap::platform
