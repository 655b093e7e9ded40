// The Win32 headers of the adapter, in the order they need: windows.h before those that build on it.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <ocidl.h>
#include <olectl.h>
#include <shellapi.h>
// clang-format on
