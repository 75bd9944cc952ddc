// The window's profile files on Windows: Chinese names, and a replace that is whole or
// leaves the old profile as it was.
#include <string>

#include "files/whole_file.h"
#include "tests/win32/check.h"
#include "ui/win32/windows_api.h"

namespace kd::test {

namespace {

std::string Utf8(const std::wstring& wide) {
    const int needed =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(needed > 0 ? needed - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

int EntriesIn(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    int entries = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            entries += name != L"." && name != L".." ? 1 : 0;
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    return entries;
}

std::string Contents(const std::string& path) {
    std::string bytes;
    const files::Result read = files::ReadWhole(path, bytes);
    return read ? bytes : "unreadable: " + std::to_string(static_cast<int>(read.fault));
}

}  // namespace

void RunProfileFileTests() {
    KD_CASE("profile files: replaced whole, by a Chinese name");
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"kd_profile_" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring wide = folder + L"\\读码器配置.txt";
    const std::string path = Utf8(wide);
    KD_CHECK(bool(files::ReplaceWhole(path, "qrcode=1\n")));
    KD_CHECK(bool(files::ReplaceWhole(path, "qrcode=0\n")));
    KD_CHECK_EQ(Contents(path), std::string("qrcode=0\n"));
    KD_CHECK_EQ(EntriesIn(folder), 1);

    KD_CASE("profile files: a read-only profile is refused and kept");
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY);
    KD_CHECK(files::ReplaceWhole(path, "qrcode=1\n").fault == files::Fault::ReadOnly);
    KD_CHECK_EQ(Contents(path), std::string("qrcode=0\n"));
    KD_CHECK_EQ(EntriesIn(folder), 1);

    KD_CASE("profile files: a folder or a device is no profile");
    std::string bytes;
    KD_CHECK(files::ReadWhole(Utf8(folder), bytes).fault == files::Fault::IsDirectory);
    KD_CHECK(files::ReadWhole("NUL", bytes).fault == files::Fault::NotRegular);
    KD_CHECK(files::ReplaceWhole(Utf8(folder), "qrcode=1\n").fault == files::Fault::IsDirectory);

    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(wide.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace kd::test
