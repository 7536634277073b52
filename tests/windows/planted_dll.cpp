// SPDX-License-Identifier: MIT
// A riched32.dll that leaves a mark in the current directory when Windows
// loads it, for the test that plants it beside quillfen.exe as a malicious
// download would.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE mark = CreateFileA("planted-dll-ran", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
    }
    return TRUE;
}
