// in_mp3.dll: the Winamp 2 input plug-in for MPEG audio (the MP3 files VeltoRecorder writes),
// decoded with FFmpeg.
#include <windows.h>

#include "outside/plugins/common/FfmpegDecoder.h"
#include "outside/plugins/common/InputPlugin.h"

namespace {

std::unique_ptr<velto::plugin::Decoder> MakeDecoder()
{
    return std::make_unique<velto::plugin::FfmpegDecoder>();
}

// The host keeps only the first string, so it lists every extension claimed.
const velto::plugin::InputPluginInfo kInfo = {
    "VeltoRecorder MPEG audio input",
    "mp3;mp2;mpa\0MPEG audio files (*.mp3;*.mp2;*.mpa)\0",
    MakeDecoder,
    L"MPEG audio input for VeltoRecorder (decoded with FFmpeg).",
    velto::plugin::FfmpegDecoder::Initialise,
};

}  // namespace

extern "C" __declspec(dllexport) In_Module* __cdecl winampGetInModule2()
{
    return velto::plugin::InputModule(kInfo);
}
