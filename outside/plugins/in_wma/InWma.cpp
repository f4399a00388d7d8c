// in_wma.dll: the Winamp 2 input plug-in for Windows Media Audio (the ASF/WMA 2 files
// VeltoRecorder writes), decoded with FFmpeg. Its extension text holds "wma", which the host
// treats specially: it asks for the length before the play starts.
#include <windows.h>

#include "outside/plugins/common/FfmpegDecoder.h"
#include "outside/plugins/common/InputPlugin.h"

namespace {

std::unique_ptr<velto::plugin::Decoder> MakeDecoder()
{
    return std::make_unique<velto::plugin::FfmpegDecoder>();
}

const velto::plugin::InputPluginInfo kInfo = {
    "VeltoRecorder Windows Media Audio input",
    "wma\0Windows Media Audio files (*.wma)\0",
    MakeDecoder,
    L"Windows Media Audio input for VeltoRecorder (decoded with FFmpeg).",
    velto::plugin::FfmpegDecoder::Initialise,
};

}  // namespace

extern "C" __declspec(dllexport) In_Module* __cdecl winampGetInModule2()
{
    return velto::plugin::InputModule(kInfo);
}
