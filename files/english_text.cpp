#include <string>

#include "files/whole_file.h"

namespace kd::files {

std::string EnglishText(const Result& result) {
    switch (result.fault) {
        case Fault::None:
            return "done";
        case Fault::IsDirectory:
            return "it is a folder, not a regular file";
        case Fault::NotRegular:
            return "it is not a regular file (a pipe, a device or a socket)";
        case Fault::TooLarge:
            return "it is larger than " + std::to_string(kLargestFile) + " bytes (1 MiB)";
        case Fault::ReadOnly:
            return "it is read-only; make it writable to replace it";
        case Fault::ForeignLink:
            return "it is a symbolic link made by another user in a folder that is not "
                   "theirs; not followed";
        case Fault::DanglingLink:
            return "it is a symbolic link to a file that does not exist";
        case Fault::NotFound:
        case Fault::NoAccess:
        case Fault::NoSpace:
        case Fault::System:
            break;
    }
    return SystemText(result.code);
}

}  // namespace kd::files
