// kdconfig.exe: the application object over the Windows back ends.
#include "ui/win32/windows_api.h"

#include "app/config_tool_app.h"
#include "app/system_channel_opener.h"
#include "app/win32/process_control_win32.h"
#include "app/win32/version_request_win32.h"
#include "link/port_enumeration.h"
#include "link/win32/hid_platform_win32.h"
#include "link/win32/serial_enumeration_platform_win32.h"
#include "protocol/upload.h"
#include "ui/win32/win32_toolkit.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (kd::AnswerVersionRequest()) {
        return 0;
    }
    kd::ui::win32::Win32Toolkit toolkit(instance);
    kd::Win32ProcessControl process;
    kd::SerialEnumerationPlatformWin32 serialPlatform;
    kd::WindowsPortSource ports(serialPlatform);
    kd::HidPlatformWin32 hidPlatform;
    kd::SystemChannelOpener channels;
    kd::DiskUploadFiles uploadFiles;
    kd::ThreadSleeper sleeper;
    kd::AppServices services{toolkit, process, ports, hidPlatform, channels, uploadFiles, sleeper};
    kd::ConfigToolApp app(services);
    app.InitInstance();
    return 0;
}
