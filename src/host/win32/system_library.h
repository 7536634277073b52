// SPDX-License-Identifier: MIT
// Windows' own DLLs that the programs load at run time (riched32 for the
// window's panes, winmm for the timer), taken from the system folder only.
// A program started from a Downloads folder would otherwise take a planted
// DLL of the same name from beside it or from the current directory.
// Header-only: the serial device and the window both need it.
#pragma once

#include <windows.h>

#include <cwchar>

namespace quillfen {

// Called first thing by both programs: whatever DLL the process loads by
// name from here on, itself or inside a system DLL, comes from the system
// folder. Windows 7 without the update that brought this call at least
// stops looking in the current directory.
inline void KeepDllSearchInSystemFolder() {
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDirectories = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (!setDirectories || !setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

// The named DLL from the system folder, or nullptr.
inline HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // Windows 7 without that update refuses the flag: the full path, with
    // the DLL's own imports looked for beside it rather than beside us.
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + std::wcslen(name) >= MAX_PATH) return nullptr;
    path[length] = L'\\';
    std::wcscpy(path + length + 1, name);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace quillfen
