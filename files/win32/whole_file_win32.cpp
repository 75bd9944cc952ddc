#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <climits>

#include "files/whole_file.h"

// Files are opened by their UTF-16 names, so a path with Chinese characters works
// whatever the PC's code page.
namespace kd::files {

namespace {

class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

  private:
    HANDLE handle_;
};

// The windows hand over UTF-8; kdcfg's arguments come in the ANSI code page, which for
// a Chinese name is never valid UTF-8.
std::wstring Wide(const std::string& path) {
    if (path.empty() || path.size() > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int length = static_cast<int>(path.size());
    UINT codePage = CP_UTF8;
    int needed =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, path.data(), length, nullptr, 0);
    if (needed <= 0) {
        codePage = CP_ACP;
        needed = ::MultiByteToWideChar(codePage, 0, path.data(), length, nullptr, 0);
    }
    std::wstring wide(static_cast<size_t>(needed > 0 ? needed : 0), L'\0');
    if (needed > 0) {
        ::MultiByteToWideChar(codePage, 0, path.data(), length, wide.data(), needed);
    }
    return wide;
}

Result FromCode(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return {Fault::NotFound, static_cast<int>(code)};
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return {Fault::NoAccess, static_cast<int>(code)};
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return {Fault::NoSpace, static_cast<int>(code)};
        default:
            return {Fault::System,
                    static_cast<int>(code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE)};
    }
}

Result LastError() {
    return FromCode(::GetLastError());
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1 << 16));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// A new file beside target, named so that it never takes another's file.
HANDLE CreateBeside(const std::wstring& target, std::wstring& temporary) {
    if (target.empty()) {
        ::SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    for (DWORD attempt = 0; attempt < 100; ++attempt) {
        temporary = target + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                    std::to_wstring(::GetTickCount() + attempt) + L".tmp";
        const HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

Result ReadAll(HANDLE file, std::string& bytes) {
    char buffer[16384];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            return LastError();
        }
        if (got == 0) {
            return {};
        }
        if (bytes.size() + got > kLargestFile) {
            return {Fault::TooLarge, 0};
        }
        bytes.append(buffer, got);
    }
}

// A device (COM1, CON) or a pipe: nothing to replace, the name stays what it is.
Result WriteInPlace(const std::wstring& target, std::string_view bytes) {
    const Handle file(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid() || !WriteAll(file.Get(), bytes)) {
        return LastError();
    }
    return {};
}

// What target names, when it is there and is no disk file: written in place.
bool IsDevice(const std::wstring& target) {
    const Handle file(::CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid() && ::GetFileType(file.Get()) != FILE_TYPE_DISK;
}

}  // namespace

Result ReadWhole(const std::string& path, std::string& bytes) {
    bytes.clear();
    const std::wstring wide = Wide(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {Fault::IsDirectory, 0};
    }
    const Handle file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        return LastError();
    }
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        return {Fault::NotRegular, 0};
    }
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.Get(), &size) && size.QuadPart > static_cast<LONGLONG>(kLargestFile)) {
        return {Fault::TooLarge, 0};
    }
    Result read = ReadAll(file.Get(), bytes);
    if (!read) {
        bytes.clear();
    }
    return read;
}

Result ReplaceWhole(const std::string& path, std::string_view bytes, const ReplaceRules& rules) {
    const std::wstring target = Wide(path);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return {Fault::IsDirectory, 0};
        }
        // A move would replace a read-only file without asking: refused, as writing it
        // in place is.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return {Fault::ReadOnly, 0};
        }
    }
    if (IsDevice(target)) {
        return rules.devicesInPlace ? WriteInPlace(target, bytes) : Result{Fault::NotRegular, 0};
    }
    std::wstring temporary;
    DWORD code = ERROR_SUCCESS;
    {
        Handle file(CreateBeside(target, temporary));
        if (!file.Valid()) {
            return LastError();
        }
        if (!WriteAll(file.Get(), bytes) || !::FlushFileBuffers(file.Get())) {
            code = ::GetLastError();
            code = code != ERROR_SUCCESS ? code : ERROR_WRITE_FAULT;
        }
        file.Close();  // an open file cannot take the old one's place
    }
    if (code == ERROR_SUCCESS &&
        !::MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        code = ::GetLastError();
    }
    if (code != ERROR_SUCCESS) {
        ::DeleteFileW(temporary.c_str());
        return FromCode(code);
    }
    return {};
}

std::string SystemText(int code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string utf8 = "error " + std::to_string(code);
    if (length > 0 && text != nullptr) {
        const int needed = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length),
                                                 nullptr, 0, nullptr, nullptr);
        if (needed > 0) {
            utf8.assign(static_cast<size_t>(needed), '\0');
            ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), needed,
                                  nullptr, nullptr);
        }
    }
    ::LocalFree(text);
    while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ')) {
        utf8.pop_back();
    }
    return utf8;
}

}  // namespace kd::files
