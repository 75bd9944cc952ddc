#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Whole files by UTF-8 path, for profiles: read and replaced in one place, with one set of
// rules. Each caller words the fault in its own language.
//
// Reading: only a regular file, opened without waiting (a pipe or a device is refused
//   before anything is read from it), at most kLargestFile bytes.
// Replacing: the new content goes to a new file beside the old one, which then takes its
//   place, keeping the old one's permissions; a read-only file is refused; a symbolic link
//   is followed only when it belongs to the caller or to the owner of the folder holding it,
//   and one that leads nowhere is refused; a device or a pipe is written as it is. (The
//   last two as ReplaceRules say.)
namespace kd::files {

// A profile is a few kilobytes; a larger file is not one.
inline constexpr size_t kLargestFile = 1 << 20;

enum class Fault {
    None,
    NotFound,      // nothing by that name, or a folder on the way is missing
    NoAccess,      // the system's permissions say no
    IsDirectory,   // a folder
    NotRegular,    // a pipe, a device or a socket where only a file will do
    TooLarge,      // reading: more than kLargestFile bytes
    ReadOnly,      // replacing: the file is marked read-only
    ForeignLink,   // replacing: a link another user put there
    DanglingLink,  // replacing: a link to nothing
    NoSpace,       // the disk is full
    System,        // anything else: see code
};

struct Result {
    Fault fault = Fault::None;
    // The system's error number (errno, or GetLastError on Windows); 0 when the fault is
    // one of the rules above.
    int code = 0;
    explicit operator bool() const { return fault == Fault::None; }
};

// The file's bytes in bytes; on failure bytes is empty.
Result ReadWhole(const std::string& path, std::string& bytes);

// Where callers differ: what a replace does with a name that is no regular file. The
// defaults are a profile's (dump -o /dev/stdout writes the pipe; a link to nothing is a
// mistake). A program's own files (the simulator's state) take the other two.
struct ReplaceRules {
    // A device or a pipe is written as it is; otherwise it is refused as NotRegular,
    // before it is opened.
    bool devicesInPlace = true;
    // A symbolic link to nothing names the file to create, and stays a link; otherwise it
    // is refused as DanglingLink. Only the POSIX build walks links itself, so only it
    // has this choice.
    bool createThroughDanglingLink = false;
};

// Makes bytes the whole content of path: the old content stays whole until the new one is.
Result ReplaceWhole(const std::string& path, std::string_view bytes,
                    const ReplaceRules& rules = {});

// The system's own words for a Result's code.
std::string SystemText(int code);

// What went wrong, in English for the command-line programs: the rule's own words, or the
// system's. The windows word it themselves, in Chinese.
std::string EnglishText(const Result& result);

}  // namespace kd::files
