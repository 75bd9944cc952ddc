#pragma once

#include "app/services.h"

namespace kd {

// The named mutex and process exit of Windows. The mutex handle is never closed: it is
// held until the process ends, which is what keeps a second copy out.
class Win32ProcessControl final : public ProcessControl {
  public:
    bool CreateSingleInstanceMutex(const char* name) override;
    void ExitProcess(int code) override;
};

}  // namespace kd
