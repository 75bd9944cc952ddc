#include "app/scan_test_dialog.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "app/local_time.h"
#include "config/file_fault_text.h"
#include "files/whole_file.h"
#include "protocol/channel_key_access.h"
#include "protocol/keeping_channel.h"
#include "resources/ids.h"
#include "resources/main_window.h"
#include "resources/strings.h"
#include "text/escape.h"

namespace kd {

namespace {

using catalogue::ReadKind;

// A read without an ending is over once the line has been quiet this long (longer on a
// slow line), as kdcfg monitor has it.
constexpr std::chrono::milliseconds kLeastQuiet{100};
// Chunks taken in one tick at most, so that a chattering line cannot hold the window.
constexpr int kChunksPerTick = 8;

// "条码以 0D 0A 结束；卡号在停顿后结束"
std::string Endings(const catalogue::ReadFormat& format) {
    const auto one = [&format](ReadKind kind, std::string_view name) {
        const std::string ending = catalogue::ReadEnding(kind, format.Of(kind));
        std::string text(name);
        if (ending.empty()) {
            return text + std::string(strings::kScanTestEndsByPause);
        }
        return text + std::string(strings::kScanTestEndsAt) + catalogue::HexText(ending, " ") +
               std::string(strings::kScanTestEndsWith);
    };
    return one(ReadKind::Code, strings::kScanTestCodeEnds) + "；" +
           one(ReadKind::Nfc, strings::kScanTestCardEnds);
}

std::string Stamp(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const std::tm local = LocalTime(system_clock::to_time_t(when));
    const auto millis = duration_cast<milliseconds>(when.time_since_epoch()).count() % 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(millis));
    return text;
}

}  // namespace

ScanTestDialog::ScanTestDialog(ui::Toolkit& toolkit, std::function<Channel*()> channel)
    : Dialog(toolkit, resources::kScanTestTemplate), channel_(std::move(channel)) {
    BindCommand(ids::kScanTestClearButton, [this] { OnClear(); });
    BindCommand(ids::kScanTestSaveButton, [this] { OnSave(); });
}

bool ScanTestDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    for (const std::string& line : lines_) {
        ListAdd(ids::kScanTestList, line);
    }
    StartListening();
    return true;
}

void ScanTestDialog::Pause() {
    if (HasWindow() && !paused_) {
        // What has arrived is listed, not left for the other window's exchanges to drop.
        if (Channel* channel = channel_()) {
            TakeArrived(*channel);
        }
        Flush();
        SetTimer(0);
        SetText(ids::kScanTestStatusLabel, strings::kScanTestPaused);
    }
    paused_ = true;
}

void ScanTestDialog::Resume() {
    paused_ = false;
    if (HasWindow()) {
        StartListening();
    }
}

// Asks for the output keys; a read that comes during the questions is kept, not lost.
void ScanTestDialog::StartListening() {
    Channel* channel = channel_();
    if (paused_) {
        return;
    }
    if (channel == nullptr) {
        SetTimer(0);
        SetText(ids::kScanTestStatusLabel, strings::kScanTestNotConnected);
        return;
    }
    KeepingChannel keeping(*channel);
    ChannelKeyAccess access(&keeping);
    catalogue::ListenKeys keys;
    std::string status(strings::kScanTestListening);
    if (const auto failed = catalogue::QueryListenKeys(access, keys)) {
        format_.reset();
        status = std::string(strings::kScanTestQueryFailed) + std::string(failed->key) +
                 std::string(strings::kScanTestQueryFailedEnd);
    } else {
        status += Endings(keys.format);
        if (!catalogue::RouteIsSerial(keys.route)) {
            status += std::string(strings::kScanTestElsewhere) + text::EscapeText(keys.route) +
                      std::string(strings::kScanTestElsewhereEnd);
        }
        format_ = std::move(keys.format);
    }
    SetText(ids::kScanTestStatusLabel, status);
    cutter_ = catalogue::ReadCutter(format_ ? catalogue::ReadBoundsOf(*format_)
                                            : std::vector<catalogue::ReadBounds>{});
    lastByte_ = channel->Now();
    Take(keeping.TakeKept());
    SetTimer(kTickMs);
}

void ScanTestDialog::OnTimer() {
    Channel* channel = channel_();
    if (channel == nullptr || paused_ || !TakeArrived(*channel)) {
        return;
    }
    const auto quiet = std::max<Channel::Clock::duration>(
        kLeastQuiet, std::chrono::milliseconds(2 * channel->IntervalMs()));
    if (cutter_.Holding() && channel->Now() - lastByte_ >= quiet) {
        Flush();
    }
}

bool ScanTestDialog::TakeArrived(Channel& channel) {
    std::array<uint8_t, Channel::kReadChunk> chunk{};
    for (int taken = 0; taken < kChunksPerTick; ++taken) {
        // Waits only for bytes already on their way: a read ends a gap after its last byte.
        const int32_t got = channel.Read(chunk.data(), static_cast<int32_t>(chunk.size()), 1);
        if (got < 0) {
            Flush();
            SetTimer(0);
            SetText(ids::kScanTestStatusLabel, strings::kScanTestPortFailed);
            return false;
        }
        if (got == 0) {
            break;
        }
        // A read that took fewer bytes than it could ended once the line had been quiet
        // for the interval.
        const bool full = got == static_cast<int32_t>(chunk.size());
        lastByte_ = channel.Now() - (full ? Channel::Clock::duration{}
                                          : std::chrono::milliseconds(channel.IntervalMs()));
        Take(std::string_view(reinterpret_cast<const char*>(chunk.data()),
                              static_cast<size_t>(got)));
        if (!full) {
            break;
        }
    }
    return true;
}

void ScanTestDialog::Take(std::string_view bytes) {
    if (bytes.empty()) {
        return;
    }
    const auto now = std::chrono::system_clock::now();
    if (!cutter_.Holding()) {
        heldSince_ = now;
    }
    for (const std::string& read : cutter_.Take(bytes)) {
        Show(read, std::exchange(heldSince_, now));
    }
}

void ScanTestDialog::Flush() {
    if (const std::optional<std::string> read = cutter_.Flush()) {
        Show(*read, heldSince_);
    }
}

void ScanTestDialog::Show(std::string_view bytes, std::chrono::system_clock::time_point when) {
    const catalogue::SplitResult split =
        format_ ? catalogue::SplitRead(*format_, bytes) : catalogue::SplitLineEnds(bytes);
    // The kind as the keys tell it; a read that fits neither kind's prefix and suffix, or
    // taken without the keys, is of no known kind.
    const std::string_view kind = !format_ || !split.matched     ? strings::kScanTestUnknownKind
                                  : split.kind == ReadKind::Code ? strings::kScanTestCodeEnds
                                                                 : strings::kScanTestCardEnds;
    std::string line = Stamp(when) + "  " + std::string(kind) + "  " +
                       text::EscapeText(catalogue::ContentOf(split), text::Blanks::EscapeAtEdges) +
                       "  [" + catalogue::PiecesText(split.pieces) + "]";
    lines_.push_back(line);
    ListAdd(ids::kScanTestList, line);
    if (lines_.size() > kKept) {
        lines_.erase(lines_.begin());
        ListRemove(ids::kScanTestList, 0);
    }
}

void ScanTestDialog::OnClear() {
    lines_.clear();
    while (ListCount(ids::kScanTestList) > 0) {
        ListRemove(ids::kScanTestList, ListCount(ids::kScanTestList) - 1);
    }
}

void ScanTestDialog::OnSave() {
    const ui::FileDialogRequest request{
        ui::FileDialogKind::Save, std::string(strings::kScanTestSaveTitle),
        std::string(strings::kFrameLogFilterName), std::string(strings::kFrameLogPattern),
        std::string(strings::kScanTestDefaultName)};
    const std::optional<std::string> path = GetToolkit().ChooseFile(this, request);
    if (!path) {
        return;
    }
    // Taken now: reads that come while the box below is open are not half in the file.
    std::string text;
    for (const std::string& line : lines_) {
        text += line + "\n";
    }
    const std::string caption = GetToolkit().ApplicationName();
    if (const files::Result written = files::ReplaceWhole(*path, text); !written) {
        MessageBox(
            std::string(strings::kFrameLogSaveFailed) + *path + "\n" + DescribeFileFault(written),
            caption, ui::kMessageIconWarning);
        return;
    }
    MessageBox(std::string(strings::kScanTestSaved) + *path, caption, ui::kMessageIconInformation);
}

}  // namespace kd
