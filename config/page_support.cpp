#include "config/page_support.h"

#include "catalogue/key_catalogue.h"

namespace kd::pages {

std::string ReadValue(KeyAccess& keys, std::string_view name) {
    std::string value;
    if (keys.ReadKey(name, value) < 0) {
        value.clear();
    }
    return value;
}

void LimitToKey(ui::Dialog& page, int controlId, std::string_view keyName) {
    page.SetTextLimit(controlId, catalogue::WriteLimit(keyName));
}

void SelectInRow(ui::Dialog& page, std::span<const int> row, int index) {
    if (index < 0 || static_cast<size_t>(index) >= row.size()) {
        return;
    }
    for (size_t i = 0; i < row.size(); ++i) {
        page.SetChecked(row[i], i == static_cast<size_t>(index));
    }
}

int SelectedInRow(const ui::Dialog& page, std::span<const int> row) {
    for (size_t i = 0; i < row.size(); ++i) {
        if (page.IsChecked(row[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<std::string_view> SelectedLiteral(const ui::Dialog& page, std::span<const int> row,
                                                std::span<const std::string_view> literals) {
    const int index = SelectedInRow(page, row);
    if (index < 0 || static_cast<size_t>(index) >= literals.size()) {
        return std::nullopt;
    }
    return literals[static_cast<size_t>(index)];
}

}  // namespace kd::pages
