#include "app/main_dialog.h"

#include <charconv>

#include "app/about_box.h"
#include "app/upload_messages.h"
#include "config/config_dialog.h"
#include "link/port_enumeration.h"
#include "link/port_source.h"
#include "protocol/channel_key_access.h"
#include "protocol/device_commands.h"
#include "protocol/frame_tap.h"
#include "resources/baud_rates.h"
#include "resources/ids.h"
#include "resources/main_window.h"
#include "resources/strings.h"
#include "text/escape.h"

namespace kd {

namespace {

constexpr char kSingleInstanceMutex[] = "Tesmor_CONFIG_TOOLS_v5.5.x";
constexpr char kPromptCaption[] = "提示";

constexpr const char* kDataBits[] = {"5", "6", "7", "8"};
constexpr const char* kStopBits[] = {"1", "2"};
constexpr const char* kParities[] = {"NONE", "ODD", "EVEN", "MARK", "SPACE"};

// The action buttons in the order BeginBusy disables them, and their EndBusy bits.
struct BusyButton {
    int id;
    uint32_t bit;
};
constexpr BusyButton kBusyButtons[] = {
    {ids::kRefreshButton, MainDialog::kRefreshBit},
    {ids::kConnectButton, MainDialog::kConnectBit},
    {ids::kChangeConfigButton, MainDialog::kChangeConfigBit},
    {ids::kUpdateFirmwareButton, MainDialog::kUpdateFirmwareBit},
    {ids::kUpdateConfigButton, MainDialog::kUpdateConfigBit},
};

// A label of the main window that a version query writes: it shows what fits of the
// reader's GBK text, through the escape rule.
class LabelSink final : public TextSink {
  public:
    LabelSink(ui::Dialog& dialog, int id, size_t capacity)
        : dialog_(dialog), id_(id), capacity_(capacity) {}
    void SetText(std::string_view text) override {
        dialog_.SetText(id_, text::EscapeText(FitLabel(text, capacity_)));
    }

  private:
    ui::Dialog& dialog_;
    int id_;
    size_t capacity_;
};

// The hidden HID list of the main window.
class HidBox final : public HidListBox {
  public:
    explicit HidBox(ui::Dialog& dialog) : dialog_(dialog) {}
    void Clear() override { dialog_.ComboClear(ids::kHidList); }
    void Add(std::string_view text) override { dialog_.ComboAdd(ids::kHidList, text); }
    void SelectFirst() override { dialog_.ComboSelect(ids::kHidList, 0); }

  private:
    ui::Dialog& dialog_;
};

template <size_t N>
void FillList(ui::Dialog& dialog, int id, const char* const (&entries)[N]) {
    for (const char* entry : entries) {
        dialog.ComboAdd(id, entry);
    }
}

uint32_t ParseDecimal(const std::string& text) {
    uint32_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

// In menu order.
const MainDialog::ReaderMenuEntry MainDialog::kReaderMenu[] = {
    {ids::kScanTestCommand, strings::kScanTestMenu, &MainDialog::OnScanTest},
    {ids::kFrameLogCommand, strings::kFrameLogMenu, &MainDialog::OnFrameLog},
    {ids::kFirmwareUploadCommand, strings::kFirmwareUploadMenu,
     &MainDialog::OnFirmwareUploadDialog},
    {ids::kConfigUploadCommand, strings::kConfigUploadMenu, &MainDialog::OnConfigUploadDialog},
};

MainDialog::MainDialog(AppServices& services)
    : Dialog(services.toolkit, resources::kMainWindowTemplate),
      services_(services),
      frameLogDialog_(services.toolkit, frameLog_),
      scanTestDialog_(services.toolkit, [this] { return channel_.get(); }) {
    BindCommand(ids::kRefreshButton, [this] { OnRefresh(); });
    BindCommand(ids::kConnectButton, [this] { OnConnect(); });
    BindCommand(ids::kChangeConfigButton, [this] { OnChangeConfig(); });
    BindCommand(ids::kUpdateFirmwareButton, [this] { UploadFirmware(); });
    BindCommand(ids::kUpdateConfigButton, [this] { UploadConfig(); });
}

MainDialog::~MainDialog() = default;

bool MainDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    FillList(*this, ids::kBaudRateList, resources::kWindowBaudRates);
    FillList(*this, ids::kDataBitsList, kDataBits);
    FillList(*this, ids::kStopBitsList, kStopBits);
    FillList(*this, ids::kParityList, kParities);

    if (const auto about = strings::Load(ids::kAboutMenuString); !about.empty()) {
        AppendSystemMenu(about, ids::kAboutCommand);
    }
    for (const ReaderMenuEntry& entry : kReaderMenu) {
        AppendSystemMenu(entry.text, entry.command, false);
    }
    EnableReaderMenu(false);

    // A second copy says so and leaves before its window is ever shown.
    if (!services_.process.CreateSingleInstanceMutex(kSingleInstanceMutex)) {
        MessageBox("你已经打开了此配置工具，请先关闭程序", GetToolkit().ApplicationName(),
                   ui::kMessageOk);
        services_.process.ExitProcess(0);
        EndDialog(0);
        return false;
    }

    SetIcon(ids::kApplicationIcon);
    CheckRadioButton(ids::kSerialRadio, ids::kHidRadio, ids::kSerialRadio);
    FillDeviceLists();
    ComboSelect(ids::kBaudRateList, 5);
    ComboSelect(ids::kDataBitsList, 3);
    ComboSelect(ids::kStopBitsList, 0);
    ComboSelect(ids::kParityList, 0);
    channel_.reset();
    return true;
}

void MainDialog::EnableReaderMenu(bool enabled) {
    for (const ReaderMenuEntry& entry : kReaderMenu) {
        EnableSystemMenu(entry.command, enabled);
    }
}

bool MainDialog::OnSysCommand(int command) {
    for (const ReaderMenuEntry& entry : kReaderMenu) {
        if ((command & 0xFFF0) == entry.command) {
            if (channel_) {
                (this->*entry.run)();
            }
            return true;
        }
    }
    if ((command & 0xFFF0) != ids::kAboutCommand) {
        return false;
    }
    AboutBox about(GetToolkit());
    about.DoModal(this);
    return true;
}

void MainDialog::BeginBusy() {
    SetCursor(ui::Cursor::Wait);
    for (const BusyButton& button : kBusyButtons) {
        EnableControl(button.id, false);
    }
}

void MainDialog::EndBusy(uint32_t mask) {
    for (const BusyButton& button : kBusyButtons) {
        if ((mask & button.bit) != 0) {
            EnableControl(button.id, true);
        }
    }
    SetCursor(ui::Cursor::Arrow);
}

void MainDialog::ShowPrompt(std::string_view text) {
    MessageBox(text, kPromptCaption, ui::kMessageOk | ui::kMessageSystemModal);
}

void MainDialog::FillDeviceLists() {
    // A failed search keeps the records it found before failing; the list below offers
    // only those.
    try {
        services_.ports.ListPorts(portRecords_);
    } catch (const EnumerationError& error) {
        ShowPrompt(std::string("枚举串口失败：") + error.what());
    }

    // Each entry says what the port is; its data names the record that connect opens.
    ComboClear(ids::kPortList);
    for (size_t record = 0; record < portRecords_.size(); ++record) {
        const std::string shown = services_.ports.EntryText(portRecords_[record]);
        if (shown.empty()) {
            continue;
        }
        const int entry = ComboAdd(ids::kPortList, shown);
        ComboSetItemData(ids::kPortList, entry, static_cast<intptr_t>(record));
    }
    ComboFitDropWidth(ids::kPortList);
    if (ComboCount(ids::kPortList) > 0) {
        ComboSelect(ids::kPortList, 0);
    }

    HidBox box(*this);
    EnumerateHidReaders(hidRecords_, box, services_.hidPlatform,
                        [this](std::string_view text) { ShowPrompt(text); });
}

void MainDialog::OnRefresh() {
    BeginBusy();
    FillDeviceLists();
    EndBusy(kNotConnectedMask);
}

bool MainDialog::ReadSelectedSettings(SerialSettings& settings) {
    if (portRecords_.empty()) {
        ShowPrompt("没有需要连接的串口，请刷新设备重新选择");
        return false;
    }
    const int port = ComboSelection(ids::kPortList);
    if (port < 0) {
        ShowPrompt("请选择连接的串口");
        return false;
    }
    const auto record = static_cast<size_t>(ComboItemData(ids::kPortList, port));
    if (record >= portRecords_.size()) {
        ShowPrompt("请选择连接的串口");
        return false;
    }
    settings.portPath = portRecords_[record].devicePath;

    struct Choice {
        int list;
        const char* missing;
    };
    static constexpr Choice kChoices[] = {
        {ids::kBaudRateList, "请选择波特率"},
        {ids::kDataBitsList, "请选择数据位"},
        {ids::kStopBitsList, "请选择停止位"},
        {ids::kParityList, "请选择校验位"},
    };
    std::string texts[4];
    for (size_t i = 0; i < 4; ++i) {
        const int selected = ComboSelection(kChoices[i].list);
        if (selected < 0) {
            ShowPrompt(kChoices[i].missing);
            return false;
        }
        texts[i] = ComboItemText(kChoices[i].list, selected);
    }
    settings.baudRate = ParseDecimal(texts[0]);
    settings.byteSize = static_cast<uint8_t>(ParseDecimal(texts[1]));
    settings.stopBits = texts[2];
    settings.parity = texts[3];
    return true;
}

void MainDialog::OnConnect() {
    BeginBusy();
    SerialSettings settings;
    if (!ReadSelectedSettings(settings)) {
        EndBusy(kNotConnectedMask);
        return;
    }
    frameLog_.Clear();
    if (!OpenReader(settings)) {
        EndBusy(kNotConnectedMask);
        return;
    }
    settings_ = settings;
    SetText(ids::kStatusLabel, "已连接");
    EnableReaderMenu(true);
    EndBusy(kConnectedMask);
    scanTestDialog_.Resume();  // an open scan test listens to the new connection
}

bool MainDialog::OpenReader(const SerialSettings& settings) {
    std::string error;
    port_ = services_.channels.Open(settings, error);
    if (!port_) {
        ShowPrompt("打开串口失败，请检查串口是否存在或被其他程序占用!");
        return false;
    }
    channel_ = std::make_unique<FrameTap>(*port_, [this](const DecodedFrame& frame) {
        frameLog_.Add(frame, std::chrono::system_clock::now());
    });
    if (Handshake() < 0 || QueryFirmwareVersion() < 0 || QueryBuildDate() < 0) {
        ShowPrompt("验证设备失败，请重试或重新选择设备");
        DropChannel();
        return false;
    }
    return true;
}

// After a firmware upload the reader may have restarted: the port is opened afresh and
// the reader asked again. The frame log goes on. Failing, the window is left as after a
// failed connect, so that the technician connects again by hand.
bool MainDialog::Reconnect() {
    DropChannel();
    if (OpenReader(settings_)) {
        EnableReaderMenu(true);
        return true;
    }
    SetText(ids::kStatusLabel, "未连接");
    BeginBusy();
    EndBusy(kNotConnectedMask);
    return false;
}

std::string MainDialog::ShownVersion() const {
    return GetText(ids::kFirmwareVersionLabel);
}

std::string MainDialog::ShownBuildDate() const {
    return GetText(ids::kBuildDateLabel);
}

// The dialog belongs to this window, which takes no input while it runs: no connect,
// settings dialog or second upload can start under it.
void MainDialog::OnUploadDialog(bool firmware) {
    const ScanTestDialog::Paused paused(scanTestDialog_);
    UploadDialog dialog(GetToolkit(), firmware, *this, services_.uploadFiles, services_.sleeper);
    dialog.DoModal(this);
}

// The settings dialog reaches the reader through the key commands over this window's
// channel. It belongs to this window, which takes no clicks or keys while it is open: a
// second press of 更改配置 or an Enter or Escape here would open another one or end the
// program under it.
void MainDialog::OnChangeConfig() {
    const ScanTestDialog::Paused paused(scanTestDialog_);
    ChannelKeyAccess keys(channel_.get());
    ConfigDialog dialog(GetToolkit(), keys);
    dialog.DoModal(this);
}

void MainDialog::UploadFirmware() {
    Upload(true);
}

void MainDialog::UploadConfig() {
    Upload(false);
}

void MainDialog::Upload(bool firmware) {
    const ScanTestDialog::Paused paused(scanTestDialog_);
    BeginBusy();
    const UploadTarget target = firmware ? FirmwareUpload() : ConfigUpload();
    const UploadOutcome outcome =
        RunUpload(channel_.get(), target, services_.uploadFiles, services_.sleeper);
    ShowPrompt(UploadMessage(outcome, firmware));
    EndBusy(kConnectedMask);
}

void MainDialog::DropChannel() {
    EnableReaderMenu(false);
    if (channel_) {
        channel_->Close();  // the tap gives what it held, then closes the port
        channel_.reset();
    }
    port_.reset();
}

// The window stays beside this one, also while the settings dialog runs; choosing the
// entry again while it is open leaves it as it is.
void MainDialog::OnFrameLog() {
    if (!frameLogDialog_.HasWindow()) {
        frameLogDialog_.ShowModeless(*this);
    }
}

// As the frame log: one window, left as it is when chosen again.
void MainDialog::OnScanTest() {
    if (!scanTestDialog_.HasWindow()) {
        scanTestDialog_.ShowModeless(*this);
    }
}

int MainDialog::Handshake() {
    return kd::Handshake(channel_.get());
}

int MainDialog::QueryFirmwareVersion() {
    LabelSink label(*this, ids::kFirmwareVersionLabel, kFirmwareVersionMax);
    return kd::QueryFirmwareVersion(channel_.get(), label);
}

int MainDialog::QueryBuildDate() {
    LabelSink label(*this, ids::kBuildDateLabel, kBuildDateMax);
    return kd::QueryBuildDate(channel_.get(), label);
}

int MainDialog::ExchangeCommand(CommandCode code, std::span<uint8_t> payload, uint16_t& length) {
    return kd::ExchangeCommand(channel_.get(), code, payload, length);
}

}  // namespace kd
