#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "app/services.h"
#include "link/posix/unique_fd.h"

namespace kd {

// Where the lock file goes: $XDG_RUNTIME_DIR when it is set to an absolute path, else
// a folder of this user's own under tmp ("kdconfig-<uid>", made with mode 0700 and
// refused when someone else owns it or can write to it). Nothing, with the reason in
// error, when no safe folder could be had.
std::optional<std::filesystem::path> LockDirectory(const char* runtimeDir, uid_t user,
                                                   const std::filesystem::path& tmp,
                                                   std::string& error);

// The single-instance mutex of Linux: an exclusive flock on a file in the lock folder,
// held for as long as this object lives (the whole run). Leaving the process is asked
// for, not done: the caller ends its run and returns the code.
//
// Without a folder, or when the file cannot be made, the program runs without the lock,
// as the Windows program does when its mutex cannot be made, and says why on warnings.
class LockFileProcessControl final : public ProcessControl {
  public:
    LockFileProcessControl(std::optional<std::filesystem::path> directory, std::ostream& warnings)
        : directory_(std::move(directory)), warnings_(warnings) {}

    bool CreateSingleInstanceMutex(const char* name) override;
    void ExitProcess(int code) override { exitCode_ = code; }

    std::optional<int> ExitCode() const { return exitCode_; }

  private:
    std::optional<std::filesystem::path> directory_;
    UniqueFd lock_;
    std::ostream& warnings_;
    std::optional<int> exitCode_;
};

}  // namespace kd
