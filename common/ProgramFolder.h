// Where the running program lives, and loading outside DLLs only from there or from the
// system folder (never from the current directory, which an attacker may control).
#pragma once

#include <windows.h>

#include <string>

namespace velto {

// The running program's folder, with its trailing backslash. Empty when the module path
// holds no backslash.
std::wstring ProgramFolder();

// Loads `name` from the program's folder, falling back to the system folder. Never from the
// current directory or PATH. Returns null (with GetLastError set) when neither has it.
HMODULE LoadOutsideLibrary(const wchar_t* name);
// The same, from an explicit folder (with trailing backslash) instead of the program's.
HMODULE LoadLibraryFromFolder(const std::wstring& folder, const wchar_t* name);

// Takes the current directory out of the process's DLL search order; called first thing by
// every program of ours.
void HardenDllSearchOrder();

bool FileExists(const std::wstring& path);

}  // namespace velto
