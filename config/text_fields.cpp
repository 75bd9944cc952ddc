#include "config/text_fields.h"

#include "catalogue/key_catalogue.h"
#include "text/escape.h"

namespace kd::pages {

namespace {

constexpr std::string_view kColons[] = {"：", ":"};

std::string_view WithoutColon(std::string_view caption) {
    for (const std::string_view colon : kColons) {
        if (caption.ends_with(colon)) {
            caption.remove_suffix(colon.size());
        }
    }
    return caption;
}

bool IsLabel(const ui::ControlTemplate& control) {
    return !control.text.empty() &&
           (control.kind == ui::ControlKind::Static || control.kind == ui::ControlKind::CheckBox);
}

std::string UnescapeProblem(std::string_view field, const text::UnescapeError& error) {
    if (error.kind == text::UnescapeError::Kind::BadEscape) {
        return std::string(field) + "：“" + error.piece +
               "”不是有效的转义。反斜杠请写作 \\\\，任意字节写作 \\xNN（两位十六进制）。";
    }
    return std::string(field) + "：“" + error.piece +
           "”无法以 GBK 编码发送给设备，请删除后再保存。";
}

}  // namespace

void TextFields::Show(ui::Dialog& page, int controlId, std::string value) {
    Shown shown{std::move(value), {}};
    shown.text = text::EscapeText(shown.value);
    page.SetText(controlId, shown.text);
    shown_[controlId] = std::move(shown);
}

std::optional<std::string> TextFields::Bytes(const ui::Dialog& page, int controlId,
                                             text::UnescapeError* error) const {
    // A control nothing was shown in held the empty value.
    const auto found = shown_.find(controlId);
    const bool shown = found != shown_.end();
    const std::string text = page.GetText(controlId);
    if (shown ? text == found->second.text : text.empty()) {
        return shown ? found->second.value : std::string();
    }
    return text::UnescapeText(text, error);
}

std::string TextFields::Sent(const ui::Dialog& page, int controlId) const {
    if (std::optional<std::string> bytes = Bytes(page, controlId, nullptr)) {
        return std::move(*bytes);
    }
    const auto found = shown_.find(controlId);
    return found == shown_.end() ? std::string() : found->second.value;
}

std::string TextFields::Problem(const ui::Dialog& page, int controlId,
                                std::string_view keyName) const {
    const std::string field = FieldCaption(page, controlId);
    text::UnescapeError error{};
    const std::optional<std::string> bytes = Bytes(page, controlId, &error);
    if (!bytes) {
        return UnescapeProblem(field, error);
    }
    const size_t limit = catalogue::WriteLimit(keyName);
    if (bytes->size() > limit) {
        return field + "：内容为 " + std::to_string(bytes->size()) + " 字节，设备最多接受 " +
               std::to_string(limit) + " 字节（一个汉字占 2 字节），请缩短后再保存。";
    }
    return {};
}

std::string FieldCaption(const ui::Dialog& page, int controlId) {
    std::string_view caption;
    for (const ui::ControlTemplate& control : page.Template().controls) {
        if (control.id == controlId) {
            break;
        }
        if (IsLabel(control)) {
            caption = control.text;
        }
    }
    return std::string(WithoutColon(caption));
}

}  // namespace kd::pages
