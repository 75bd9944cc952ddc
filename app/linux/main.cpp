// kdconfig: the configuration tool as a native Linux program, over the Qt back end.
#include <string>
#include <vector>

#include "app/linux/run_kdconfig.h"

int main(int argc, char** argv) {
    return kd::RunKdconfig("kdconfig", std::vector<std::string>(argv + 1, argv + argc));
}
