// For the native Linux build of the fuzz targets only (tests/fuzz/native): the few platform
// types, constants and run-time names that the program's portable sources (the update list,
// the presets, the status texts, the Updater's splitting, the sample queue) take from
// <windows.h>. The Windows build never sees this file.
//
// Events behave as the platform's do for one thread: a wait on an event that nobody can set
// any more would block for ever, so it aborts instead and the fuzzer reports the input that
// left a lock taken.
#pragma once

#include <cctype>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <cwctype>

#define WINAPI
#define CALLBACK
#define __cdecl
#define __stdcall

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int BOOL;
typedef unsigned int UINT;
typedef unsigned long long ULONGLONG;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef void* HANDLE;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

#define TRUE 1
#define FALSE 0
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u
#define WM_USER 0x0400

#define WAVE_FORMAT_PCM 1
#pragma pack(push, 1)
typedef struct tWAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
} WAVEFORMATEX;
#pragma pack(pop)

inline int _wcsicmp(const wchar_t* a, const wchar_t* b)
{
    return wcscasecmp(a, b);
}
inline int _wcsnicmp(const wchar_t* a, const wchar_t* b, size_t n)
{
    return wcsncasecmp(a, b, n);
}

HANDLE CreateEventA(void* attributes, BOOL manualReset, BOOL initialState, const char* name);
BOOL SetEvent(HANDLE event);
DWORD WaitForSingleObject(HANDLE event, DWORD milliseconds);
BOOL CloseHandle(HANDLE event);
