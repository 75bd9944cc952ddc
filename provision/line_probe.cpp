#include "provision/line_probe.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <string_view>

#include "link/serial_channel.h"
#include "protocol/device_commands.h"
#include "resources/baud_rates.h"

namespace kd::provision {

namespace {

// A try ends when the line stays silent this long after the handshake has left, plus two
// byte times for the reply's first byte to come in whole. A reader answers within a few
// milliseconds; the whole search over 60 settings then takes seconds.
constexpr uint32_t kTrySilenceMs = 100;

uint32_t TrySilenceMs(const SerialSettings& line) {
    return kTrySilenceMs + 2 * BitsPerByte(line) * 1000 / std::max<uint32_t>(line.baudRate, 1);
}

constexpr uint32_t kFirstRates[] = {9600, 115200};

struct Framing {
    uint8_t dataBits;
    const char* parity;
    const char* stopBits;
};

constexpr Framing kFramings[] = {{8, "NONE", "1"}, {8, "EVEN", "1"}, {8, "ODD", "1"},
                                 {8, "NONE", "2"}, {7, "EVEN", "1"}, {7, "ODD", "1"}};

std::vector<uint32_t> ProbeRates() {
    std::vector<uint32_t> rates(std::begin(kFirstRates), std::end(kFirstRates));
    for (const std::string_view text : resources::kWindowBaudRates) {
        uint32_t rate = 0;
        std::from_chars(text.data(), text.data() + text.size(), rate);
        if (rate != 0 && std::find(rates.begin(), rates.end(), rate) == rates.end()) {
            rates.push_back(rate);
        }
    }
    return rates;
}

}  // namespace

std::vector<ProbeTry> ProbeOrder() {
    std::vector<ProbeTry> order;
    const std::vector<uint32_t> rates = ProbeRates();
    for (const Framing& framing : kFramings) {
        for (const uint32_t rate : rates) {
            order.push_back({rate, framing.dataBits, framing.parity, framing.stopBits});
        }
    }
    return order;
}

SerialSettings WithProbed(SerialSettings settings, const ProbeTry& found) {
    settings.baudRate = found.baudRate;
    settings.byteSize = found.dataBits;
    settings.parity = found.parity;
    settings.stopBits = found.stopBits;
    return settings;
}

ProbeResult FindLineSettings(const SerialSettings& settings, const std::function<bool()>& stopped,
                             Progress* progress) {
    ProbeResult result;
    const std::vector<ProbeTry> order = ProbeOrder();
    for (const ProbeTry& attempt : order) {
        if (stopped && stopped()) {
            break;
        }
        Report(progress,
               {Phase::Probing, result.tried, order.size(),
                LineText(attempt.baudRate, attempt.dataBits, attempt.parity, attempt.stopBits)});
        ++result.tried;
        const SerialSettings line = WithProbed(settings, attempt);
        std::string error;
        std::unique_ptr<Channel> channel = OpenSerialChannel(line, error);
        if (!channel) {
            // A driver may refuse one setting and take the others.
            result.openError = error;
            continue;
        }
        ++result.opened;
        const int answer = HandshakeWithin(channel.get(), TrySilenceMs(line));
        channel->Close();
        if (answer == kCommandOk || answer == kReaderRefused) {
            // A refusal is still an answer: the reader read the request at this setting.
            result.found = attempt;
            break;
        }
    }
    return result;
}

}  // namespace kd::provision
