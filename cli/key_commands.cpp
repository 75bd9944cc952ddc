#include "cli/key_commands.h"

#include <string>

#include "cli/exit_codes.h"
#include "protocol/device_commands.h"

namespace kd::cli {

namespace {

class LineSink final : public TextSink {
  public:
    LineSink(std::FILE* out, const char* label) : out_(out), label_(label) {}
    void SetText(std::string_view text) override {
        std::fprintf(out_, "%s: %.*s\n", label_, static_cast<int>(text.size()), text.data());
    }

  private:
    std::FILE* out_;
    const char* label_;
};

// Maps a result of ExchangeCommand to an exit code, saying what went wrong.
int ReportExchange(int result, const std::string& what, std::FILE* err) {
    switch (result) {
        case kCommandOk:
            return kExitOk;
        case kExchangeWriteFailed:
            std::fprintf(err, "kdcfg: %s: could not send the request to the port\n", what.c_str());
            return kExitNoAnswer;
        case kExchangeRefused:
            std::fprintf(err, "kdcfg: %s: the reader refused\n", what.c_str());
            return kExitRefused;
        default:
            std::fprintf(err, "kdcfg: %s: no valid reply from the reader\n", what.c_str());
            return kExitNoAnswer;
    }
}

// The handshake and version queries report -1 for every kind of missing reply.
int ReportQuery(int result, const char* what, const std::string& port, std::FILE* err) {
    if (result == kCommandOk) {
        return kExitOk;
    }
    if (result == kReaderRefused) {
        std::fprintf(err, "kdcfg: %s: the reader on %s refused\n", what, port.c_str());
        return kExitRefused;
    }
    std::fprintf(err, "kdcfg: %s: no valid reply from a reader on %s\n", what, port.c_str());
    return kExitNoAnswer;
}

}  // namespace

int RunInfo(Channel& channel, const std::string& port, std::FILE* out, std::FILE* err) {
    if (int code = ReportQuery(Handshake(&channel), "handshake", port, err); code != kExitOk) {
        return code;
    }
    LineSink version(out, "firmware version");
    if (int code =
            ReportQuery(QueryFirmwareVersion(&channel, version), "firmware version", port, err);
        code != kExitOk) {
        return code;
    }
    LineSink date(out, "build date");
    return ReportQuery(QueryBuildDate(&channel, date), "build date", port, err);
}

int RunGet(Channel& channel, const std::vector<std::string>& keys, std::FILE* out, std::FILE* err) {
    for (const auto& key : keys) {
        std::string value;
        const int result = ExchangeReadKey(&channel, key, value);
        if (result != kCommandOk) {
            return ReportExchange(result, "read " + key, err);
        }
        std::fprintf(out, "%s=", key.c_str());
        std::fwrite(value.data(), 1, value.size(), out);
        std::fputc('\n', out);
    }
    return kExitOk;
}

int RunSet(Channel& channel, const std::vector<KeyAssignment>& assignments, bool store,
           std::FILE* out, std::FILE* err) {
    for (const auto& [name, value] : assignments) {
        const int result = WriteKey(&channel, name, value);
        if (result != kCommandOk) {
            return ReportExchange(result, "write " + name, err);
        }
    }
    return store ? RunStore(channel, out, err) : kExitOk;
}

int RunStore(Channel& channel, std::FILE* /*out*/, std::FILE* err) {
    // StoreKeys folds its failures into one result; the exchange tells them apart.
    uint8_t payload[1] = {};
    uint16_t length = 0;
    return ReportExchange(ExchangeCommand(&channel, kStoreKeysCommand, payload, length), "store",
                          err);
}

}  // namespace kd::cli
