#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <cstdint>

namespace kd::ui::qt {

// An edit field whose limit binds only what the user types, as on Windows: a program may
// put in a longer text, which stays whole (and can be shortened, not lengthened) until
// the user edits it below the limit. Limits count UTF-16 units, as maxLength does.
class FieldEdit final : public QLineEdit {
  public:
    explicit FieldEdit(QWidget* parent);

    // 0 lifts the limit.
    void SetLimit(size_t units);
    int Limit() const { return limit_; }
    // Sets a text of any length, whatever the limit.
    void SetProgramText(const QString& text);
    // Makes room for a text of this length about to be set by the control itself.
    void Widen(qsizetype length);

  private:
    void Refit();

    int limit_;
};

// A drop-down list with an edit field. It keeps its selection as the Windows control
// does: typing selects the entry spelled exactly so, or none; a sorted box files each
// new entry in text order.
class ComboField final : public QComboBox {
  public:
    ComboField(QWidget* parent, bool sorted);

    FieldEdit& Edit() const { return *edit_; }
    int Add(const QString& text);
    void Select(int index);
    int Selection() const { return selection_; }
    void Clear();
    void SetItemValue(int index, intptr_t value);
    intptr_t ItemValue(int index) const;
    // The list opens as wide as its widest entry, and never narrower than the box.
    void FitDropWidth();
    int DropWidth() const;

  private:
    bool sorted_;
    FieldEdit* edit_;
    int selection_ = -1;
};

// A radio button that a click checks and never clears; its group is cleared by the
// window, which knows the template's groups. Screen readers see it as a radio button.
class RadioField final : public QRadioButton {
  public:
    RadioField(const QString& text, QWidget* parent);

  protected:
    void nextCheckState() override { setChecked(true); }
};

}  // namespace kd::ui::qt
