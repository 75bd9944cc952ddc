// The geometry of a tab control's pages, read from another process.
#include "tab_pages.h"

// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Sends a common control a message that fills a RECT through its lParam. The control
// writes into its own process, so the RECT is placed there and read back.
RECT RemoteRect(HWND control, UINT message, WPARAM wparam, const RECT& in, UINT timeoutMs) {
    DWORD pid = 0;
    GetWindowThreadProcessId(control, &pid);
    const HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process == nullptr) {
        throw TabPagesFault("cannot reach the memory of the window's process");
    }
    void* remote =
        VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    RECT out{};
    DWORD_PTR result = 0;
    const bool ok = remote != nullptr &&
                    WriteProcessMemory(process, remote, &in, sizeof in, nullptr) &&
                    SendMessageTimeoutW(control, message, wparam, reinterpret_cast<LPARAM>(remote),
                                        SMTO_ABORTIFHUNG, timeoutMs, &result) != 0 &&
                    ReadProcessMemory(process, remote, &out, sizeof out, nullptr);
    if (remote != nullptr) {
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    if (!ok) {
        throw TabPagesFault("the tab control did not report its geometry");
    }
    return out;
}

// A window's rectangle in the client coordinates of another.
RECT RectIn(HWND window, HWND reference) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(const RECT& rect) {
    char text[64] = {};
    std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", rect.left, rect.top, rect.right,
                  rect.bottom);
    return text;
}

BOOL CALLBACK CollectChildren(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

bool IsDialog(HWND window) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return std::wstring(name) == L"#32770";
}

// Every control of the page must miss every caption; returns how many it has.
int CheckClearOfCaptions(HWND page, HWND tabs, const std::vector<RECT>& captions) {
    std::vector<HWND> inside;
    EnumChildWindows(page, CollectChildren, reinterpret_cast<LPARAM>(&inside));
    for (HWND control : inside) {
        const RECT rect = RectIn(control, tabs);
        for (size_t tab = 0; tab < captions.size(); ++tab) {
            RECT overlap{};
            if (IntersectRect(&overlap, &rect, &captions[tab])) {
                throw TabPagesFault("control " + std::to_string(GetDlgCtrlID(control)) + " at " +
                                    Describe(rect) + " covers tab " + std::to_string(tab) + " at " +
                                    Describe(captions[tab]));
            }
        }
    }
    return static_cast<int>(inside.size());
}

}  // namespace

std::string CheckTabPages(HWND tabs, UINT timeoutMs) {
    RECT client{};
    GetClientRect(tabs, &client);
    const RECT area = RemoteRect(tabs, TCM_ADJUSTRECT, FALSE, client, timeoutMs);
    std::vector<RECT> captions;
    LONG rowBottom = 0;
    const LRESULT count = SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        captions.push_back(
            RemoteRect(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(i), RECT{}, timeoutMs));
        rowBottom = std::max(rowBottom, captions.back().bottom);
    }
    std::vector<HWND> all;
    EnumChildWindows(tabs, CollectChildren, reinterpret_cast<LPARAM>(&all));
    int pages = 0;
    int controls = 0;
    for (HWND page : all) {
        if (GetParent(page) != tabs || !IsDialog(page)) {
            continue;
        }
        ++pages;
        const RECT placed = RectIn(page, tabs);
        if (placed.top < rowBottom) {
            throw TabPagesFault("a page at " + Describe(placed) +
                                " covers the row of tabs (bottom " + std::to_string(rowBottom) +
                                ")");
        }
        if (placed.top < area.top || placed.left < area.left) {
            throw TabPagesFault("a page at " + Describe(placed) +
                                " starts outside the display area " + Describe(area));
        }
        controls += CheckClearOfCaptions(page, tabs, captions);
    }
    if (pages == 0) {
        throw TabPagesFault("the tab control holds no pages");
    }
    return std::to_string(count) + " tabs, row bottom " + std::to_string(rowBottom) +
           ", display area " + Describe(area) + ", " + std::to_string(pages) + " pages with " +
           std::to_string(controls) + " controls clear of the row";
}
