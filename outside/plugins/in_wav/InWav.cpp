// in_wav.dll: the Winamp 2 input plug-in for the PCM WAV files VeltoRecorder writes.
#include <windows.h>

#include "outside/plugins/common/InputPlugin.h"
#include "outside/plugins/in_wav/WavDecoder.h"

namespace {

std::unique_ptr<velto::plugin::Decoder> MakeDecoder()
{
    return std::make_unique<velto::plugin::WavDecoder>();
}

const velto::plugin::InputPluginInfo kInfo = {
    "VeltoRecorder PCM WAV input",
    "wav\0PCM WAV files (*.wav)\0",
    MakeDecoder,
    L"PCM WAV input for VeltoRecorder.",
    nullptr,
};

}  // namespace

extern "C" __declspec(dllexport) In_Module* __cdecl winampGetInModule2()
{
    return velto::plugin::InputModule(kInfo);
}
