// Entry point of vuv.exe.
#include "app/panel_win.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return vuv::win::runPanel(instance); }
