#include <errno.h>
#include <iconv.h>

#include "text/gbk.h"

namespace kd::text {

namespace {

// glibc's name for Windows code page 936.
constexpr char kGbk[] = "CP936";
constexpr char kUtf8[] = "UTF-8";

class Converter {
  public:
    Converter(const char* to, const char* from) : handle_(::iconv_open(to, from)) {}
    ~Converter() {
        if (Open()) {
            ::iconv_close(handle_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Open() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // The whole input converted, or nothing at the first byte that does not convert.
    std::optional<std::string> Convert(std::string_view input) {
        std::string output;
        // Four output bytes per input byte covers either direction; grow if not.
        std::string buffer(input.size() * 4 + 16, '\0');
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        while (inLeft > 0) {
            char* out = buffer.data();
            size_t outLeft = buffer.size();
            const size_t done = ::iconv(handle_, &in, &inLeft, &out, &outLeft);
            output.append(buffer.data(), buffer.size() - outLeft);
            if (done == static_cast<size_t>(-1) && errno != E2BIG) {
                return std::nullopt;  // EILSEQ, or EINVAL for a cut sequence at the end
            }
        }
        return output;
    }

  private:
    iconv_t handle_;
};

std::optional<std::string> Convert(const char* to, const char* from, std::string_view input) {
    if (input.empty()) {
        return std::string();
    }
    Converter converter(to, from);
    if (!converter.Open()) {
        return std::nullopt;
    }
    return converter.Convert(input);
}

}  // namespace

std::optional<std::string> GbkToUtf8(std::string_view bytes) {
    return Convert(kUtf8, kGbk, bytes);
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
    return Convert(kGbk, kUtf8, utf8);
}

}  // namespace kd::text
