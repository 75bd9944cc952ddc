#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "protocol/key_access.h"
#include "ui/dialog.h"

// What the settings pages share: reading a key for a control, holding a field near its
// key's write limit, and rows of radio buttons whose ids need not be consecutive.
namespace kd::pages {

// The key's value, or the empty value when the read fails.
std::string ReadValue(KeyAccess& keys, std::string_view name);

// The user cannot type more characters into the field than its key takes bytes. A
// Chinese character takes two bytes, so Save still counts the bytes themselves.
void LimitToKey(ui::Dialog& page, int controlId, std::string_view keyName);

// Selects the button at index and clears the rest of the row; a negative index (no
// literal matched) leaves the row as it is.
void SelectInRow(ui::Dialog& page, std::span<const int> row, int index);
// The index of the selected button, or -1.
int SelectedInRow(const ui::Dialog& page, std::span<const int> row);
// The literal of the selected button; none when no button is selected or the selected
// one stands past the literals.
std::optional<std::string_view> SelectedLiteral(const ui::Dialog& page, std::span<const int> row,
                                                std::span<const std::string_view> literals);

}  // namespace kd::pages
