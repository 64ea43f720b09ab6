#include "platform/MappedFile.h"

#include <cerrno>
#include <sys/mman.h>
#include <sys/stat.h>

namespace lumicap::platform {

FileStatus MappedFile::map(NativeHandle handle)
{
    unmap();
    const int fd = static_cast<int>(handle);
    struct stat st
    {};
    if (::fstat(fd, &st) != 0)
        return statusFromSystemError(errno);
    if (st.st_size == 0)
        return FileStatus::Ok;
    void *at = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    if (at == MAP_FAILED)
        return statusFromSystemError(errno);
    ::madvise(at, static_cast<std::size_t>(st.st_size), MADV_RANDOM); // a hint: mapped as well without it
    data_ = static_cast<const char *>(at);
    size_ = static_cast<std::size_t>(st.st_size);
    return FileStatus::Ok;
}

void MappedFile::unmap()
{
    if (data_)
        ::munmap(const_cast<char *>(data_), size_);
    data_ = nullptr;
    size_ = 0;
}

} // namespace lumicap::platform
