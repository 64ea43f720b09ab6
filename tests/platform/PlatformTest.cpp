// The platform layer's tests: one suite, compiled for POSIX and for Windows
// (scripts/test-windows runs it under Wine). Plain C++17 and GoogleTest.
#include "platform/ConsoleText.h"
#include "platform/FileTimes.h"
#include "platform/FolderListing.h"
#include "platform/HeldFile.h"
#include "platform/NativePath.h"
#include "platform/TemporaryFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <string>

#ifdef _WIN32
#include "platform/Win32Path.h"

#include <fcntl.h>
#include <io.h>
#else
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

using namespace lumicap::platform;
namespace fs = std::filesystem;

namespace {
#ifdef _WIN32
constexpr bool onWindows = true;
#else
constexpr bool onWindows = false;
#endif

// Files are made and read by the system's own calls, so that paths beyond
// 260 characters work on Windows too.
bool writeFile(const fs::path &path, const std::string &bytes)
{
#ifdef _WIN32
    const HANDLE h = ::CreateFileW(extendedPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    ::CloseHandle(h);
    return ok;
#else
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out.flush());
#endif
}

std::string readFile(const fs::path &path)
{
    lumicap::platform::OpenFile file;
    if (file.open(path) != FileStatus::Ok)
        return "<unreadable>";
    std::string bytes(4096, '\0');
    std::size_t got = 0;
    file.readAt(0, bytes.data(), bytes.size(), got);
    bytes.resize(got);
    return bytes;
}

bool makeFolder(const fs::path &path)
{
#ifdef _WIN32
    return ::CreateDirectoryW(extendedPath(path).c_str(), nullptr) != 0;
#else
    return ::mkdir(path.c_str(), 0755) == 0;
#endif
}

std::vector<std::string> namesIn(const fs::path &folder)
{
    std::vector<FolderEntry> entries;
    listFolder(folder, entries);
    std::vector<std::string> names;
    for (const FolderEntry &e : entries)
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

// Marks a file the way a save marks its temporary file (see TemporaryFile.h).
bool putMark(const fs::path &path, const std::string &mark)
{
#ifdef _WIN32
    return writeFile(extendedPath(path) + L":lumicap.mark", mark);
#else
    return ::setxattr(path.c_str(), "user.lumicap.temporary", mark.data(), mark.size(), 0) == 0;
#endif
}

// Saves new bytes over the file at path the way the program does.
FileStatus saveBytes(const fs::path &path, const std::string &bytes)
{
    HeldFile held;
    if (FileStatus s = held.hold(path, std::chrono::milliseconds(100)); s != FileStatus::Ok)
        return s;
    FileStamp stamp;
    held.file().stamp(stamp);
    if (FileStatus s = held.checkReplaceable(stamp); s != FileStatus::Ok)
        return s;
    TemporaryFile temporary(held);
    if (FileStatus s = temporary.create(stamp); s != FileStatus::Ok)
        return s;
    if (FileStatus s = temporary.writeAt(0, bytes.data(), bytes.size()); s != FileStatus::Ok)
        return s;
    if (FileStatus s = temporary.flush(); s != FileStatus::Ok)
        return s;
    return temporary.replace();
}
} // namespace

class PlatformFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device random;
        root = fs::temp_directory_path() / ("lumicap-platform-" + std::to_string(random()));
        ASSERT_TRUE(makeFolder(root));
        image = root / "a.jpg";
        ASSERT_TRUE(writeFile(image, "old"));
    }
    void TearDown() override
    {
#ifdef _WIN32
        for (const auto &entry : fs::directory_iterator(root))
            ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    fs::path root;
    fs::path image;
};

class AtomicReplace : public PlatformFolder, public ::testing::WithParamInterface<int>
{};

// Stopped after any step, the file is the old or the new one, whole, and
// once the temporary file is gone nothing else is left in the folder.
TEST_P(AtomicReplace, leavesTheOldOrTheNewFileAndNoLitter)
{
    const int steps = GetParam();
    {
        HeldFile held;
        ASSERT_EQ(held.hold(image, std::chrono::milliseconds(100)), FileStatus::Ok);
        FileStamp stamp;
        ASSERT_EQ(held.file().stamp(stamp), FileStatus::Ok);
        TemporaryFile temporary(held);
        const std::vector<std::function<FileStatus()>> step
            = {[&] { return temporary.create(stamp); }, [&] { return temporary.writeAt(0, "new!", 4); }, [&] { return temporary.flush(); },
               [&] { return temporary.replace(); }};
        for (int i = 0; i < steps; ++i)
            ASSERT_EQ(step[static_cast<std::size_t>(i)](), FileStatus::Ok) << "step " << i;
        EXPECT_EQ(readFile(image), steps == 4 ? "new!" : "old");
    }
    EXPECT_EQ(readFile(image), steps == 4 ? "new!" : "old");
    EXPECT_EQ(namesIn(root), std::vector<std::string>{"a.jpg"});
}

INSTANTIATE_TEST_SUITE_P(StepsDone, AtomicReplace, ::testing::Values(0, 1, 2, 3, 4));

struct Kept
{
    const char *what;
    bool (*set)(const fs::path &);
    bool (*holds)(const fs::path &);
};

#ifdef _WIN32
bool setAttributes(const fs::path &p, DWORD a)
{
    return ::SetFileAttributesW(extendedPath(p).c_str(), a) != 0;
}
bool hasAttributes(const fs::path &p, DWORD a)
{
    const DWORD now = ::GetFileAttributesW(extendedPath(p).c_str());
    return now != INVALID_FILE_ATTRIBUTES && (now & a) == a;
}
const Kept keptCases[] = {
    {"hidden", [](const fs::path &p) { return setAttributes(p, FILE_ATTRIBUTE_HIDDEN); },
     [](const fs::path &p) { return hasAttributes(p, FILE_ATTRIBUTE_HIDDEN); }},
    {"system", [](const fs::path &p) { return setAttributes(p, FILE_ATTRIBUTE_SYSTEM); },
     [](const fs::path &p) { return hasAttributes(p, FILE_ATTRIBUTE_SYSTEM); }},
};
#else
mode_t modeOf(const fs::path &p)
{
    struct stat st
    {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}
const Kept keptCases[] = {
    // Bits a umask would take away, and a value with a zero byte in it.
    {"mode0666", [](const fs::path &p) { return ::chmod(p.c_str(), 0666) == 0; }, [](const fs::path &p) { return modeOf(p) == 0666; }},
    {"userAttribute", [](const fs::path &p) { return ::setxattr(p.c_str(), "user.kept", "y\0\xffs", 4, 0) == 0; },
     [](const fs::path &p) {
         char v[8] = {};
         return ::getxattr(p.c_str(), "user.kept", v, sizeof v) == 4 && std::string(v, 4) == std::string("y\0\xffs", 4);
     }},
};
#endif

class AttributesAndPermissions : public PlatformFolder, public ::testing::WithParamInterface<Kept>
{};

TEST_P(AttributesAndPermissions, areKeptByTheReplace)
{
    if (!GetParam().set(image))
        GTEST_SKIP() << "the file system does not hold " << GetParam().what;
    ASSERT_EQ(saveBytes(image, "new!"), FileStatus::Ok);
    EXPECT_EQ(readFile(image), "new!");
    EXPECT_TRUE(GetParam().holds(image));
}

INSTANTIATE_TEST_SUITE_P(Kinds, AttributesAndPermissions, ::testing::ValuesIn(keptCases),
                         [](const auto &info) { return std::string(info.param.what); });

struct Refusal
{
    const char *what;
    FileStatus expected;
};

class Refused : public PlatformFolder, public ::testing::WithParamInterface<Refusal>
{};

// A read-only file, a file with another hard link, a file another save
// holds, a file open for writing in another program: refused, unchanged.
TEST_P(Refused, leavesTheFileAsItWas)
{
    const std::string what = GetParam().what;
    HeldFile other;
    std::ofstream writer;
    if (what == "readOnly") {
#ifdef _WIN32
        ASSERT_TRUE(::SetFileAttributesW(extendedPath(image).c_str(), FILE_ATTRIBUTE_READONLY));
#else
        ASSERT_EQ(::chmod(image.c_str(), 0444), 0);
#endif
    } else if (what == "hardLinked") {
        fs::create_hard_link(image, root / "b.jpg");
    } else if (what == "heldBySave") {
        ASSERT_EQ(other.hold(image, std::chrono::milliseconds(100)), FileStatus::Ok);
    } else {
        writer.open(image, std::ios::app);
        ASSERT_TRUE(writer.is_open());
    }
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(saveBytes(image, "new!"), GetParam().expected);
    if (what == "heldBySave") {
        EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100)); // waited first
    }
    writer.close();
    other.release();
    EXPECT_EQ(readFile(image), "old");
    EXPECT_EQ(namesIn(root).size(), what == "hardLinked" ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, Refused,
                         ::testing::Values(Refusal{"readOnly", FileStatus::AccessDenied}, Refusal{"hardLinked", FileStatus::AccessDenied},
                                           Refusal{"heldBySave", FileStatus::InUse}, Refusal{"openForWriting", FileStatus::InUse}),
                         [](const auto &info) { return std::string(info.param.what); });

struct Leftover
{
    const char *what;
    bool removed;
};

class LeftoverTemporaryFile : public PlatformFolder, public ::testing::WithParamInterface<Leftover>
{};

// A "_~a.jpg" left by a save that was killed is removed by the next save of
// a.jpg when its mark names that very file; any other file of that name (a
// photo of that name among them) stays, and the save fails (status 7) with
// the picture untouched.
TEST_P(LeftoverTemporaryFile, isRemovedOnlyWhenItsMarkNamesIt)
{
    const std::string what = GetParam().what;
    const fs::path leftover = root / "_~a.jpg";
    ASSERT_TRUE(writeFile(leftover, "half"));
    FileStamp named;
    ASSERT_EQ(stampOf(what == "markOfAnotherFile" ? image : leftover, named), FileStatus::Ok);
    const std::string mark
        = what == "malformedMark" ? "1" : std::to_string(named.device) + ':' + std::to_string(named.inode) + ':' + std::string(32, '7');
    if (what != "unmarked" && !putMark(leftover, mark))
        GTEST_SKIP() << "the file system holds no mark";
    HeldFile running; // held as a running save holds its temporary file
    if (what == "hardLinked") {
        fs::create_hard_link(leftover, root / "b.jpg");
    } else if (what == "openInARunningSave") {
        ASSERT_EQ(running.hold(leftover, std::chrono::milliseconds(0)), FileStatus::Ok);
    }

    EXPECT_EQ(saveBytes(image, "new!"), GetParam().removed ? FileStatus::Ok : FileStatus::SystemError);
    running.release(); // nor is it taken away once let go
    EXPECT_EQ(readFile(image), GetParam().removed ? "new!" : "old");
    if (GetParam().removed) {
        EXPECT_EQ(namesIn(root), std::vector<std::string>{"a.jpg"});
    } else {
        EXPECT_EQ(readFile(leftover), "half");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LeftoverTemporaryFile,
                         ::testing::Values(Leftover{"marked", true}, Leftover{"unmarked", false}, Leftover{"markOfAnotherFile", false},
                                           Leftover{"malformedMark", false}, Leftover{"hardLinked", false}, Leftover{"openInARunningSave", false}),
                         [](const auto &info) { return std::string(info.param.what); });

#ifdef _WIN32
// While a save holds the file, no other program may open it for writing.
TEST_F(PlatformFolder, aHeldFileCannotBeOpenedForWriting)
{
    HeldFile held;
    ASSERT_EQ(held.hold(image, std::chrono::milliseconds(100)), FileStatus::Ok);
    const HANDLE h = ::CreateFileW(extendedPath(image).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
}
#endif

// lumicap-tags' text reaches a console as the letters it spells, also those
// the console's code page lacks; a file is left to the caller's bytes.
TEST_F(PlatformFolder, consoleTextShowsEveryLetterAndLeavesFilesAlone)
{
    std::FILE *file = std::fopen((root / "out.txt").string().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(writeConsoleText(file, "text"));
    std::fclose(file);
#ifdef _WIN32
    ::AllocConsole(); // refused when there is one already; Wine has one only on a terminal
    const HANDLE console
        = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(console, INVALID_HANDLE_VALUE) << "no console";
    std::FILE *out = ::_fdopen(::_open_osfhandle(reinterpret_cast<intptr_t>(console), _O_WRONLY), "w");
    CONSOLE_SCREEN_BUFFER_INFO info;
    ASSERT_TRUE(out && ::GetConsoleScreenBufferInfo(console, &info));
    EXPECT_TRUE(writeConsoleText(out,
                                 "Gr\xC3\xBC\xC3\x9F"
                                 "e \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1\n"));
    std::wstring shown(11, L' ');
    DWORD read = 0;
    ::ReadConsoleOutputCharacterW(console, shown.data(), 11, info.dwCursorPosition, &read);
    EXPECT_EQ(shown, L"Gr\u00FC\u00DFe \u03A9\u03BC\u03AD\u03B3\u03B1");
    std::fclose(out);
#endif
}

// A file deep enough that its path is over 260 characters is saved, listed
// and read like any other.
TEST_F(PlatformFolder, longPathsWorkLikeShortOnes)
{
    fs::path deep = root;
    for (int i = 0; i < 6; ++i) {
        deep /= std::string(50, static_cast<char>('a' + i));
        ASSERT_TRUE(makeFolder(deep));
    }
    const fs::path file = deep / "photo.jpg";
    ASSERT_GT(file.native().size(), 300u);
    ASSERT_TRUE(writeFile(file, "old"));
    EXPECT_EQ(saveBytes(file, "new!"), FileStatus::Ok);
    EXPECT_EQ(readFile(file), "new!");
    EXPECT_EQ(namesIn(deep), std::vector<std::string>{"photo.jpg"});
}

// lumicap-tags -P: the times read before a save go back onto the file the
// save put in the picture's place.
TEST_F(PlatformFolder, fileTimesGoBackOntoTheReplacedFile)
{
    const auto old = std::chrono::time_point_cast<std::chrono::seconds>(fs::file_time_type::clock::now() - std::chrono::hours(24 * 3650));
    fs::last_write_time(image, old);
    FileTimes before, after;
    ASSERT_EQ(before.read(image), FileStatus::Ok);
    EXPECT_FALSE(before.replaced(image));
    ASSERT_EQ(saveBytes(image, "new!"), FileStatus::Ok);
    ASSERT_TRUE(before.replaced(image));
    ASSERT_EQ(before.restore(image), FileStatus::Ok);
    ASSERT_EQ(after.read(image), FileStatus::Ok);
    EXPECT_TRUE(after.accessed() == before.accessed());
    EXPECT_EQ(fs::last_write_time(image), old); // as the standard library reads it
    EXPECT_EQ(readFile(image), "new!");
}

struct ScanCase
{
    const char *name;
    bool folder;
    bool hidden; // as the scan should see it
    bool regular;
};

class TheScan : public PlatformFolder, public ::testing::WithParamInterface<ScanCase>
{};

TEST_P(TheScan, tellsHiddenFilesAndFolders)
{
    const ScanCase c = GetParam();
    const fs::path path = root / c.name;
    ASSERT_TRUE(c.folder ? makeFolder(path) : writeFile(path, "x"));
#ifdef _WIN32
    if (c.hidden) {
        ASSERT_TRUE(::SetFileAttributesW(extendedPath(path).c_str(),
                                         std::string(c.name).find("system") == 0 ? FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_HIDDEN));
    }
#endif
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(listFolder(root, entries));
    const auto entry = std::find_if(entries.begin(), entries.end(), [&](const FolderEntry &e) { return e.name == c.name; });
    ASSERT_NE(entry, entries.end());
    EXPECT_EQ(entry->hidden, c.hidden);
    EXPECT_EQ(entry->regular, c.regular);
}

// POSIX hides by a leading dot; Windows by the attributes, and a leading dot
// is an ordinary name there.
const ScanCase scanCases[] = {
    ScanCase{"plain.jpg", false, false, true}, ScanCase{".dot.jpg", false, !onWindows, true}, ScanCase{"folder.jpg", true, false, false},
#ifdef _WIN32
    ScanCase{"hidden.jpg", false, true, true}, ScanCase{"system.jpg", false, true, true},
#endif
};
INSTANTIATE_TEST_SUITE_P(Entries, TheScan, ::testing::ValuesIn(scanCases));

struct NameCase
{
    const char *path;
    const char *temporary;
};

class TemporaryName : public ::testing::TestWithParam<NameCase>
{};

// "_~" goes before the file name, in its own folder; on Windows both
// separators separate, elsewhere a backslash is part of a name.
TEST_P(TemporaryName, isBesideTheFile)
{
    EXPECT_EQ(bytesFromPath(temporarySibling(pathFromBytes(GetParam().path))), GetParam().temporary);
}

const NameCase nameCases[] = {NameCase{"a.jpg", "_~a.jpg"},
                              NameCase{"dir/a.jpg", "dir/_~a.jpg"},
#ifdef _WIN32
                              NameCase{"C:\\dir\\a.jpg", "C:\\dir\\_~a.jpg"},
                              NameCase{"dir\\sub/a.jpg", "dir\\sub/_~a.jpg"},
                              NameCase{"\\\\server\\share\\a.jpg", "\\\\server\\share\\_~a.jpg"},
                              NameCase{"C:a.jpg", "C:_~a.jpg"},
#else
                              NameCase{"dir/a\\b.jpg", "dir/_~a\\b.jpg"},
#endif
                              NameCase{"/x/caf\xC3\xA9.jpg", "/x/_~caf\xC3\xA9.jpg"}};
INSTANTIATE_TEST_SUITE_P(Paths, TemporaryName, ::testing::ValuesIn(nameCases));

struct WindowsName
{
    const char *name;
    bool valid;
};

class NamesOnWindows : public ::testing::TestWithParam<WindowsName>
{};

TEST_P(NamesOnWindows, areToldValidOrNot)
{
    EXPECT_EQ(isWindowsName(GetParam().name), GetParam().valid);
    EXPECT_EQ(nameUsableHere(GetParam().name), GetParam().valid || !onWindows);
}

INSTANTIATE_TEST_SUITE_P(Names, NamesOnWindows,
                         ::testing::Values(WindowsName{"photo.jpg", true}, WindowsName{"console.jpg", true}, WindowsName{"COM0.jpg", true},
                                           WindowsName{"CON", false}, WindowsName{"con.jpg", false}, WindowsName{"Nul.tar.gz", false},
                                           WindowsName{"COM1.jpg", false}, WindowsName{"lpt9", false}, WindowsName{"AUX .jpg", false},
                                           WindowsName{"photo.jpg.", false}, WindowsName{"photo.jpg ", false}, WindowsName{"a<b.jpg", false},
                                           WindowsName{"a:b.jpg", false}, WindowsName{"a\"b.jpg", false}, WindowsName{"a|b.jpg", false},
                                           WindowsName{"a?.jpg", false}, WindowsName{"a*.jpg", false}, WindowsName{"a\x01.jpg", false},
                                           WindowsName{"", false}));
