#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>

#include "config/profile_file.h"

namespace kd::profile_file {

namespace {

class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty() || utf8.size() > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int length = static_cast<int>(utf8.size());
    const int needed = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(needed > 0 ? needed : 0), L'\0');
    if (needed > 0) {
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
    }
    return wide;
}

std::string SystemText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string utf8 = "错误 " + std::to_string(code);
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

std::string Describe(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return "文件或文件夹不存在";
        case ERROR_ACCESS_DENIED:
            return "没有访问权限";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "磁盘空间不足";
        default:
            return SystemText(code);
    }
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

}  // namespace

bool Read(const std::string& path, std::string& bytes, std::string& error) {
    const Handle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        error = Describe(::GetLastError());
        return false;
    }
    bytes.clear();
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
            error = Describe(::GetLastError());
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (bytes.size() + got > kLargestProfile) {
            error = "文件过大，不是配置文件";
            return false;
        }
        bytes.append(buffer, got);
    }
}

bool Write(const std::string& path, std::string_view bytes, std::string& error) {
    // The whole profile goes to a new file beside the old one first, then takes its
    // place: a failure half-way never leaves the old profile cut short.
    const std::wstring target = Wide(path);
    // A read-only profile is refused, as writing it in place was: a move would replace it.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        error = Describe(ERROR_ACCESS_DENIED);
        return false;
    }
    std::wstring temporary;
    DWORD code = ERROR_SUCCESS;
    {
        const Handle file(CreateBeside(target, temporary));
        if (!file.Valid()) {
            error = Describe(::GetLastError());
            return false;
        }
        if (!WriteAll(file.Get(), bytes) || !::FlushFileBuffers(file.Get())) {
            code = ::GetLastError();
            code = code != ERROR_SUCCESS ? code : ERROR_WRITE_FAULT;
        }
    }
    // Closed first: an open file cannot take the old one's place.
    if (code == ERROR_SUCCESS &&
        !::MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        code = ::GetLastError();
    }
    if (code != ERROR_SUCCESS) {
        ::DeleteFileW(temporary.c_str());
        error = Describe(code);
        return false;
    }
    return true;
}

}  // namespace kd::profile_file
