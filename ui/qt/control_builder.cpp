#include "ui/qt/control_builder.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "ui/qt/fields.h"
#include "ui/qt/tab_control.h"

namespace kd::ui::qt {

namespace {

// A combo box's template height is its dropped list; its closed box, all that stands
// beside a label, is about as high as an edit field.
constexpr int kClosedComboUnits = 12;
constexpr int kIconPixels = 32;

// Static text and check boxes name the field beside them.
// Fields are named by the label beside or above them.
bool IsField(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::ComboBox ||
           kind == ControlKind::ListBox;
}

bool IsLabel(const ControlTemplate& control) {
    return (control.kind == ControlKind::Static && !control.text.empty()) ||
           control.kind == ControlKind::CheckBox;
}

// What may stand between a field and its label: labels and whatever takes input. Frames,
// pictures and empty texts do not.
bool Counts(const ControlTemplate& control) {
    return control.kind != ControlKind::GroupBox && control.kind != ControlKind::Icon &&
           (control.kind != ControlKind::Static || !control.text.empty());
}

// Where a control shows, in dialog units.
struct Box {
    int left, top, right, bottom;
    explicit Box(const ControlTemplate& control)
        : left(control.x),
          top(control.y),
          right(control.x + control.width),
          bottom(control.y +
                 (control.kind == ControlKind::ComboBox ? kClosedComboUnits : control.height)) {}
};

enum class Side { Left, Above };

// The control nearest to the field on that side: on its row (the two overlap vertically)
// with its middle left of the field, or in its column with its middle above the field.
// Null when there is none.
const ControlTemplate* Neighbour(const DialogTemplate& source, const ControlTemplate& field,
                                 Side side) {
    const bool left = side == Side::Left;
    const Box at(field);
    const ControlTemplate* best = nullptr;
    int bestEdge = 0;
    for (const ControlTemplate& other : source.controls) {
        const Box box(other);
        const bool beside =
            left ? box.top < at.bottom && at.top < box.bottom && box.left + box.right < 2 * at.left
                 : box.left < at.right && at.left < box.right && box.top + box.bottom < 2 * at.top;
        const int edge = left ? box.right : box.bottom;
        if (&other != &field && Counts(other) && beside && (best == nullptr || edge > bestEdge)) {
            best = &other;
            bestEdge = edge;
        }
    }
    return best;
}

QWidget* MakeWidget(QWidget& window, const ControlTemplate& control, const IconLookup& icons) {
    const QString text = FromUtf8(control.text);
    switch (control.kind) {
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, &window);
            button->setAutoDefault(false);
            button->setDefault((control.flags & kDefaultButton) != 0);
            return button;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(text, &window);
        case ControlKind::RadioButton:
            return new RadioField(text, &window);
        case ControlKind::GroupBox:
            return new QGroupBox(text, &window);
        case ControlKind::Static: {
            auto* label = new QLabel(text, &window);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            return label;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(&window);
            const QIcon icon = icons ? icons(control.iconId) : QIcon();
            label->setPixmap(icon.pixmap(kIconPixels, kIconPixels));
            return label;
        }
        case ControlKind::Edit: {
            auto* edit = new FieldEdit(&window);
            edit->setText(text);
            edit->setReadOnly((control.flags & kReadOnly) != 0);
            return edit;
        }
        case ControlKind::ComboBox:
            return new ComboField(&window, (control.flags & kSorted) != 0);
        case ControlKind::TabControl:
            return new TabControl(&window);
        case ControlKind::Progress: {
            auto* bar = new QProgressBar(&window);
            bar->setRange(0, 100);
            bar->setValue(0);
            bar->setTextVisible(false);  // the dialog says the figures beside it
            return bar;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(&window);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            list->setUniformItemSizes(true);  // thousands of lines stay quick
            return list;
        }
    }
    return nullptr;
}

QRect PlaceOf(const ControlTemplate& control, const DialogMetrics& metrics, QWidget& widget) {
    QRect rect = metrics.Rect(control.x, control.y, control.width, control.height);
    if (control.kind == ControlKind::ComboBox) {
        // The template gives the dropped-down list; the closed box is as high as it needs.
        rect.setHeight(widget.sizeHint().height());
    } else if (control.kind == ControlKind::Icon) {
        // A picture control takes the icon's size, as on Windows.
        rect.setSize(QSize(kIconPixels, kIconPixels));
    }
    return rect;
}

void SetFocusRules(QWidget& widget, const ControlTemplate& control, bool tabStop) {
    // Labels, frames and pictures never take the focus; fields that are no tab stop take
    // it by click only (the first radio button of a group is the group's tab stop).
    if (control.kind == ControlKind::Static || control.kind == ControlKind::GroupBox ||
        control.kind == ControlKind::Icon || control.kind == ControlKind::Progress) {
        widget.setFocusPolicy(Qt::NoFocus);
        // Windows lets clicks through labels and frames to what lies under them.
        widget.setAttribute(Qt::WA_TransparentForMouseEvents);
        return;
    }
    if (!tabStop || (control.flags & kNoTabStop) != 0) {
        widget.setFocusPolicy(Qt::ClickFocus);
    }
}

void FitComboList(ComboField& combo, const ControlTemplate& control, const DialogMetrics& metrics) {
    const int listPixels = metrics.Y(control.height) - combo.height();
    const int rowPixels = std::max(1, combo.fontMetrics().height() + 2);
    combo.setMaxVisibleItems(std::max(1, listPixels / rowPixels));
}

void NameControl(QWidget& widget, const DialogTemplate& source, size_t index) {
    const ControlTemplate& control = source.controls[index];
    if (control.id != kUnnamedControl) {
        widget.setObjectName(QStringLiteral("id%1").arg(control.id));
    }
    QString name = WithoutMnemonic(control.text);
    if (IsField(control.kind)) {
        const ControlTemplate* label = LabelOf(source, index);
        name = label != nullptr ? WithoutMnemonic(label->text) : QString();
    }
    if (!name.isEmpty()) {
        widget.setAccessibleName(name);
    }
}

// Points each label at the field it names, for screen readers and its mnemonic.
void PairLabels(const DialogTemplate& source, const std::vector<QWidget*>& widgets) {
    for (size_t index = 0; index < source.controls.size(); ++index) {
        if (!IsField(source.controls[index].kind)) {
            continue;
        }
        const ControlTemplate* label = LabelOf(source, index);
        if (label == nullptr) {
            continue;
        }
        const auto at = static_cast<size_t>(label - source.controls.data());
        if (auto* widget = qobject_cast<QLabel*>(widgets[at])) {
            widget->setBuddy(widgets[index]);
        }
    }
}

}  // namespace

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString WithoutMnemonic(std::string_view caption) {
    const QString text = FromUtf8(caption);
    QString plain;
    plain.reserve(text.size());
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] == u'&') {
            ++at;  // "&&" stands for one &; a lone & marks the next letter
            if (at >= text.size()) {
                break;
            }
        }
        plain.append(text[at]);
    }
    return plain;
}

const ControlTemplate* LabelOf(const DialogTemplate& source, size_t index) {
    const ControlTemplate& field = source.controls[index];
    const ControlTemplate* left = Neighbour(source, field, Side::Left);
    if (left != nullptr && IsLabel(*left)) {
        return left;
    }
    // A label above names the field below it unless it names one on its own row.
    const ControlTemplate* above = Neighbour(source, field, Side::Above);
    if (above == nullptr || !IsLabel(*above)) {
        return nullptr;
    }
    for (const ControlTemplate& other : source.controls) {
        if (IsField(other.kind) && Neighbour(source, other, Side::Left) == above) {
            return nullptr;
        }
    }
    return above;
}

std::map<int, BuiltControl> BuildControls(QWidget& window, const DialogTemplate& source,
                                          const DialogMetrics& metrics, const IconLookup& icons) {
    std::map<int, BuiltControl> built;
    std::vector<QWidget*> widgets;
    std::vector<QWidget*> frames;
    int group = 0;
    bool radioSeenInGroup = false;
    for (size_t index = 0; index < source.controls.size(); ++index) {
        const ControlTemplate& control = source.controls[index];
        if ((control.flags & kGroup) != 0) {
            ++group;
            radioSeenInGroup = false;
        }
        QWidget* widget = MakeWidget(window, control, icons);
        widgets.push_back(widget);
        bool tabStop = true;
        if (control.kind == ControlKind::RadioButton) {
            tabStop = !radioSeenInGroup;
            radioSeenInGroup = true;
        }
        SetFocusRules(*widget, control, tabStop);
        widget->setGeometry(PlaceOf(control, metrics, *widget));
        if (auto* combo = dynamic_cast<ComboField*>(widget)) {
            FitComboList(*combo, control, metrics);
        }
        NameControl(*widget, source, index);
        widget->setVisible((control.flags & kHidden) == 0);
        widget->setEnabled((control.flags & kDisabled) == 0);
        if (control.kind == ControlKind::GroupBox) {
            frames.push_back(widget);
        }
        if (control.id != kUnnamedControl) {
            built[control.id] = BuiltControl{&control, widget, group};
        }
    }
    // Frames are drawn under the controls they surround, wherever the template has them.
    for (QWidget* frame : frames) {
        frame->lower();
    }
    PairLabels(source, widgets);
    return built;
}

}  // namespace kd::ui::qt
