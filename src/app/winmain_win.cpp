// Entry point of vuv.exe.
#include "app/app_win.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return vuv::win::runApp(instance); }
