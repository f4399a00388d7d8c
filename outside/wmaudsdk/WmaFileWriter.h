// The writer behind WMAudioCreateWriter: encodes 16-bit PCM to Windows Media Audio 2 with
// FFmpeg's wmav2 encoder and stores it in an ASF (.wma) file with FFmpeg's ASF muxer.
#pragma once

#include <atomic>

#include "outside/wmaudsdk/FFmpegPtr.h"
#include "outside/wmaudsdk/OutputFile.h"
#include "outside/wmaudsdk/PcmConverter.h"
#include "outside/wmaudsdk/WmAudioWriter.h"

namespace wmaudsdk {

// wmav2 cannot encode below this; lower requests are produced at it.
inline constexpr DWORD kEncoderFloorBitRate = 24000;

class WmaFileWriter final : public IWmaAudioWriter {
public:
    // Opens the file (without emptying it yet) and returns a writer with one reference.
    static HRESULT Create(const wchar_t* path, IWmaAudioWriter** writer);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Unused3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetInputFormat(const WAVEFORMATEX* format) override;
    HRESULT STDMETHODCALLTYPE SetOutputFormat(DWORD bitRate, DWORD sampleRate, DWORD channels,
                                              DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE Unused6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AppendPcm(const BYTE* data, DWORD bytes) override;
    HRESULT STDMETHODCALLTYPE Finish() override;

private:
    // Created: file open. InputSet: PCM format known. Writing: encoder open, header written.
    // Finished: file complete and closed. Broken: a write failed; only Release is left.
    enum class State { Created, InputSet, Writing, Finished, Broken };

    WmaFileWriter() = default;
    ~WmaFileWriter();

    HRESULT OpenEncoder(DWORD bitRate, DWORD sampleRate, DWORD channels);
    HRESULT StartFile();
    HRESULT EncodeBufferedFrames(bool includingPartial);
    HRESULT EncodeFrame();
    HRESULT WritePackets();
    HRESULT Complete();
    HRESULT WriteFailure(HRESULT fallback);
    HRESULT FileFailure();
    HRESULT FinishCutShort();

    std::atomic<ULONG> references_{1};
    State state_ = State::Created;
    HRESULT brokenBy_ = S_OK;
    // The file refused bytes after its header was written: what reached it can still be
    // finished (Finish, or the release).
    bool cutShort_ = false;
    AudioShape input_;
    OutputFile file_;
    PcmConverter converter_;
    CodecContextPtr encoder_;
    FormatContextPtr muxer_;
    AVStream* stream_ = nullptr;  // owned by muxer_
    FramePtr frame_;
    PacketPtr packet_;
    int64_t nextPts_ = 0;
};

}  // namespace wmaudsdk
