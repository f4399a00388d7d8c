// The contract of WmAudSDK.dll, shared by the DLL, the recorder's WMA binding and the test
// fixtures that stand in for the DLL.
//
// WMAudioCreateWriter(path, &writer) creates a writer for one .wma file. The writer is a
// COM-style object: the recorder reaches it only through the method-table entries below,
// counted from 0, so their order is the contract and must never change:
//   0 QueryInterface  1 AddRef  2 Release
//   3 (unused)        4 SetInputFormat     5 SetOutputFormat
//   6 (unused)        7 AppendPcm          8 Finish
// Every entry returns an HRESULT; a negative value is failure. The unused entries answer
// E_NOTIMPL. All entries are __stdcall (the COM convention; it only matters on x86), and so is
// the export, which both architectures export under its plain, undecorated name.
//
// Order of calls: SetInputFormat, SetOutputFormat, AppendPcm any number of times, Finish,
// Release. The writer is used by one thread at a time.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <unknwn.h>

// {7383E0B3-D44C-47A3-857C-2E21571C1C36}
inline constexpr GUID IID_IWmaAudioWriter = {
    0x7383e0b3, 0xd44c, 0x47a3, {0x85, 0x7c, 0x2e, 0x21, 0x57, 0x1c, 0x1c, 0x36}};

// No virtual destructor: it would add entries to the method table.
struct IWmaAudioWriter : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Unused3() = 0;
    // 16-bit PCM as a WAVEFORMATEX with cbSize 0 (format tag 1, 1 or 2 channels, block align
    // channels * 2, bytes per second rate * block align).
    virtual HRESULT STDMETHODCALLTYPE SetInputFormat(const WAVEFORMATEX* format) = 0;
    // The Windows Media Audio 2 stream to produce; `reserved` is 0. Opens the encoder and
    // starts the file. A pair the encoder cannot produce at all is refused.
    virtual HRESULT STDMETHODCALLTYPE SetOutputFormat(DWORD bitRate, DWORD sampleRate,
                                                      DWORD channels, DWORD reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused6() = 0;
    // Bytes of interleaved PCM in the input format; any length, whole samples or not.
    virtual HRESULT STDMETHODCALLTYPE AppendPcm(const BYTE* data, DWORD bytes) = 0;
    // Encodes what is left and completes the file (index and duration), then closes it.
    virtual HRESULT STDMETHODCALLTYPE Finish() = 0;
};

using WMAudioCreateWriterFn = HRESULT(__stdcall*)(const wchar_t* path, IWmaAudioWriter** writer);
inline constexpr char kCreateWriterExport[] = "WMAudioCreateWriter";
inline constexpr wchar_t kWmaWriterDll[] = L"WmAudSDK.dll";
