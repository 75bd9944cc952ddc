#include "app/win32/process_control_win32.h"

#include <windows.h>

namespace kd {

bool Win32ProcessControl::CreateSingleInstanceMutex(const char* name) {
    ::CreateMutexA(nullptr, TRUE, name);
    return ::GetLastError() != ERROR_ALREADY_EXISTS;
}

void Win32ProcessControl::ExitProcess(int code) {
    ::ExitProcess(static_cast<UINT>(code));
}

}  // namespace kd
