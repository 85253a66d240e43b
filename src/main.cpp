// Skimbar.exe: the program entry only starts the program (app/fMain).
#include <windows.h>

#include "app/fMain.h"
#include "ui/Backend.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return SkimbarMain(ui::CreateDefaultBackend()); }
