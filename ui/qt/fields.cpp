#include "ui/qt/fields.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QStyle>
#include <algorithm>
#include <limits>

namespace kd::ui::qt {

namespace {

// What a Windows edit field takes before any limit is set, and with the limit lifted.
constexpr int kDefaultLimit = 32767;
constexpr int kNoLimit = 0x7FFFFFFE;

// The text without halves of characters past U+FFFF, which a limit can cut in two.
QString WithoutLoneSurrogates(const QString& text) {
    QString whole;
    whole.reserve(text.size());
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar unit = text[at];
        if (unit.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
            whole.append(unit);
            whole.append(text[++at]);
        } else if (!unit.isSurrogate()) {
            whole.append(unit);
        }
    }
    return whole;
}

// Qt gives a checkable button the radio role only when it clears its siblings itself;
// these leave that to their window, which knows the template's groups.
class RadioAccessible final : public QAccessibleWidget {
  public:
    explicit RadioAccessible(RadioField& radio)
        : QAccessibleWidget(&radio, QAccessible::RadioButton) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = Button() != nullptr && Button()->isChecked();
        return state;
    }
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (Button() != nullptr && Button()->isEnabled()) {
            names.prepend(toggleAction());
        }
        return names;
    }
    void doAction(const QString& action) override {
        if (action == toggleAction() && Button() != nullptr && Button()->isEnabled()) {
            Button()->click();  // as a user's click: the window hears of it
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

  private:
    // Null once the button is being destroyed.
    QAbstractButton* Button() const { return qobject_cast<QAbstractButton*>(object()); }
};

QAccessibleInterface* RadioInterface(const QString& /*className*/, QObject* object) {
    auto* radio = dynamic_cast<RadioField*>(object);
    return radio != nullptr ? new RadioAccessible(*radio) : nullptr;
}

}  // namespace

FieldEdit::FieldEdit(QWidget* parent) : QLineEdit(parent), limit_(kDefaultLimit) {
    setMaxLength(limit_);
    connect(this, &QLineEdit::textChanged, this, [this] { Refit(); });
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString whole = WithoutLoneSurrogates(text);
        if (whole.size() != text.size()) {
            const int cursor = cursorPosition();
            setText(whole);
            setCursorPosition(std::min(cursor, static_cast<int>(whole.size())));
        }
    });
}

void FieldEdit::SetLimit(size_t units) {
    limit_ = units == 0 ? kNoLimit
                        : static_cast<int>(std::min<size_t>(units, static_cast<size_t>(kNoLimit)));
    Refit();
}

void FieldEdit::Widen(qsizetype length) {
    if (length > maxLength()) {
        setMaxLength(static_cast<int>(std::min<qsizetype>(length, kNoLimit)));
    }
}

void FieldEdit::SetProgramText(const QString& text) {
    Widen(text.size());
    setText(text);
    Refit();
}

void FieldEdit::Refit() {
    const int wanted =
        std::max(limit_, static_cast<int>(std::min<qsizetype>(text().size(), kNoLimit)));
    if (wanted == maxLength()) {
        return;
    }
    // Changing the length resets the text and with it the cursor: keep the cursor.
    const int cursor = cursorPosition();
    setMaxLength(wanted);
    setCursorPosition(cursor);
}

ComboField::ComboField(QWidget* parent, bool sorted)
    : QComboBox(parent), sorted_(sorted), edit_(new FieldEdit(this)) {
    setEditable(true);
    setLineEdit(edit_);
    // The Windows control neither completes nor files typed text as a new entry.
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    connect(this, &QComboBox::activated, this, [this](int index) { selection_ = index; });
    connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        selection_ = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    });
}

int ComboField::Add(const QString& text) {
    int index = count();
    if (sorted_) {
        // By the bytes of the UTF-8 text, after any equal entries.
        const QByteArray key = text.toUtf8();
        for (int at = 0; at < count(); ++at) {
            if (key < itemText(at).toUtf8()) {
                index = at;
                break;
            }
        }
    }
    const QString shown = edit_->text();
    insertItem(index, text);
    if (selection_ >= index) {
        ++selection_;
    }
    // The Qt box selects the first entry of an empty list by itself; the Windows one
    // leaves selection and edit field alone.
    if (currentIndex() != selection_) {
        setCurrentIndex(selection_);
    }
    if (edit_->text() != shown) {
        edit_->SetProgramText(shown);
    }
    return index;
}

void ComboField::Select(int index) {
    if (index < 0 || index >= count()) {
        selection_ = -1;
        setCurrentIndex(-1);
        edit_->SetProgramText(QString());
        return;
    }
    selection_ = index;
    const QString text = itemText(index);
    edit_->Widen(text.size());
    setCurrentIndex(index);
    // Also when the index was current already and the user has typed since.
    edit_->SetProgramText(text);
}

void ComboField::Clear() {
    clear();
    selection_ = -1;
    edit_->SetProgramText(QString());
}

void ComboField::SetItemValue(int index, intptr_t value) {
    if (index >= 0 && index < count()) {
        setItemData(index, QVariant::fromValue<qlonglong>(value), Qt::UserRole);
    }
}

intptr_t ComboField::ItemValue(int index) const {
    if (index < 0 || index >= count()) {
        return 0;
    }
    return static_cast<intptr_t>(itemData(index, Qt::UserRole).toLongLong());
}

void ComboField::FitDropWidth() {
    QAbstractItemView* list = view();
    // The entries as the list's own delegate lays them out, with the list's frame and
    // room for its scroll bar.
    const int entries = std::max(list->sizeHintForColumn(0), 0);
    const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    list->setMinimumWidth(entries + 2 * list->frameWidth() + scrollBar);
}

int ComboField::DropWidth() const {
    return std::max(view()->minimumWidth(), width());
}

RadioField::RadioField(const QString& text, QWidget* parent) : QRadioButton(parent) {
    // Once per program: Qt keeps each factory once. Qt makes a widget's interface at its
    // first change, and keeps it: the text is set once this is a RadioField.
    QAccessible::installFactory(&RadioInterface);
    setAutoExclusive(false);
    setText(text);
}

}  // namespace kd::ui::qt
