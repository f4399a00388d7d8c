// Ravelplay: plays files through Winamp 2 input and output plug-ins.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
