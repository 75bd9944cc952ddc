// robot.exe: drives kdconfig.exe's windows from another process, one command per line.
//
// Commands come from the arguments (one command each) or, without arguments, from
// standard input. Each line prints UTF-8 results; the first failing command prints
// "FAIL line N: ..." and ends the run with exit code 1, so a shell script can stop there.
//
// Windows are named by aliases bound with "find"; a control is ALIAS:ID. Settings pages
// reuse control ids, so "scope" binds an alias to the page holding a given control.
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tab_pages.h"

namespace {

// A reply slower than this means the target's thread is busy, not merely slow.
constexpr UINT kSendTimeoutMs = 2000;
constexpr int kPollMs = 20;
constexpr int kDefaultWaitMs = 5000;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::wstring Widen(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                        nullptr, nullptr);
    return narrow;
}

// printf of wide strings prints question marks under Wine; raw UTF-8 bytes do not.
void Out(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

ULONGLONG Now() {
    return GetTickCount64();
}

// One word of a command line. A word with quotes in it is always plain text, never an
// option, so a text like "a=b" can be given.
struct Word {
    std::string text;
    bool quoted = false;
};

// Splits a line into words; double quotes group words, with \" \\ and \n inside them.
std::vector<Word> Tokenize(const std::string& line) {
    std::vector<Word> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        if (i >= line.size()) {
            break;
        }
        Word word;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            const char c = line[i++];
            if (c == '"') {
                quoted = !quoted;
                word.quoted = true;
            } else if (c == '\\' && quoted && i < line.size()) {
                const char next = line[i++];
                word.text.push_back(next == 'n' ? '\n' : next);
            } else {
                word.text.push_back(c);
            }
        }
        if (quoted) {
            throw Failure("unterminated quote");
        }
        words.push_back(word);
    }
    return words;
}

int ParseInt(const std::string& text) {
    try {
        size_t used = 0;
        const long value = std::stol(text, &used, 0);
        if (used != text.size()) {
            throw Failure("not a number: " + text);
        }
        return static_cast<int>(value);
    } catch (const std::logic_error&) {
        throw Failure("not a number: " + text);
    }
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// Reads text without sending a message: what the window manager holds as its caption.
std::wstring Caption(HWND window) {
    wchar_t text[512] = {};
    InternalGetWindowText(window, text, 512);
    return text;
}

class Robot {
  public:
    // Runs one command; throws Failure when it does not hold.
    void Run(const std::vector<Word>& words);

  private:
    struct Options {
        std::map<std::string, std::string> named;
        std::vector<std::string> plain;
        int Number(const std::string& key, int fallback) const {
            const auto it = named.find(key);
            return it == named.end() ? fallback : ParseInt(it->second);
        }
    };

    static Options Split(const std::vector<Word>& words, size_t from);
    static void Need(const Options& options, size_t count, const char* usage);

    HWND Alias(const std::string& name) const;
    HWND Control(const std::string& reference) const;
    bool Known(HWND window) const;

    static LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                        bool* ok = nullptr);
    static std::wstring Text(HWND window, bool* ok = nullptr);
    std::optional<std::string> Property(HWND control, const std::string& name) const;
    static std::string Items(HWND combo);

    HWND FindTopLevel(const std::wstring& title, const std::string& has) const;
    HWND FindMessageBox(const std::wstring& title) const;

    void Find(const Options& options);
    void Gone(const Options& options);
    void Click(const Options& options);
    void SetCheck(const Options& options, bool wanted);
    void Select(const Options& options);
    void Type(const Options& options);
    void Expect(const Options& options, bool wait);
    void Tab(const Options& options);
    void MessageBoxStep(const Options& options);
    void NoMessageBox(const Options& options);
    void Shot(const Options& options);
    void TabPages(const Options& options);

    std::map<std::string, HWND> aliases_;
    std::map<std::string, ULONGLONG> marks_;
};

Robot::Options Robot::Split(const std::vector<Word>& words, size_t from) {
    Options options;
    for (size_t i = from; i < words.size(); ++i) {
        const std::string& word = words[i].text;
        const size_t equals = word.find('=');
        // Only unquoted lower-case option names count, so that texts with '=' stay plain.
        bool named = !words[i].quoted && equals != std::string::npos && equals > 0;
        for (size_t k = 0; named && k < equals; ++k) {
            named = word[k] >= 'a' && word[k] <= 'z';
        }
        if (named) {
            options.named[word.substr(0, equals)] = word.substr(equals + 1);
        } else {
            options.plain.push_back(word);
        }
    }
    return options;
}

void Robot::Need(const Options& options, size_t count, const char* usage) {
    if (options.plain.size() != count) {
        throw Failure(std::string("usage: ") + usage);
    }
}

HWND Robot::Alias(const std::string& name) const {
    const auto it = aliases_.find(name);
    if (it == aliases_.end()) {
        throw Failure("no window named " + name + " (bind it with find or scope)");
    }
    if (!IsWindow(it->second)) {
        throw Failure("window " + name + " is gone");
    }
    return it->second;
}

bool Robot::Known(HWND window) const {
    for (const auto& [name, known] : aliases_) {
        if (known == window) {
            return true;
        }
    }
    return false;
}

struct IdSearch {
    int id;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectById(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<IdSearch*>(param);
    if (GetDlgCtrlID(window) == search->id) {
        search->found.push_back(window);
    }
    return TRUE;
}

// ALIAS:ID names a control: a direct child first, otherwise the only descendant with
// that id. Two descendants with one id is a mistake in the script, not a coin toss.
HWND Robot::Control(const std::string& reference) const {
    const size_t colon = reference.find(':');
    if (colon == std::string::npos) {
        return Alias(reference);
    }
    const HWND parent = Alias(reference.substr(0, colon));
    const int id = ParseInt(reference.substr(colon + 1));
    if (const HWND direct = GetDlgItem(parent, id)) {
        return direct;
    }
    IdSearch search{id, {}};
    EnumChildWindows(parent, CollectById, reinterpret_cast<LPARAM>(&search));
    if (search.found.empty()) {
        throw Failure("no control " + reference);
    }
    if (search.found.size() > 1) {
        throw Failure("control id " + reference + " is ambiguous: " +
                      std::to_string(search.found.size()) + " controls; bind the page with scope");
    }
    return search.found.front();
}

LRESULT Robot::Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool* ok) {
    DWORD_PTR result = 0;
    const bool sent = SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG,
                                          kSendTimeoutMs, &result) != 0;
    if (ok != nullptr) {
        *ok = sent;
    } else if (!sent) {
        throw Failure("window does not answer (busy or hung)");
    }
    return static_cast<LRESULT>(result);
}

std::wstring Robot::Text(HWND window, bool* ok) {
    bool sent = true;
    const LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0, &sent);
    if (!sent) {
        if (ok == nullptr) {
            throw Failure("window does not answer (busy or hung)");
        }
        *ok = false;
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got =
        Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), ok);
    text.resize(static_cast<size_t>(got < 0 ? 0 : got));
    return text;
}

std::string Robot::Items(HWND combo) {
    const LRESULT count = Send(combo, CB_GETCOUNT, 0, 0);
    std::string joined;
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring item(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
        const LRESULT got = Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                 reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<size_t>(got < 0 ? 0 : got));
        if (i > 0) {
            joined += "|";
        }
        joined += Narrow(item);
    }
    return joined;
}

// The value of a control's property as text, or nothing while its window is busy.
std::optional<std::string> Robot::Property(HWND control, const std::string& name) const {
    bool ok = true;
    std::string value;
    if (name == "text") {
        value = Narrow(Text(control, &ok));
    } else if (name == "caption") {
        value = Narrow(Caption(control));
    } else if (name == "enabled") {
        value = IsWindowEnabled(control) ? "1" : "0";
    } else if (name == "visible") {
        value = IsWindowVisible(control) ? "1" : "0";
    } else if (name == "checked") {
        value = std::to_string(Send(control, BM_GETCHECK, 0, 0, &ok));
    } else if (name == "cursel") {
        value = std::to_string(Send(control, CB_GETCURSEL, 0, 0, &ok));
    } else if (name == "count") {
        value = std::to_string(Send(control, CB_GETCOUNT, 0, 0, &ok));
    } else if (name == "seltext") {
        const LRESULT index = Send(control, CB_GETCURSEL, 0, 0, &ok);
        if (ok && index >= 0) {
            const LRESULT length =
                Send(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0, &ok);
            std::wstring item(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
            const LRESULT got = Send(control, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(item.data()), &ok);
            item.resize(static_cast<size_t>(got < 0 ? 0 : got));
            value = Narrow(item);
        }
    } else if (name == "items") {
        value = Items(control);
    } else if (name == "lines") {
        value = std::to_string(Send(control, LB_GETCOUNT, 0, 0, &ok));
    } else if (name == "firstline") {
        const LRESULT length = Send(control, LB_GETTEXTLEN, 0, 0, &ok);
        std::wstring line(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
        const LRESULT got =
            Send(control, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line.data()), &ok);
        line.resize(static_cast<size_t>(got < 0 ? 0 : got));
        value = Narrow(line);
    } else if (name == "tab") {
        value = std::to_string(Send(control, TCM_GETCURSEL, 0, 0, &ok));
    } else if (name == "class") {
        value = Narrow(ClassOf(control));
    } else if (name == "length") {
        value = std::to_string(Text(control, &ok).size());
    } else if (name == "rect") {
        RECT rect{};
        GetWindowRect(control, &rect);
        value = std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                std::to_string(rect.right) + "," + std::to_string(rect.bottom);
    } else {
        throw Failure("unknown property " + name +
                      " (text caption enabled visible checked cursel count seltext items lines "
                      "firstline tab class length rect)");
    }
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

struct TopSearch {
    const Robot* robot;
    std::wstring title;
    std::wstring wantClass;  // empty: any
    bool messageBox = false;
    std::string has;
    std::vector<HWND> found;
};

struct HasSearch {
    int id = -1;
    std::wstring className;
    bool found = false;
};

BOOL CALLBACK FindDescendant(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<HasSearch*>(param);
    if ((search->id >= 0 && GetDlgCtrlID(window) == search->id) ||
        (!search->className.empty() && ClassOf(window) == search->className)) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

bool HasDescendant(HWND window, const std::string& has) {
    if (has.empty()) {
        return true;
    }
    HasSearch search;
    if (has[0] >= '0' && has[0] <= '9') {
        search.id = ParseInt(has);
    } else {
        search.className = Widen(has);
    }
    EnumChildWindows(window, FindDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TopSearch*>(param);
    if (!IsWindowVisible(window) || Caption(window) != search->title) {
        return TRUE;
    }
    if (!search->wantClass.empty() && ClassOf(window) != search->wantClass) {
        return TRUE;
    }
    if (search->messageBox &&
        (GetDlgItem(window, 0xFFFF) == nullptr || GetDlgItem(window, IDOK) == nullptr)) {
        return TRUE;
    }
    if (!HasDescendant(window, search->has)) {
        return TRUE;
    }
    search->found.push_back(window);
    return TRUE;
}

// A visible top-level window with this title that no alias holds yet.
HWND Robot::FindTopLevel(const std::wstring& title, const std::string& has) const {
    TopSearch search{this, title, L"", false, has, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.found) {
        if (!Known(window)) {
            return window;
        }
    }
    return nullptr;
}

HWND Robot::FindMessageBox(const std::wstring& title) const {
    TopSearch search{this, title, L"#32770", true, "", {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.found) {
        if (!Known(window)) {
            return window;
        }
    }
    return nullptr;
}

void Robot::Find(const Options& options) {
    Need(options, 2, "find ALIAS TITLE [has=ID|CLASS] [timeout=MS]");
    const std::wstring title = Widen(options.plain[1]);
    const std::string has = options.named.count("has") ? options.named.at("has") : "";
    // The alias is rebound: its old window does not count as known for this search.
    aliases_.erase(options.plain[0]);
    const ULONGLONG deadline =
        Now() + static_cast<ULONGLONG>(options.Number("timeout", kDefaultWaitMs));
    for (;;) {
        if (const HWND window = FindTopLevel(title, has)) {
            aliases_[options.plain[0]] = window;
            return;
        }
        if (Now() >= deadline) {
            throw Failure("timed out waiting for window \"" + options.plain[1] + "\"");
        }
        Sleep(kPollMs);
    }
}

void Robot::Gone(const Options& options) {
    Need(options, 1, "gone ALIAS [timeout=MS]");
    const auto it = aliases_.find(options.plain[0]);
    if (it == aliases_.end()) {
        throw Failure("no window named " + options.plain[0]);
    }
    const ULONGLONG deadline =
        Now() + static_cast<ULONGLONG>(options.Number("timeout", kDefaultWaitMs));
    while (IsWindow(it->second) && IsWindowVisible(it->second)) {
        if (Now() >= deadline) {
            throw Failure("window " + options.plain[0] + " is still open");
        }
        Sleep(kPollMs);
    }
    aliases_.erase(it);
}

// Posted, not sent: a click that opens a modal box would block a sent message until
// the box closes. A user cannot click a disabled button, so neither may the robot.
void Robot::Click(const Options& options) {
    if (options.plain.size() != 1 && !(options.plain.size() == 2 && options.plain[1] == "hidden")) {
        throw Failure("usage: click CTRL [hidden]");
    }
    const HWND control = Control(options.plain[0]);
    if (!IsWindowEnabled(control)) {
        throw Failure(options.plain[0] + " is disabled");
    }
    if (options.plain.size() == 1 && !IsWindowVisible(control)) {
        throw Failure(options.plain[0] + " is hidden (say \"hidden\" to click it anyway)");
    }
    const int id = GetDlgCtrlID(control);
    PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
}

// The button's own click handling toggles a box or selects a radio button and clears its
// group, as a mouse click would; the robot then waits for the state to show.
void Robot::SetCheck(const Options& options, bool wanted) {
    Need(options, 1, wanted ? "check CTRL" : "uncheck CTRL");
    const HWND control = Control(options.plain[0]);
    if (!IsWindowEnabled(control)) {
        throw Failure(options.plain[0] + " is disabled");
    }
    const LRESULT want = wanted ? BST_CHECKED : BST_UNCHECKED;
    if (Send(control, BM_GETCHECK, 0, 0) == want) {
        return;
    }
    PostMessageW(control, BM_CLICK, 0, 0);
    const ULONGLONG deadline = Now() + kSendTimeoutMs;
    while (Send(control, BM_GETCHECK, 0, 0) != want) {
        if (Now() >= deadline) {
            throw Failure(options.plain[0] + " did not change its check state on a click");
        }
        Sleep(kPollMs);
    }
}

// By index, or by text=ENTRY; then the notification that CB_SETCURSEL does not send.
void Robot::Select(const Options& options) {
    if (options.plain.empty()) {
        throw Failure("usage: select CTRL INDEX | select CTRL text=ENTRY");
    }
    const HWND combo = Control(options.plain[0]);
    LRESULT index = -1;
    if (options.plain.size() == 2) {
        index = ParseInt(options.plain[1]);
    } else if (options.plain.size() == 1 && options.named.count("text")) {
        const std::string wanted = options.named.at("text");
        const std::string items = Items(combo);
        size_t start = 0;
        for (LRESULT i = 0; start <= items.size(); ++i) {
            const size_t bar = items.find('|', start);
            const std::string item =
                items.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
            if (item == wanted) {
                index = i;
                break;
            }
            if (bar == std::string::npos) {
                break;
            }
            start = bar + 1;
        }
        if (index < 0) {
            throw Failure("no entry \"" + wanted + "\" in " + options.plain[0] + ": " + items);
        }
    } else {
        throw Failure("usage: select CTRL INDEX | select CTRL text=ENTRY");
    }
    if (!IsWindowEnabled(combo)) {
        throw Failure(options.plain[0] + " is disabled");
    }
    if (Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != index) {
        throw Failure("no entry " + std::to_string(index) + " in " + options.plain[0]);
    }
    Send(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
         reinterpret_cast<LPARAM>(combo));
}

// Typed character by character, so the control's length limit applies as it would to a
// user. A combo box takes the keys in its edit field.
void Robot::Type(const Options& options) {
    Need(options, 2, "type CTRL TEXT (or settext CTRL TEXT)");
    HWND target = Control(options.plain[0]);
    if (!IsWindowEnabled(target)) {
        throw Failure(options.plain[0] + " is disabled");
    }
    if (ClassOf(target) == L"ComboBox") {
        if (const HWND edit = FindWindowExW(target, nullptr, L"Edit", nullptr)) {
            target = edit;
        }
    }
    // Select everything first, so the typing replaces the old text. Sent, not posted:
    // a later sent message would overtake posted keys.
    Send(target, EM_SETSEL, 0, -1);
    for (wchar_t c : Widen(options.plain[1])) {
        Send(target, WM_CHAR, c, 1);
    }
}

void Robot::Expect(const Options& options, bool wait) {
    Need(options, 3, wait ? "wait CTRL PROPERTY VALUE [timeout=MS]" : "expect CTRL PROPERTY VALUE");
    const std::string& want = options.plain[2];
    const ULONGLONG deadline =
        Now() + static_cast<ULONGLONG>(options.Number("timeout", wait ? kDefaultWaitMs : 0));
    std::optional<std::string> got;
    for (;;) {
        const HWND control = Control(options.plain[0]);
        got = Property(control, options.plain[1]);
        if (got && *got == want) {
            return;
        }
        if (Now() >= deadline) {
            break;
        }
        Sleep(kPollMs);
    }
    throw Failure(options.plain[0] + " " + options.plain[1] + ": expected \"" + want + "\", got " +
                  (got ? "\"" + *got + "\"" : std::string("no answer (window busy)")));
}

// TCM_SETCURFOCUS makes the tab control tell its parent, as a click on a tab would.
void Robot::Tab(const Options& options) {
    Need(options, 2, "tab CTRL INDEX");
    const HWND tabs = Control(options.plain[0]);
    const int index = ParseInt(options.plain[1]);
    Send(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0);
    if (Send(tabs, TCM_GETCURSEL, 0, 0) != index) {
        throw Failure("tab " + std::to_string(index) + " of " + options.plain[0] + " not selected");
    }
}

// Waits for a message box with this title, prints it, checks its text ("*" takes any)
// and presses OK unless told to keep it.
void Robot::MessageBoxStep(const Options& options) {
    if (options.plain.size() < 2 || options.plain.size() > 3 ||
        (options.plain.size() == 3 && options.plain[2] != "keep")) {
        throw Failure("usage: msgbox TITLE TEXT|* [keep] [timeout=MS]");
    }
    const std::wstring title = Widen(options.plain[0]);
    const ULONGLONG deadline =
        Now() + static_cast<ULONGLONG>(options.Number("timeout", kDefaultWaitMs));
    HWND box = nullptr;
    while ((box = FindMessageBox(title)) == nullptr) {
        if (Now() >= deadline) {
            throw Failure("timed out waiting for a message box \"" + options.plain[0] + "\"");
        }
        Sleep(kPollMs);
    }
    const std::string text = Narrow(Text(GetDlgItem(box, 0xFFFF)));
    Out("msgbox " + options.plain[0] + ": " + text);
    const std::string& want = options.plain[1];
    if (want != "*" && text != want) {
        throw Failure("message box text: expected \"" + want + "\", got \"" + text + "\"");
    }
    if (options.plain.size() == 3) {
        aliases_["msgbox"] = box;
        return;
    }
    const HWND ok = GetDlgItem(box, IDOK);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    const ULONGLONG closing = Now() + kDefaultWaitMs;
    while (IsWindow(box)) {
        if (Now() >= closing) {
            throw Failure("message box did not close on OK");
        }
        Sleep(kPollMs);
    }
}

// No message box of any title appears for a while: nothing unasked-for was reported.
void Robot::NoMessageBox(const Options& options) {
    Need(options, 1, "nomsgbox TITLE [ms=MS]");
    const std::wstring title = Widen(options.plain[0]);
    const ULONGLONG deadline = Now() + static_cast<ULONGLONG>(options.Number("ms", 500));
    do {
        if (const HWND box = FindMessageBox(title)) {
            throw Failure("unexpected message box: " + Narrow(Text(GetDlgItem(box, 0xFFFF))));
        }
        Sleep(kPollMs);
    } while (Now() < deadline);
}

// The window's area of the screen as a 24-bit BMP; the shell turns it into a PNG.
void Robot::Shot(const Options& options) {
    Need(options, 2, "shot ALIAS FILE.bmp");
    const HWND window = Alias(options.plain[0]);
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        throw Failure("window " + options.plain[0] + " has no area");
    }
    // Let the window finish painting whatever the last step changed.
    Send(window, WM_NULL, 0, 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Send(window, WM_NULL, 0, 0);
    Sleep(150);
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied =
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != 0;
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    const HANDLE out = CreateFileW(Widen(options.plain[1]).c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool written = out != INVALID_HANDLE_VALUE && copied;
    if (out != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        written = written && WriteFile(out, &file, sizeof file, &done, nullptr) &&
                  WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &done, nullptr) &&
                  WriteFile(out, bits, imageSize, &done, nullptr);
        CloseHandle(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!written) {
        throw Failure("could not write " + options.plain[1]);
    }
    Out("shot " + options.plain[0] + " " + options.plain[1]);
}

// The pages of a tab control must lie in its display area, clear of its tabs.
void Robot::TabPages(const Options& options) {
    Need(options, 1, "tabpages CTRL");
    try {
        Out("tabpages " + options.plain[0] + ": " +
            CheckTabPages(Control(options.plain[0]), kSendTimeoutMs));
    } catch (const TabPagesFault& fault) {
        throw Failure(fault.what());
    }
}

void Robot::Run(const std::vector<Word>& words) {
    const std::string& verb = words[0].text;
    const Options options = Split(words, 1);
    if (verb == "find") {
        Find(options);
    } else if (verb == "gone") {
        Gone(options);
    } else if (verb == "scope") {
        // The page (or other parent) holding a control, under a name of its own.
        Need(options, 2, "scope ALIAS CTRL");
        aliases_[options.plain[0]] = GetParent(Control(options.plain[1]));
    } else if (verb == "count") {
        Need(options, 2, "count TITLE N");
        TopSearch search{this, Widen(options.plain[0]), L"", false, "", {}};
        EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
        if (static_cast<int>(search.found.size()) != ParseInt(options.plain[1])) {
            throw Failure("windows titled \"" + options.plain[0] + "\": expected " +
                          options.plain[1] + ", found " + std::to_string(search.found.size()));
        }
    } else if (verb == "click") {
        Click(options);
    } else if (verb == "check" || verb == "uncheck") {
        SetCheck(options, verb == "check");
    } else if (verb == "select") {
        Select(options);
    } else if (verb == "settext") {
        Need(options, 2, "settext CTRL TEXT");
        const std::wstring text = Widen(options.plain[1]);
        Send(Control(options.plain[0]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    } else if (verb == "type") {
        Type(options);
    } else if (verb == "print") {
        if (options.plain.empty() || options.plain.size() > 2) {
            throw Failure("usage: print CTRL [PROPERTY]");
        }
        const std::string property = options.plain.size() == 2 ? options.plain[1] : "text";
        const auto value = Property(Control(options.plain[0]), property);
        Out(options.plain[0] + " " + property + " = " + (value ? *value : "(busy)"));
    } else if (verb == "expect") {
        Expect(options, false);
    } else if (verb == "wait") {
        Expect(options, true);
    } else if (verb == "items") {
        Need(options, 1, "items CTRL");
        Out(options.plain[0] + " items = " + Items(Control(options.plain[0])));
    } else if (verb == "tab") {
        Tab(options);
    } else if (verb == "msgbox") {
        MessageBoxStep(options);
    } else if (verb == "nomsgbox") {
        NoMessageBox(options);
    } else if (verb == "syscommand") {
        Need(options, 2, "syscommand ALIAS CODE");
        PostMessageW(Alias(options.plain[0]), WM_SYSCOMMAND,
                     static_cast<WPARAM>(ParseInt(options.plain[1])), 0);
    } else if (verb == "close") {
        Need(options, 1, "close ALIAS");
        PostMessageW(Alias(options.plain[0]), WM_CLOSE, 0, 0);
    } else if (verb == "mark") {
        Need(options, 1, "mark NAME");
        marks_[options.plain[0]] = Now();
    } else if (verb == "elapsed") {
        Need(options, 1, "elapsed NAME [min=MS] [max=MS]");
        const auto it = marks_.find(options.plain[0]);
        if (it == marks_.end()) {
            throw Failure("no mark " + options.plain[0]);
        }
        const long long ms = static_cast<long long>(Now() - it->second);
        Out("elapsed " + options.plain[0] + " " + std::to_string(ms) + " ms");
        if (ms < options.Number("min", 0) || ms > options.Number("max", 0x7FFFFFFF)) {
            throw Failure("elapsed time out of range");
        }
    } else if (verb == "sleep") {
        Need(options, 1, "sleep MS");
        Sleep(static_cast<DWORD>(ParseInt(options.plain[0])));
    } else if (verb == "shot") {
        Shot(options);
    } else if (verb == "tabpages") {
        TabPages(options);
    } else if (verb == "echo") {
        std::string line;
        for (size_t i = 1; i < words.size(); ++i) {
            line += (i > 1 ? " " : "") + words[i].text;
        }
        Out(line);
    } else {
        throw Failure("unknown command " + verb);
    }
}

std::vector<std::string> ReadLines() {
    std::string all;
    char chunk[4096];
    DWORD got = 0;
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    while (ReadFile(in, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        all.append(chunk, got);
    }
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) {
            end = all.size();
        }
        std::string line = all.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Rectangles and screenshots in the screen's own pixels, whatever its DPI.
    SetProcessDPIAware();
    std::vector<std::string> lines;
    if (argc > 1 && std::wcscmp(argv[1], L"--help") == 0) {
        Out("usage: robot [COMMAND...]   (no arguments: one command per line on standard input)\n"
            "  find ALIAS TITLE [has=ID|CLASS] [timeout=MS]   gone ALIAS [timeout=MS]\n"
            "  scope ALIAS CTRL   count TITLE N   close ALIAS   syscommand ALIAS CODE\n"
            "  click CTRL [hidden]   check CTRL   uncheck CTRL   tab CTRL INDEX\n"
            "  select CTRL INDEX|text=ENTRY   settext CTRL TEXT   type CTRL TEXT\n"
            "  print CTRL [PROP]   expect CTRL PROP VALUE   wait CTRL PROP VALUE [timeout=MS]\n"
            "  items CTRL   msgbox TITLE TEXT|* [keep] [timeout=MS]   nomsgbox TITLE [ms=MS]\n"
            "  mark NAME   elapsed NAME [min=MS] [max=MS]   sleep MS   shot ALIAS FILE.bmp   echo "
            "...\n"
            "  tabpages CTRL   (the pages of a tab control lie in its display area, clear of "
            "its tabs)\n"
            "CTRL is ALIAS:ID or ALIAS; PROP: text caption enabled visible checked cursel count\n"
            "seltext items tab class length rect");
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        lines.push_back(Narrow(argv[i]));
    }
    if (argc <= 1) {
        lines = ReadLines();
    }
    Robot robot;
    for (size_t n = 0; n < lines.size(); ++n) {
        try {
            const std::vector<Word> words = Tokenize(lines[n]);
            if (words.empty() || (!words[0].quoted && words[0].text[0] == '#')) {
                continue;
            }
            robot.Run(words);
        } catch (const Failure& failure) {
            Out("FAIL line " + std::to_string(n + 1) + ": " + lines[n]);
            Out("     " + std::string(failure.what()));
            return 1;
        }
    }
    return 0;
}
