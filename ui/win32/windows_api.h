#pragma once

// The Windows headers as this back end uses them. They define MessageBox as a macro,
// which would rename the toolkit's and the dialog's MessageBox members in any file that
// sees both; the back end calls MessageBoxW by name instead.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// After windows.h, which it needs.
#include <commctrl.h>

#ifdef MessageBox
#undef MessageBox
#endif
