#pragma once

#include <cstdio>

namespace kd::cli {

// Lists the key catalogue: no port needed. Returns an exit code.
int RunKeys(bool asJson, std::FILE* out);

}  // namespace kd::cli
