#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/services.h"
#include "link/port_enumeration.h"
#include "resources/ids.h"
#include "tests/support/fake_hid_platform.h"
#include "tests/support/fake_serial_platform.h"
#include "tests/support/memory_upload_files.h"
#include "tests/ui/modelled_reader.h"
#include "ui/headless/headless_toolkit.h"

namespace kd::test {

class FakeProcessControl final : public ProcessControl {
  public:
    bool CreateSingleInstanceMutex(const char* name) override {
        mutexNames.emplace_back(name);
        return !alreadyRunning;
    }
    void ExitProcess(int code) override { exitCodes.push_back(code); }

    bool alreadyRunning = false;
    std::vector<std::string> mutexNames;
    std::vector<int> exitCodes;
};

// Hands out channels to the modelled reader; the reader outlives every channel, so a
// test can look at it after the main window has dropped its channel.
class FakeChannelOpener final : public ChannelOpener {
  public:
    explicit FakeChannelOpener(sim::ModelChannel& channel) : channel_(channel) {}

    std::unique_ptr<Channel> Open(const SerialSettings& settings, std::string& error) override {
        opened.push_back(settings);
        if (failOpen) {
            error = "cannot open serial port " + settings.portPath + ": in use";
            return nullptr;
        }
        ++live;
        return std::make_unique<Borrowed>(channel_, *this);
    }

    bool failOpen = false;
    std::vector<SerialSettings> opened;
    int live = 0;    // channels not yet destroyed
    int closes = 0;  // Close calls

  private:
    class Borrowed final : public Channel {
      public:
        Borrowed(sim::ModelChannel& inner, FakeChannelOpener& owner)
            : inner_(inner), owner_(owner) {}
        ~Borrowed() override { --owner_.live; }
        int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override {
            return inner_.Read(buffer, capacity, timeoutMs);
        }
        int32_t Write(const uint8_t* bytes, int32_t count) override {
            return inner_.Write(bytes, count);
        }
        void DiscardInput() override { inner_.DiscardInput(); }
        void Close() override { ++owner_.closes; }
        Clock::time_point Now() const override { return inner_.Now(); }

      private:
        sim::ModelChannel& inner_;
        FakeChannelOpener& owner_;
    };

    sim::ModelChannel& channel_;
};

// The main window on the headless back end, over fakes of every platform service and
// a reader in memory. The default system reports an old NT, so the ports are COM1 to
// COM16 from the fixed list.
struct AppFixture {
    AppFixture() { serial.version = {4, 0, 1381, 2}; }

    ui::headless::HeadlessWindow& OpenMainWindow() { return toolkit.Open(main); }

    // Connects with the defaults; the window must be open.
    void Connect(ui::headless::HeadlessWindow& window) { window.Click(ids::kConnectButton); }

    std::vector<std::string> Prompts() const {
        std::vector<std::string> texts;
        for (const auto& message : toolkit.Messages()) {
            texts.push_back(message.text);
        }
        return texts;
    }

    ui::headless::HeadlessToolkit toolkit;
    FakeProcessControl process;
    FakeSerialPlatform serial;
    WindowsPortSource ports{serial};
    FakeHidPlatform hid;
    ModelledReader reader;
    FakeChannelOpener channels{reader.channel};
    MemoryUploadFiles files;
    RecordingSleeper sleeper;
    AppServices services{toolkit, process, ports, hid, channels, files, sleeper};
    MainDialog main{services};
};

}  // namespace kd::test
