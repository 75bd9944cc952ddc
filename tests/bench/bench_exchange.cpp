// Exchanges and uploads over a pseudo-terminal against kdreader-sim, beside the time
// the design allows for them: line time plus the 50 ms that ends every read.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "link/serial_channel.h"
#include "protocol/channel_key_access.h"
#include "protocol/device_commands.h"
#include "protocol/upload.h"
#include "protocol/upload_frames.h"
#include "provision/dump_diff.h"
#include "tests/support/processes.h"

namespace {

using namespace kd;

constexpr double kReadEndMs = 50.0;
constexpr uint32_t kBaud = 115200;

// Ten bit times a byte: start, eight data bits, stop.
double LineMs(size_t bytes, uint32_t baud) {
    return bytes * 10.0 * 1000.0 / baud;
}

struct Session {
    Session() : sim(KD_READER_SIM_PATH, {"--log", "/dev/null"}) {
        SerialSettings settings;
        settings.portPath = sim.PortPath();
        settings.baudRate = kBaud;
        std::string error;
        channel = OpenSerialChannel(settings, error);
    }
    test::SimProcess sim;
    std::unique_ptr<Channel> channel;
};

void ReadKeyExchange(benchmark::State& state) {
    Session session;
    if (!session.channel) {
        state.SkipWithError("no simulator");
        return;
    }
    std::string value;
    for (auto _ : state) {
        if (ReadKey(session.channel.get(), "workmode", value) != 1) {
            state.SkipWithError("read failed");
            return;
        }
    }
    // Request 16 bytes, reply 21 bytes.
    state.counters["designed_ms"] = LineMs(16 + 21, kBaud) + kReadEndMs;
    state.counters["designed_ms_9600"] = LineMs(16 + 21, 9600) + kReadEndMs;
}
BENCHMARK(ReadKeyExchange)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

// A reader that gives the line its time at the benchmark's rate (range 0), with a 1 ms
// turnaround, and the port to it.
struct PacedReader {
    explicit PacedReader(const benchmark::State& state)
        : baud(static_cast<uint32_t>(state.range(0))),
          sim(KD_READER_SIM_PATH,
              {"--log", "/dev/null", "--line-rate", std::to_string(baud), "--turnaround", "1"}) {
        SerialSettings settings;
        settings.portPath = sim.PortPath();
        settings.baudRate = baud;
        std::string error;
        port = OpenSerialChannel(settings, error);
    }
    uint32_t baud;
    test::SimProcess sim;
    std::unique_ptr<Channel> port;
};

// Line speed when the benchmark's range 1 is 1, else the designed reads.
Channel::Pacing PacingOf(const benchmark::State& state) {
    return state.range(1) == 1 ? Channel::Pacing::LineSpeed : Channel::Pacing::Designed;
}

// A key read against a reader that gives the line its time at the rate, read at line
// speed (range 1 = 1) or in the designed reads (0). Line speed should cost line time plus
// the reader's 1 ms turnaround; the designed reads add the 50 ms that ends each read.
void ReadKeyAtLineRate(benchmark::State& state) {
    PacedReader reader(state);
    if (!reader.port) {
        state.SkipWithError("no simulator");
        return;
    }
    Channel* channel = reader.port.get();
    const uint32_t baud = reader.baud;
    channel->SetReplyPacing(PacingOf(state));
    std::string value;
    for (auto _ : state) {
        if (ReadKey(channel, "workmode", value) != 1) {
            state.SkipWithError("read failed");
            return;
        }
    }
    state.counters["line_ms"] = LineMs(16 + 21, baud) + 1.0;
    state.counters["designed_ms"] = LineMs(16 + 21, baud) + 1.0 + kReadEndMs;
}
BENCHMARK(ReadKeyAtLineRate)
    ->ArgsProduct({{9600, 115200}, {1, 0}})
    ->ArgNames({"baud", "line_speed"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

// Counts the bytes that cross the line, to give the pure line time of a run.
class CountingChannel final : public Channel {
  public:
    explicit CountingChannel(Channel& inner) : inner_(inner) {}
    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override {
        const int32_t got = inner_.Read(buffer, capacity, timeoutMs);
        bytes += got > 0 ? static_cast<size_t>(got) : 0;
        return got;
    }
    int32_t Write(const uint8_t* data, int32_t count) override {
        const int32_t sent = inner_.Write(data, count);
        bytes += sent > 0 ? static_cast<size_t>(sent) : 0;
        return sent;
    }
    void DiscardInput() override { inner_.DiscardInput(); }
    void Close() override { inner_.Close(); }
    uint32_t IntervalMs() const override { return inner_.IntervalMs(); }
    size_t bytes = 0;

  private:
    Channel& inner_;
};

// A dump of the whole catalogue, as `kdcfg dump` reads it, at line speed (1) or in the
// designed reads (0), beside the pure line time of its bytes plus 1 ms turnaround a key.
void DumpAtLineRate(benchmark::State& state) {
    PacedReader reader(state);
    if (!reader.port) {
        state.SkipWithError("no simulator");
        return;
    }
    const uint32_t baud = reader.baud;
    CountingChannel channel(*reader.port);
    channel.SetReplyPacing(PacingOf(state));
    ChannelKeyAccess keys(&channel);
    size_t exchanges = 0;
    for (auto _ : state) {
        channel.bytes = 0;
        const auto dumped = provision::Dump(keys);
        for (const auto& key : dumped) {
            if (!key.read.value) {
                state.SkipWithError("a key was not read");
                return;
            }
        }
        exchanges = dumped.size();
    }
    state.counters["keys"] = static_cast<double>(exchanges);
    state.counters["line_ms"] = LineMs(channel.bytes, baud) + static_cast<double>(exchanges);
}
BENCHMARK(DumpAtLineRate)
    ->ArgsProduct({{9600, 115200}, {1, 0}})
    ->ArgNames({"baud", "line_speed"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

class MemoryFile final : public UploadFile {
  public:
    explicit MemoryFile(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    uint32_t Length() const override { return static_cast<uint32_t>(bytes_.size()); }
    Md5Digest Digest() const override { return Md5Of(bytes_); }
    size_t Read(uint8_t* into, size_t size) override {
        const size_t take = std::min(size, bytes_.size() - at_);
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), take, into);
        at_ += take;
        return take;
    }

  private:
    const std::vector<uint8_t>& bytes_;
    size_t at_ = 0;
};

class MemoryFiles final : public UploadFiles {
  public:
    explicit MemoryFiles(size_t size) : bytes_(size) {
        for (size_t i = 0; i < size; ++i) {
            bytes_[i] = static_cast<uint8_t>(i * 13);
        }
    }
    std::unique_ptr<UploadFile> Open(const std::string&) override {
        return std::make_unique<MemoryFile>(bytes_);
    }

  private:
    std::vector<uint8_t> bytes_;
};

// The closing wait is the reader's time, not the transfer's.
class NoWait final : public Sleeper {
  public:
    void Sleep(uint32_t) override {}
};

void UploadOverPty(benchmark::State& state) {
    const auto size = static_cast<size_t>(state.range(0));
    MemoryFiles files(size);
    NoWait noWait;
    test::TempDir uploads;
    test::SimProcess sim(KD_READER_SIM_PATH,
                         {"--log", "/dev/null", "--uploads", uploads.Path().string()});
    SerialSettings settings;
    settings.portPath = sim.PortPath();
    settings.baudRate = kBaud;
    std::string error;
    auto channel = OpenSerialChannel(settings, error);
    if (!channel) {
        state.SkipWithError("no simulator");
        return;
    }
    for (auto _ : state) {
        if (RunUpload(channel.get(), ConfigUpload(), files, noWait) != UploadOutcome::Done) {
            state.SkipWithError("upload failed");
            return;
        }
    }
    const size_t blocks = (size + kUploadBlockSize - 1) / kUploadBlockSize;
    const size_t frameBytes = size + blocks * 12;
    // Start frame (47) and its reply (13), then per block its frame, a 13-byte
    // acknowledgement and the read's end.
    state.counters["blocks"] = static_cast<double>(blocks);
    state.counters["designed_ms"] = LineMs(47 + 13, kBaud) + kReadEndMs +
                                    LineMs(frameBytes + 13 * blocks, kBaud) +
                                    kReadEndMs * static_cast<double>(blocks);
}
BENCHMARK(UploadOverPty)
    ->Arg(32 * 1024)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
