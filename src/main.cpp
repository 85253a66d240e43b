// Skimbar.exe: starts the application and shows the empty bar, a borderless black window
// across the top of the primary monitor, 38 pixels high.
#include <windows.h>

#include "ui/Backend.h"
#include "ui/Forms.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ui::StartUp(ui::CreateDefaultBackend());
    Application->Initialize();
    Application->SetTitle("Skimbar");
    TForm* bar = nullptr;
    Application->CreateForm(bar);
    bar->SetBorderStyle(bsNone);
    bar->SetColor(clBlack);
    bar->SetBounds(0, 0, bar->Monitor().Width, 38);
    Application->Run();
    ui::ShutDown();
    return 0;
}
