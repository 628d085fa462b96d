// The start-up benchmark's baseline: Corvane's window with its eleven controls and nothing else
// (two bare tree views in place of the folder trees), opened and closed at once.
#include <windows.h>
#include <commctrl.h>
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

void AddBareTree(int x) {
    CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_SHOWSELALWAYS, x,
                    15, 188, 162, CurrentParent(), nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InitWindows();
    InitControls();
    OpenAppWindow(0, 305, 39, 378, 243, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, "Corvane - by Pellworth");
    BeginControlList(LastWindowHandle());
    AddButton(0, 189, 201, 189, 22, "Launch Thief 3");
    AddButton(1, 0, 201, 189, 22, "Launch Editor");
    AddLabel(2, 0, 0, 63, 15, "Editor Path:");
    AddLabel(3, 189, 0, 63, 15, "Thief 3 Path:");
    AddBareTree(0);
    AddBareTree(190);
    AddLabel(6, 135, 228, 51, 15, "Gamesys:");
    AddTextField(7, 186, 225, 138, 18, "T3Gamesys.t3u");
    AddButton(8, 327, 225, 51, 18, "Browse");
    AddButton(9, 189, 177, 189, 22, "Activate Thief 3");
    AddButton(10, 0, 177, 189, 22, "Activate Editor");
    CloseAllWindows();
    ExitProcess(0);
}
