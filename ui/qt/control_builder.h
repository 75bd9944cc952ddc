#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <string_view>

#include "ui/qt/dialog_font.h"
#include "ui/template.h"

namespace kd::ui::qt {

// A named control of a window: its template and its widget, which the window owns.
struct BuiltControl {
    const ControlTemplate* source = nullptr;
    QWidget* widget = nullptr;
    int group = 0;  // radio buttons of one group share the number
};

using IconLookup = std::function<QIcon(int iconId)>;

// Builds the template's controls inside window, in template order (which is also the
// order the Tab key walks), at their places converted with metrics. Each control is named
// for assistive technology and test tools: objectName "id<number>", and an accessible
// name from its caption or, for fields, from the label beside it. Returns the named ones.
std::map<int, BuiltControl> BuildControls(QWidget& window, const DialogTemplate& source,
                                          const DialogMetrics& metrics, const IconLookup& icons);

// A caption as people read it: without the & that marks a mnemonic.
QString WithoutMnemonic(std::string_view caption);

// The label a screen reader gives the field at index: the text or check box nearest to its
// left on its row, else one just above it that names no field on its own row; null when
// another control stands between them or there is none.
const ControlTemplate* LabelOf(const DialogTemplate& source, size_t index);

QString FromUtf8(std::string_view text);

}  // namespace kd::ui::qt
