#pragma once

namespace kd::ui::win32 {

// The visual styles library, loaded when the system has it. It is looked up at run time
// rather than imported, so that the program still starts where it is missing and only
// the pages' background differs.
class ThemeLibrary {
  public:
    ThemeLibrary();
    ~ThemeLibrary();
    ThemeLibrary(const ThemeLibrary&) = delete;
    ThemeLibrary& operator=(const ThemeLibrary&) = delete;

    // Gives a page inside a tab control (window is its HWND) the tab's themed background.
    // False when the library or the call is not there, or the call failed.
    bool UseTabBackground(void* window) const;

  private:
    void* module_ = nullptr;
    void (*enableDialogTexture_)() = nullptr;  // the call, under a generic type
};

}  // namespace kd::ui::win32
