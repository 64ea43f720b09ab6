#pragma once

#include "platform/HeldFile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace lumicap::platform {

// When a replace makes its new name durable: at once, or later through
// flushFolder, once for several replaces in one folder.
enum class FolderFlush { Now, Later };

// The new file of a save, written as "_~NAME" beside the held original and
// then put in its place. It is created exclusively (never over an existing
// file or through a link) and removed again unless it replaced the original.
//  - POSIX: made with the original's owner and group (where allowed), every
//    extended attribute and the access list (failing when a user.* one or
//    the list cannot be copied) and its mode, in an order that never allows
//    more than the original did. It carries a mark naming this very file
//    (device, inode, a random token) while it is written, taken off before
//    the replace: a "_~NAME" left by a save that was killed is removed by
//    the next save only when its mark names it; any other file of that name
//    is never touched (SystemError). Where the original is leased the names
//    are exchanged, the lease looked at once more, and on a break exchanged
//    back (InUse), so a writer that came in at the last moment keeps its
//    file; elsewhere renamed over. Then the folder is flushed, or left for
//    flushFolder to do once after several replaces in it.
//  - A cloned start (startAsClone): where the file system shares blocks
//    between files, the new file starts as a clone of the original, made in
//    one call and copying nothing; the save then writes only the ranges that
//    differ (writeAt, setSize) and reads the clone back (MappedFile on
//    handle()) before the replace. Linux: ioctl(FICLONE), which XFS with reflink and
//    btrfs grant; anywhere else it is refused and the file stays empty, to
//    be written whole.
//  - Windows: CreateFileW(CREATE_NEW), FlushFileBuffers, then ReplaceFileW,
//    which keeps the original's access list, attributes, streams and
//    creation time; MoveFileExW(REPLACE_EXISTING | WRITE_THROUGH), after
//    copying the attributes, where ReplaceFileW cannot be used. The mark is
//    a stream of the file, "_~NAME:lumicap.mark" (volume serial number,
//    file index, token), and a leftover is removed by the same rule, when no
//    save has it open.

class TemporaryFile
{
public:
    explicit TemporaryFile(const HeldFile &original);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    FileStatus create(const FileStamp &original);
    // Whether the new file now holds every byte of the original (see above);
    // false leaves it empty.
    bool startAsClone();
    FileStatus writeAt(std::int64_t offset, const char *data, std::size_t size);
    FileStatus setSize(std::int64_t size);
    NativeHandle handle() const { return handle_; }
    FileStatus flush();
    FileStatus replace(FolderFlush folder = FolderFlush::Now);

    const std::filesystem::path &path() const { return path_; }

private:
    const HeldFile &original_;
    std::filesystem::path path_;
    bool created() const;

    NativeHandle handle_ = noHandle;
    bool created_ = false;
    bool replaced_ = false;
};

// Makes the renames done in folder durable. POSIX: an fsync of the folder;
// Windows: nothing, a replace is written through by itself.
void flushFolder(const std::filesystem::path &folder);

} // namespace lumicap::platform
