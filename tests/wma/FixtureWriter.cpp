// A stand-in for WmAudSDK.dll that fails at one chosen step (FIXTURE_FAILURE, set by the build)
// and counts every call, for the failures the real writer cannot be made to show.
#include "tests/wma/FixtureWriter.h"

#include "outside/wmaudsdk/WmAudioWriter.h"

using velto::test::FixtureCalls;
using velto::test::FixtureFailure;

namespace {

constexpr auto kFailure = static_cast<FixtureFailure>(FIXTURE_FAILURE);
FixtureCalls g_calls;

HRESULT FailsAt(FixtureFailure step)
{
    return kFailure == step ? E_FAIL : S_OK;
}

class FixtureWriter final : public IWmaAudioWriter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ++g_calls.releases;
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Unused3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetInputFormat(const WAVEFORMATEX*) override
    {
        ++g_calls.inputFormats;
        return FailsAt(FixtureFailure::InputFormat);
    }
    HRESULT STDMETHODCALLTYPE SetOutputFormat(DWORD, DWORD, DWORD, DWORD) override
    {
        ++g_calls.outputFormats;
        return FailsAt(FixtureFailure::OutputFormat);
    }
    HRESULT STDMETHODCALLTYPE Unused6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AppendPcm(const BYTE*, DWORD) override
    {
        ++g_calls.appends;
        return FailsAt(FixtureFailure::Append);
    }
    HRESULT STDMETHODCALLTYPE Finish() override
    {
        ++g_calls.finishes;
        return FailsAt(FixtureFailure::Finish);
    }

private:
    ULONG references_ = 1;
};

HRESULT Create(IWmaAudioWriter** writer)
{
    ++g_calls.creates;
    *writer = new FixtureWriter;
    return S_OK;
}

}  // namespace

#if FIXTURE_FAILURE == 1
// A near miss: the DLL is there, the export the recorder looks for is not.
extern "C" __declspec(dllexport) HRESULT
    __stdcall WMAudioCreateWriterEx(const wchar_t*, IWmaAudioWriter** writer)
{
    return Create(writer);
}
#else
extern "C" __declspec(dllexport) HRESULT
    __stdcall WMAudioCreateWriter(const wchar_t*, IWmaAudioWriter** writer)
{
    return Create(writer);
}
#endif

extern "C" __declspec(dllexport) FixtureCalls* __stdcall FixtureCallLog()
{
    return &g_calls;
}
