#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/profile.h"

// Every key of the catalogue as data: where the settings dialog shows it, what it may
// hold, and whether the window reads or writes it. The command line lists it, checks
// profiles against it and dumps a reader in its order.
namespace kd::catalogue {

// The settings dialog's pages, in the order of their tabs.
enum class Page { Symbology, OutputMode, OutputFormat, Control, About };
inline constexpr std::array<std::string_view, 5> kPageCaptions = {"码制设置", "输出方式",
                                                                  "输出格式", "控制设置", "关于"};

enum class ControlKind { CheckBox, RadioGroup, TextField, ComboBox };

enum class Access {
    ReadWrite,
    ReadOnly,   // set by the reader itself: compared, never written
    WriteOnly,  // a fixed companion value the window writes and never reads
};

struct KeyInfo {
    std::string_view name;
    Page page;
    ControlKind kind;
    // The controls that show the key; in a radio group, button i stands for literal i.
    std::span<const int> controls;
    // The values the key may hold, where the catalogue fixes them.
    std::span<const std::string_view> literals;
    // Values the window composes from several controls, where it does.
    std::vector<std::string> (*composed)();
    Access access;
};

// In catalogue order: as the pages read them from the reader (the order shows on the
// wire), then the keys only written.
std::span<const KeyInfo> Keys();
const KeyInfo* FindKey(std::string_view name);
// "; did you mean workmode?" for a name near a key of the catalogue, else "".
std::string SimilarKeyHint(std::string_view name);

std::string_view PageCaption(Page page);
std::string_view KindName(ControlKind kind);
std::string_view AccessName(Access access);

// The caption a technician sees for a control: its own text, or for a field or list
// without one, the label or box just before it in the page.
std::string_view ControlCaption(Page page, int controlId);

// The label or group box just before a radio group's first button: what the row is.
std::string_view GroupCaption(Page page, int firstButtonId);

// The values the key may take, or none when any text within its limit will do. A combo
// box's list only suggests: its edit field takes whatever the technician types.
std::optional<std::vector<std::string>> AllowedValues(const KeyInfo& key);

// The entries a combo box offers; empty for other keys.
std::span<const std::string_view> Suggestions(const KeyInfo& key);

// Why a value may not be written to the key, or none when it may.
enum class ValueProblem { TooLong, NotAllowed };
std::optional<ValueProblem> CheckValue(const KeyInfo& key, std::string_view value);

// What may be done with a key, by name; a name the catalogue does not know is neither
// read-only nor write-only (--force sends it and reads it back).
//
// The reader sets the key itself: it is compared, never written.
bool IsReadOnly(std::string_view name);
// The window writes the key and never reads it, so nobody reads it back: a reader may
// well refuse that read.
bool IsWriteOnly(std::string_view name);

// True when putting the profile on a reader would write some key: it names a key that
// the reader does not set itself (an unknown one counts: --force sends it). Empty,
// comment-only and masterver/historytime-only profiles set nothing.
bool SetsAnyKey(const profile::Profile& profile);

}  // namespace kd::catalogue
