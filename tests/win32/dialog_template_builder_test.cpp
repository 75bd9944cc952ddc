// Reads the built templates back field by field, as the dialog manager does, and checks
// the text conversion the back end relies on.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/win32/check.h"
#include "ui/win32/dialog_template_builder.h"
#include "ui/win32/utf16.h"
#include "ui/win32/windows_api.h"

namespace kd::test {

namespace {

using namespace kd::ui;
using namespace kd::ui::win32;

// A string or an ordinal, as the format stores class names, titles and menus.
struct NameOrOrdinal {
    bool isOrdinal = false;
    uint16_t ordinal = 0;
    std::wstring text;
};

class Reader {
  public:
    explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    uint8_t Byte() {
        if (pos_ >= bytes_.size()) {
            overrun_ = true;
            return 0;
        }
        return bytes_[pos_++];
    }
    uint16_t Word() {
        const uint16_t low = Byte();
        return static_cast<uint16_t>(low | (Byte() << 8));
    }
    uint32_t Dword() {
        const uint32_t low = Word();
        return low | (static_cast<uint32_t>(Word()) << 16);
    }
    int Short() { return static_cast<int16_t>(Word()); }
    std::wstring String() {
        std::wstring text;
        while (!overrun_) {
            const uint16_t unit = Word();
            if (unit == 0) {
                break;
            }
            text.push_back(static_cast<wchar_t>(unit));
        }
        return text;
    }
    NameOrOrdinal Name() {
        NameOrOrdinal name;
        if (pos_ + 1 < bytes_.size() && bytes_[pos_] == 0xFF && bytes_[pos_ + 1] == 0xFF) {
            Word();
            name.isOrdinal = true;
            name.ordinal = Word();
        } else {
            name.text = String();
        }
        return name;
    }
    void SkipPadding() {
        while (pos_ % 4 != 0 && pos_ < bytes_.size()) {
            ++pos_;
        }
    }
    size_t Position() const { return pos_; }
    bool Overrun() const { return overrun_; }

  private:
    const std::vector<uint8_t>& bytes_;
    size_t pos_ = 0;
    bool overrun_ = false;
};

struct Item {
    size_t offset = 0;
    uint32_t helpId = 0;
    uint32_t exStyle = 0;
    uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    uint32_t id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
    uint16_t extraBytes = 0;
};

struct Parsed {
    uint16_t version = 0;
    uint16_t signature = 0;
    uint32_t helpId = 0;
    uint32_t exStyle = 0;
    uint32_t style = 0;
    uint16_t count = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring title;
    uint16_t points = 0;
    uint16_t weight = 0;
    uint8_t italic = 0;
    uint8_t charset = 0;
    std::wstring typeface;
    std::vector<Item> items;
    bool consumedExactly = false;
};

Parsed Parse(const std::vector<uint8_t>& bytes) {
    Reader in(bytes);
    Parsed out;
    out.version = in.Word();
    out.signature = in.Word();
    out.helpId = in.Dword();
    out.exStyle = in.Dword();
    out.style = in.Dword();
    out.count = in.Word();
    out.x = in.Short();
    out.y = in.Short();
    out.cx = in.Short();
    out.cy = in.Short();
    out.menu = in.Name();
    out.windowClass = in.Name();
    out.title = in.String();
    if ((out.style & DS_SETFONT) != 0) {
        out.points = in.Word();
        out.weight = in.Word();
        out.italic = in.Byte();
        out.charset = in.Byte();
        out.typeface = in.String();
    }
    for (uint16_t i = 0; i < out.count && !in.Overrun(); ++i) {
        in.SkipPadding();
        Item item;
        item.offset = in.Position();
        item.helpId = in.Dword();
        item.exStyle = in.Dword();
        item.style = in.Dword();
        item.x = in.Short();
        item.y = in.Short();
        item.cx = in.Short();
        item.cy = in.Short();
        item.id = in.Dword();
        item.windowClass = in.Name();
        item.title = in.Name();
        item.extraBytes = in.Word();
        out.items.push_back(item);
    }
    out.consumedExactly = !in.Overrun() && in.Position() == bytes.size();
    return out;
}

bool Has(uint32_t style, uint32_t bits) {
    return (style & bits) == bits;
}

void HeaderOfAModalBox() {
    KD_CASE("header of a modal box");
    static constexpr ControlTemplate kControls[] = {
        {1, ControlKind::PushButton, "确定", 10, 20, 50, 14, kDefaultButton},
    };
    const DialogTemplate source{100, DialogStyle::Modal, "关于配置工具", 235, 55, "宋体",
                                9,   kControls};
    const Parsed parsed = Parse(BuildDialogTemplate(source, DialogStyle::Modal));
    KD_CHECK_EQ(parsed.version, 1);
    KD_CHECK_EQ(parsed.signature, 0xFFFF);
    KD_CHECK_EQ(parsed.helpId, 0u);
    KD_CHECK(Has(parsed.style, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    KD_CHECK((parsed.style & (WS_CHILD | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0);
    KD_CHECK((parsed.exStyle & WS_EX_APPWINDOW) == 0);
    KD_CHECK_EQ(parsed.count, 1);
    KD_CHECK_EQ(parsed.cx, 235);
    KD_CHECK_EQ(parsed.cy, 55);
    KD_CHECK(!parsed.menu.isOrdinal && parsed.menu.text.empty());
    KD_CHECK(!parsed.windowClass.isOrdinal && parsed.windowClass.text.empty());
    KD_CHECK(parsed.title == L"关于配置工具");
    KD_CHECK_EQ(parsed.points, 9);
    KD_CHECK_EQ(parsed.italic, 0);
    KD_CHECK(parsed.typeface == L"宋体");
    KD_CHECK(parsed.consumedExactly);
}

void StylesOfTheThreeWindowKinds() {
    KD_CASE("window kinds");
    const DialogTemplate source{1, DialogStyle::Modal, "x", 100, 50, "宋体", 9, {}};

    const Parsed main = Parse(BuildDialogTemplate(source, DialogStyle::MainWindow));
    KD_CHECK(Has(main.style, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    KD_CHECK((main.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0);
    KD_CHECK(Has(main.exStyle, WS_EX_APPWINDOW));

    // A page has no frame of its own and is built as one whatever its template says.
    const Parsed page = Parse(BuildDialogTemplate(source, DialogStyle::Child));
    KD_CHECK(Has(page.style, WS_CHILD | DS_CONTROL));
    KD_CHECK((page.style & (WS_POPUP | WS_CAPTION | WS_BORDER | WS_SYSMENU | DS_MODALFRAME)) == 0);
    KD_CHECK(Has(page.exStyle, WS_EX_CONTROLPARENT));
    KD_CHECK(page.consumedExactly);

    // Without a font name there is no font block.
    const DialogTemplate plain{1, DialogStyle::Modal, "x", 100, 50, "", 0, {}};
    const Parsed noFont = Parse(BuildDialogTemplate(plain, DialogStyle::Modal));
    KD_CHECK((noFont.style & DS_SETFONT) == 0);
    KD_CHECK(noFont.consumedExactly);
}

void EveryKindOfControl() {
    KD_CASE("controls of every kind");
    static constexpr ControlTemplate kControls[] = {
        {1, ControlKind::PushButton, "确定", 1, 2, 3, 4, kDefaultButton | kGroup},
        {2, ControlKind::PushButton, "取消", 0, 0, 10, 10},
        {3, ControlKind::CheckBox, "选项", 0, 0, 10, 10, kDisabled},
        {4, ControlKind::RadioButton, "甲", 0, 0, 10, 10, kGroup},
        {5, ControlKind::RadioButton, "乙", 0, 0, 10, 10},
        {kUnnamedControl, ControlKind::GroupBox, "组", 0, 0, 10, 10},
        {kUnnamedControl, ControlKind::Static, "标签", 0, 0, 10, 10},
        {kUnnamedControl, ControlKind::Icon, "", 0, 0, 20, 20, 0, 128},
        {6, ControlKind::Edit, "初始", 0, 0, 10, 10, kReadOnly},
        {7, ControlKind::ComboBox, "", 0, 0, 10, 107, kSorted | kHidden},
        {8, ControlKind::TabControl, "", 0, 0, 10, 10, kNoTabStop},
        {9, ControlKind::RadioButton, "丙", 0, 0, 10, 10, kGroup},
    };
    const DialogTemplate source{1, DialogStyle::Modal, "控件", 200, 100, "宋体", 9, kControls};
    const std::vector<uint8_t> bytes = BuildDialogTemplate(source, DialogStyle::Modal);
    const Parsed parsed = Parse(bytes);
    KD_CHECK(parsed.consumedExactly);
    if (!KD_CHECK_EQ(parsed.items.size(), size_t{12})) {
        return;
    }
    for (const Item& item : parsed.items) {
        KD_CHECK_EQ(item.offset % 4, size_t{0});
        KD_CHECK_EQ(item.helpId, 0u);
        KD_CHECK_EQ(item.extraBytes, 0);
        KD_CHECK(Has(item.style, WS_CHILD));
    }
    const auto classOf = [&](size_t i) {
        return parsed.items[i].windowClass.isOrdinal ? parsed.items[i].windowClass.ordinal : 0;
    };
    const Item& ok = parsed.items[0];
    KD_CHECK_EQ(classOf(0), 0x0080);
    KD_CHECK(ok.title.text == L"确定");
    KD_CHECK_EQ(ok.x, 1);
    KD_CHECK_EQ(ok.y, 2);
    KD_CHECK_EQ(ok.cx, 3);
    KD_CHECK_EQ(ok.cy, 4);
    KD_CHECK_EQ(ok.id, 1u);
    KD_CHECK_EQ(ok.style & 0x0F, static_cast<uint32_t>(BS_DEFPUSHBUTTON));
    KD_CHECK(Has(ok.style, WS_VISIBLE | WS_TABSTOP | WS_GROUP));
    KD_CHECK_EQ(parsed.items[1].style & 0x0F, static_cast<uint32_t>(BS_PUSHBUTTON));
    KD_CHECK((parsed.items[1].style & WS_GROUP) == 0);

    KD_CHECK_EQ(parsed.items[2].style & 0x0F, static_cast<uint32_t>(BS_AUTOCHECKBOX));
    KD_CHECK(Has(parsed.items[2].style, WS_DISABLED));

    // Tab stops at the first radio button of a group only.
    KD_CHECK_EQ(parsed.items[3].style & 0x0F, static_cast<uint32_t>(BS_AUTORADIOBUTTON));
    KD_CHECK(Has(parsed.items[3].style, WS_TABSTOP | WS_GROUP));
    KD_CHECK((parsed.items[4].style & WS_TABSTOP) == 0);
    KD_CHECK(Has(parsed.items[11].style, WS_TABSTOP));

    KD_CHECK_EQ(classOf(5), 0x0080);
    KD_CHECK_EQ(parsed.items[5].style & 0x0F, static_cast<uint32_t>(BS_GROUPBOX));
    KD_CHECK_EQ(parsed.items[5].id, 0xFFFFu);
    KD_CHECK((parsed.items[5].style & WS_TABSTOP) == 0);

    KD_CHECK_EQ(classOf(6), 0x0082);
    KD_CHECK(Has(parsed.items[6].style, SS_LEFT | SS_NOPREFIX));
    KD_CHECK((parsed.items[6].style & WS_TABSTOP) == 0);
    KD_CHECK(parsed.items[6].title.text == L"标签");

    // The icon names its resource by ordinal.
    KD_CHECK_EQ(classOf(7), 0x0082);
    KD_CHECK_EQ(parsed.items[7].style & SS_TYPEMASK, static_cast<uint32_t>(SS_ICON));
    KD_CHECK(parsed.items[7].title.isOrdinal);
    KD_CHECK_EQ(parsed.items[7].title.ordinal, 128);

    KD_CHECK_EQ(classOf(8), 0x0081);
    KD_CHECK(Has(parsed.items[8].style, ES_AUTOHSCROLL | WS_BORDER | ES_READONLY | WS_TABSTOP));
    KD_CHECK(parsed.items[8].title.text == L"初始");

    KD_CHECK_EQ(classOf(9), 0x0085);
    KD_CHECK(Has(parsed.items[9].style, CBS_DROPDOWN | WS_VSCROLL | CBS_AUTOHSCROLL | CBS_SORT));
    KD_CHECK((parsed.items[9].style & WS_VISIBLE) == 0);
    KD_CHECK_EQ(parsed.items[9].cy, 107);

    KD_CHECK(!parsed.items[10].windowClass.isOrdinal);
    KD_CHECK(parsed.items[10].windowClass.text == WC_TABCONTROLW);
    KD_CHECK(Has(parsed.items[10].style, WS_CLIPSIBLINGS));
    KD_CHECK((parsed.items[10].style & WS_TABSTOP) == 0);
    // The Tab key walks on into the pages inside it.
    KD_CHECK(Has(parsed.items[10].exStyle, WS_EX_CONTROLPARENT));
    KD_CHECK_EQ(parsed.items[8].exStyle, 0u);
}

void ItemsStayAlignedWhateverTheTextLengths() {
    KD_CASE("alignment over text lengths");
    static const std::string texts[] = {"", "a", "ab", "abc", "中", "中文", "中文字", "abcd"};
    for (const std::string& title : texts) {
        for (const std::string& label : texts) {
            const ControlTemplate controls[] = {
                {10, ControlKind::Static, label, 0, 0, 10, 10},
                {11, ControlKind::Edit, title, 0, 0, 10, 10},
                {12, ControlKind::Static, label, 0, 0, 10, 10},
            };
            // The font name varies too: it is the last string before the first item.
            const std::string_view font = label.empty() ? std::string_view("宋体") : label;
            const DialogTemplate source{1, DialogStyle::Modal, title, 50, 50, font, 9, controls};
            const Parsed parsed = Parse(BuildDialogTemplate(source, DialogStyle::Modal));
            KD_CHECK(parsed.consumedExactly);
            KD_CHECK_EQ(parsed.items.size(), size_t{3});
            for (const Item& item : parsed.items) {
                KD_CHECK_EQ(item.offset % 4, size_t{0});
            }
            if (parsed.items.size() == 3) {
                KD_CHECK_EQ(parsed.items[2].id, 12u);
                KD_CHECK(parsed.items[2].title.text == Utf8ToUtf16(label));
            }
        }
    }
}

void TemplatesTheFormatCannotHoldAreRefused() {
    KD_CASE("out of range");
    const auto build = [](const ControlTemplate& control) {
        const ControlTemplate controls[] = {control};
        const DialogTemplate source{1, DialogStyle::Modal, "x", 50, 50, "宋体", 9, controls};
        return BuildDialogTemplate(source, DialogStyle::Modal);
    };
    KD_CHECK(!build({0xFFFE, ControlKind::Static, "", 0, 0, 1, 1}).empty());
    KD_CHECK(build({0xFFFF, ControlKind::Static, "", 0, 0, 1, 1}).empty());
    KD_CHECK(build({70000, ControlKind::Static, "", 0, 0, 1, 1}).empty());
    KD_CHECK(build({-2, ControlKind::Static, "", 0, 0, 1, 1}).empty());
    KD_CHECK(build({1, ControlKind::Static, "", 40000, 0, 1, 1}).empty());
    KD_CHECK(build({1, ControlKind::Static, "", 0, 0, -5, 1}).empty());
    KD_CHECK(build({1, ControlKind::Icon, "", 0, 0, 1, 1, 0, 0}).empty());
    const DialogTemplate huge{1, DialogStyle::Modal, "x", 50000, 50, "宋体", 9, {}};
    KD_CHECK(BuildDialogTemplate(huge, DialogStyle::Modal).empty());
}

void TextsSurviveTheTripToUtf16AndBack() {
    KD_CASE("UTF-8 and UTF-16");
    const std::string chinese = "星澜配置工具KD系列(串口)V2.0.3 关于配置工具  (&A)...";
    const std::wstring wide = Utf8ToUtf16(chinese);
    KD_CHECK(wide == L"星澜配置工具KD系列(串口)V2.0.3 关于配置工具  (&A)...");
    KD_CHECK_EQ(Utf16ToUtf8(wide), chinese);
    KD_CHECK(Utf8ToUtf16("").empty());
    KD_CHECK(Utf16ToUtf8(L"").empty());

    // Outside the basic plane: one code point, two UTF-16 units.
    const std::string emoji = "\xF0\x9F\x93\xB7";
    KD_CHECK_EQ(Utf8ToUtf16(emoji).size(), size_t{2});
    KD_CHECK_EQ(Utf16ToUtf8(Utf8ToUtf16(emoji)), emoji);

    // Broken input is replaced, not dropped with what follows it.
    const std::wstring broken = Utf8ToUtf16(
        "a\xFF"
        "b");
    KD_CHECK(broken.size() == 3 && broken[0] == L'a' && broken[1] == 0xFFFD && broken[2] == L'b');
    const std::wstring loneSurrogate = {L'x', static_cast<wchar_t>(0xD800), L'y'};
    KD_CHECK_EQ(Utf16ToUtf8(loneSurrogate), std::string("x\xEF\xBF\xBDy"));

    // Embedded zeros are kept by the conversion itself.
    const std::string withZero("a\0b", 3);
    KD_CHECK_EQ(Utf8ToUtf16(withZero).size(), size_t{3});
}

}  // namespace

void RunTemplateTests() {
    HeaderOfAModalBox();
    StylesOfTheThreeWindowKinds();
    EveryKindOfControl();
    ItemsStayAlignedWhateverTheTextLengths();
    TemplatesTheFormatCannotHoldAreRefused();
    TextsSurviveTheTripToUtf16AndBack();
}

}  // namespace kd::test
