#include "app/win32/version_request_win32.h"

#include "ui/win32/windows_api.h"

// After windows.h, which it needs.
#include <shellapi.h>

#include <cwchar>
#include <memory>
#include <string>

#include "resources/strings.h"
#include "ui/win32/utf16.h"

namespace kd {

namespace {

struct LocalFreer {
    void operator()(LPWSTR* block) const { ::LocalFree(block); }
};

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

bool AskedForVersion() {
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalFreer> args(
        ::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!args) {
        return false;
    }
    for (int i = 1; i < count; ++i) {
        if (std::wcscmp(args.get()[i], L"--version") == 0) {
            return true;
        }
    }
    return false;
}

bool WriteAll(HANDLE handle, const std::string& text) {
    DWORD written = 0;
    return ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// A handle given by whoever started us: a redirection to a file or a pipe.
bool WriteToStandardOutput(const std::string& text) {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE || ::GetFileType(out) == FILE_TYPE_UNKNOWN) {
        return false;
    }
    return WriteAll(out, text);
}

// The console of the command prompt we were started from, when there is one. The prompt
// does not wait for a window program, so the line may come after its next prompt.
bool WriteToParentConsole(const std::string& text) {
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) {
        return false;
    }
    bool written = false;
    {
        const HANDLE opened =
            ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        const OwnedHandle console(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
        written = console && WriteAll(console.get(), "\r\n" + text + "\r\n");
    }
    ::FreeConsole();
    return written;
}

}  // namespace

bool AnswerVersionRequest() {
    if (!AskedForVersion()) {
        return false;
    }
    const std::string line = "kdconfig " + std::string(strings::kToolVersion);
    if (!WriteToStandardOutput(line + "\r\n") && !WriteToParentConsole(line)) {
        const std::wstring text = ui::win32::Utf8ToUtf16(line);
        ::MessageBoxW(nullptr, text.c_str(), L"kdconfig", MB_OK | MB_ICONINFORMATION);
    }
    return true;
}

}  // namespace kd
