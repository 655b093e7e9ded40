// Lumivex.exe: the thumbnail editor's window. Command-line arguments are ignored.
#include "app/win32/main_window.h"
#include "app/win32/win32_headers.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*showCommand*/) {
    return lumivex::win32::runMainWindow(instance, lumivex::win32::startupShowCommand());
}
