#include <windows.h>

#include <limits>

#include "text/gbk.h"
#include "text/system_text.h"

namespace kd::text {

namespace {

constexpr UINT kGbk = 936;

// Both steps pass through UTF-16, the system's own form.
std::optional<std::wstring> ToWide(UINT codePage, std::string_view input) {
    if (input.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
        return std::nullopt;
    }
    const int inLength = static_cast<int>(input.size());
    const int length =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, input.data(), inLength, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, input.data(), inLength, wide.data(),
                              length) != length) {
        return std::nullopt;
    }
    return wide;
}

std::optional<std::string> FromWide(UINT codePage, const std::wstring& wide) {
    // UTF-8 takes WC_ERR_INVALID_CHARS and no default character; code page 936 takes
    // no best fit and tells when it had to put its default character in.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int inLength = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(codePage, flags, wide.data(), inLength, nullptr, 0,
                                             nullptr, usedDefaultOut);
    if (length <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string output(static_cast<size_t>(length), '\0');
    if (::WideCharToMultiByte(codePage, flags, wide.data(), inLength, output.data(), length,
                              nullptr, usedDefaultOut) != length ||
        usedDefault) {
        return std::nullopt;
    }
    return output;
}

std::optional<std::string> Convert(UINT to, UINT from, std::string_view input) {
    if (input.empty()) {
        return std::string();
    }
    const std::optional<std::wstring> wide = ToWide(from, input);
    if (!wide) {
        return std::nullopt;
    }
    return FromWide(to, *wide);
}

}  // namespace

std::optional<std::string> GbkToUtf8(std::string_view bytes) {
    return Convert(CP_UTF8, kGbk, bytes);
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
    return Convert(kGbk, CP_UTF8, utf8);
}

std::string SystemTextToUtf8(std::string_view text) {
    return Convert(CP_UTF8, CP_ACP, text).value_or(std::string(text));
}

}  // namespace kd::text
