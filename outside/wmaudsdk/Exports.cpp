// WmAudSDK.dll's one export. __stdcall like the platform's COM-style creators; the build
// exports it without the "@8" decoration so both architectures find it by its plain name.
#include "common/StaticRuntime.h"
#include "outside/wmaudsdk/WmaFileWriter.h"

extern "C" __declspec(dllexport) HRESULT
    __stdcall WMAudioCreateWriter(const wchar_t* path, IWmaAudioWriter** writer)
{
    try {
        return wmaudsdk::WmaFileWriter::Create(path, writer);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// The recorder loads this library afresh for every WMA recording.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    velto::ReleaseStaticRuntimeOnUnload(reason, reserved);
    return TRUE;
}
