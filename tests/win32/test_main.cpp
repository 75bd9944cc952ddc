// Runs the back end's checks; exits 0 when all passed. "--no-gui" leaves out the checks
// that open windows, for a Wine without a display. "--port COMn" adds the serial channel's
// checks on that port, which must lead to a simulated reader.
#include <cstdio>
#include <cstring>

#include "tests/win32/check.h"
#include "ui/win32/windows_api.h"

namespace kd::test {
void RunTemplateTests();
void RunWindowTests();
void RunFileDialogTests();
void RunCodecTests();
void RunProfileFileTests();
void RunSerialChannelTests(const char* port);
}  // namespace kd::test

namespace {

// A check that waits forever on a window must not hang the whole run.
DWORD WINAPI Watchdog(void*) {
    ::Sleep(60000);
    std::printf("FAILED: no result after 60 s, stuck in [%s]\n", kd::test::currentCase);
    std::fflush(stdout);
    ::ExitProcess(3);
}

}  // namespace

int main(int argc, char** argv) {
    bool gui = true;
    const char* port = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-gui") == 0) {
            gui = false;
        } else if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            port = argv[++i];
        }
    }
    const HANDLE watchdog = ::CreateThread(nullptr, 0, &Watchdog, nullptr, 0, nullptr);
    if (watchdog != nullptr) {
        ::CloseHandle(watchdog);
    }
    kd::test::RunTemplateTests();
    kd::test::RunCodecTests();
    kd::test::RunProfileFileTests();
    kd::test::RunSerialChannelTests(port);
    if (gui) {
        kd::test::RunWindowTests();
        kd::test::RunFileDialogTests();
    }
    std::printf("%d checks, %d failed%s\n", kd::test::checksRun, kd::test::checksFailed,
                gui ? "" : " (windows left out)");
    return kd::test::checksFailed == 0 ? 0 : 1;
}
