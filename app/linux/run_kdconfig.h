#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kd {

// What a caller may add to a run: started is called once the window system is up and
// before the main window opens (the end-to-end driver starts its scenario there).
struct KdconfigHooks {
    std::function<void()> started;
};

// The whole Linux program over Qt: its command line, the application, the toolkit and
// the run of the main window. main() is this and nothing else. Returns the exit code.
int RunKdconfig(const std::string& programName, const std::vector<std::string>& arguments,
                const KdconfigHooks& hooks = {});

}  // namespace kd
