// SPDX-License-Identifier: MIT
// quillfen.exe: the native Windows program. Runs the main window as a modal
// dialog and ends when the dialog has ended the session.
#include <windows.h>

#include "host/win32/system_library.h"
#include "win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int) {
    // Before anything loads a DLL: a planted one beside the program or in
    // the current directory is never taken.
    quillfen::KeepDllSearchInSystemFolder();
    quillfen::win32::MainWindow window(instance, argumentText);
    window.Run();
    return 0;
}
