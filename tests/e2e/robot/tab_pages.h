#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

// What CheckTabPages found wrong, or why it could not look.
struct TabPagesFault : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The pages of a tab control in another process (its child dialogs) must lie in its
// display area, and none of their controls may cover a tab's caption. Returns the
// geometry found, as one line; throws TabPagesFault naming the first fault.
std::string CheckTabPages(HWND tabs, UINT timeoutMs);
