// The common file dialogs under the Windows back end: owned by the asking dialog, which
// is disabled meanwhile, and a chosen name with Chinese characters comes back as UTF-8.
#include <functional>
#include <optional>
#include <string>

#include "tests/win32/check.h"
#include "ui/dialog.h"
#include "ui/win32/utf16.h"
#include "ui/win32/win32_toolkit.h"
#include "ui/win32/win32_window.h"
#include "ui/win32/windows_api.h"

namespace kd::test {

namespace {

using namespace kd::ui;
using kd::ui::win32::Utf16ToUtf8;
using kd::ui::win32::Win32Toolkit;
using kd::ui::win32::Win32Window;

// The name field of an explorer-style file dialog.
constexpr int kFileNameBox = 0x47C;

constexpr ControlTemplate kControls[] = {
    {1, ControlKind::PushButton, "确定", 100, 5, 50, 14, kDefaultButton | kGroup},
};
const DialogTemplate kWindow{902, DialogStyle::Modal, "文件对话框测试", 160, 60, "宋体",
                             9,   kControls};

class Asker final : public Dialog {
  public:
    Asker(Toolkit& toolkit, std::function<void(Asker&)> onShown)
        : Dialog(toolkit, kWindow), onShown_(std::move(onShown)) {}
    HWND Window() const { return dynamic_cast<const Win32Window*>(Peer())->Handle(); }

  protected:
    void OnShown() override { onShown_(*this); }

  private:
    std::function<void(Asker&)> onShown_;
};

struct FileDialogSeen {
    std::wstring caption;
    std::wstring answer;  // typed into the name field; empty: cancel
    HWND owner = nullptr;
    bool ownerEnabled = true;
    bool found = false;
    bool confirm = false;  // answer "replace it?" with yes
};

// Says yes to the box asking whether to replace a file, which the dialog box opens.
void ConfirmReplace(HWND box) {
    for (int attempt = 0; attempt < 400; ++attempt) {
        HWND other = nullptr;
        while ((other = ::FindWindowExW(nullptr, other, L"#32770", nullptr)) != nullptr) {
            if (other != box && ::GetDlgItem(other, IDYES) != nullptr) {
                ::PostMessageW(other, WM_COMMAND, IDYES, 0);
                return;
            }
        }
        ::Sleep(25);
    }
}

DWORD WINAPI AnswerFileDialog(void* argument) {
    auto* seen = static_cast<FileDialogSeen*>(argument);
    for (int attempt = 0; attempt < 400 && !seen->found; ++attempt) {
        const HWND box = ::FindWindowW(L"#32770", seen->caption.c_str());
        if (box == nullptr) {
            ::Sleep(25);
            continue;
        }
        seen->owner = ::GetWindow(box, GW_OWNER);
        seen->ownerEnabled = ::IsWindowEnabled(seen->owner) != FALSE;
        seen->found = true;
        if (seen->answer.empty()) {
            ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        } else {
            ::SendMessageW(::GetDlgItem(box, kFileNameBox), WM_SETTEXT, 0,
                           reinterpret_cast<LPARAM>(seen->answer.c_str()));
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            if (seen->confirm) {
                ConfirmReplace(box);
            }
        }
    }
    return 0;
}

std::optional<std::string> Ask(Asker& asker, FileDialogSeen& seen,
                               const FileDialogRequest& request) {
    const HANDLE watcher = ::CreateThread(nullptr, 0, &AnswerFileDialog, &seen, 0, nullptr);
    std::optional<std::string> chosen = asker.GetToolkit().ChooseFile(&asker, request);
    ::WaitForSingleObject(watcher, 15000);
    ::CloseHandle(watcher);
    return chosen;
}

std::wstring TempDirectory() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    return std::wstring(buffer, length);
}

void FileDialogs(Toolkit& toolkit) {
    KD_CASE("file dialogs");
    const std::wstring path = TempDirectory() + L"配置导出测试.txt";
    ::DeleteFileW(path.c_str());
    Asker asker(toolkit, [&](Asker& d) {
        FileDialogSeen save{L"导出配置", path};
        const auto saved =
            Ask(d, save, {FileDialogKind::Save, "导出配置", "配置文件 (*.txt)", "*.txt", "配置"});
        KD_CHECK(save.found);
        KD_CHECK(save.owner == d.Window());
        KD_CHECK(!save.ownerEnabled);
        KD_CHECK(saved.has_value());
        KD_CHECK_EQ(saved.value_or(""), Utf16ToUtf8(path));
        KD_CHECK(::IsWindowEnabled(d.Window()));

        // The filter's suffix goes only on a new name without one.
        const std::wstring plain = TempDirectory() + L"kd_plain";
        const std::wstring fresh = TempDirectory() + L"kd_新导出";
        ::CloseHandle(::CreateFileW(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        ::DeleteFileW((fresh + L".txt").c_str());
        for (const auto& [typed, expected] : {std::pair{plain, plain}, {fresh, fresh + L".txt"}}) {
            FileDialogSeen seen{L"导出配置", typed};
            seen.confirm = typed == plain;
            const auto chosen =
                Ask(d, seen, {FileDialogKind::Save, "导出配置", "配置文件 (*.txt)", "*.txt", ""});
            KD_CHECK_EQ(chosen.value_or(""), Utf16ToUtf8(expected));
        }
        ::DeleteFileW(plain.c_str());

        FileDialogSeen open{L"导入配置", L""};
        const auto opened =
            Ask(d, open, {FileDialogKind::Open, "导入配置", "配置文件 (*.txt)", "*.txt", ""});
        KD_CHECK(open.found);
        KD_CHECK(open.owner == d.Window());
        KD_CHECK(!opened.has_value());
        d.EndDialog(kResultOk);
    });
    KD_CHECK_EQ(asker.DoModal(), kResultOk);
}

}  // namespace

void RunFileDialogTests() {
    Win32Toolkit toolkit(::GetModuleHandleW(nullptr));
    FileDialogs(toolkit);
}

}  // namespace kd::test
