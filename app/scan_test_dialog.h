#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/read_listening.h"
#include "link/channel.h"
#include "ui/dialog.h"

namespace kd {

// The scan test (143), a window beside the main window that lists each read the reader
// sends while it is open. It asks the reader for its output keys when it opens and when
// listening resumes, and sends nothing else: a timer takes what has arrived, without
// waiting for more.
//
//   1431 what it listens for: how reads end, or why it cannot tell
//   1432 the reads, one line each: time, content (escaped), each part in hex
//   1433 清除     OnClear: empties the list
//   1434 保存…    OnSave: the reads listed to a text file
//   2    关闭     closes the window
class ScanTestDialog final : public ui::Dialog {
  public:
    // How often the timer takes what has arrived.
    static constexpr uint32_t kTickMs = 50;
    // The most reads listed; older ones go.
    static constexpr size_t kKept = 10'000;

    // channel: the main window's channel, null while not connected.
    ScanTestDialog(ui::Toolkit& toolkit, std::function<Channel*()> channel);

    // Pauses the scan test for the time another window talks to the reader.
    class Paused {
      public:
        explicit Paused(ScanTestDialog& scan) : scan_(scan) { scan_.Pause(); }
        ~Paused() { scan_.Resume(); }
        Paused(const Paused&) = delete;
        Paused& operator=(const Paused&) = delete;

      private:
        ScanTestDialog& scan_;
    };

    // Another window is about to talk to the reader: a read under way is listed as it
    // stands, and nothing is taken from the line until Resume.
    void Pause();
    // The other window is done: the output keys are asked again, as they may have changed.
    void Resume();

  protected:
    bool OnInitDialog() override;
    void OnTimer() override;

  private:
    void StartListening();
    // Takes the bytes that have arrived, without waiting for more; false when the port
    // failed, which ends the listening.
    bool TakeArrived(Channel& channel);
    void OnClear();
    void OnSave();
    void Take(std::string_view bytes);
    void Flush();
    void Show(std::string_view bytes, std::chrono::system_clock::time_point when);

    std::function<Channel*()> channel_;
    std::optional<catalogue::ReadFormat> format_;  // none when the keys could not be read
    catalogue::ReadCutter cutter_{{}};
    Channel::Clock::time_point lastByte_{};
    std::chrono::system_clock::time_point heldSince_{};
    std::vector<std::string> lines_;
    bool paused_ = false;
};

}  // namespace kd
