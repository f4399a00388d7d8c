#include "recorder/recording/LameBinding.h"

#include <cstring>

namespace velto::lame {
namespace {

template <typename T>
bool Find(HMODULE module, const char* name, T& slot)
{
    slot = reinterpret_cast<T>(::GetProcAddress(module, name));
    return slot != nullptr;
}

}  // namespace

bool EntryPoints::Load(HMODULE module)
{
    // Every name is looked up even after a miss, so all six are tried as the contract lists them.
    bool ok = Find(module, "beInitStream", beInitStream);
    ok = Find(module, "beEncodeChunk", beEncodeChunk) && ok;
    ok = Find(module, "beDeinitStream", beDeinitStream) && ok;
    ok = Find(module, "beCloseStream", beCloseStream) && ok;
    ok = Find(module, "beVersion", beVersion) && ok;
    ok = Find(module, "beWriteVBRHeader", beWriteVBRHeader) && ok;
    if (!ok) Clear();
    return ok;
}

Config MakeConfig(int sampleRate, int bitRateKbps)
{
    Config c;
    std::memset(&c, 0, sizeof c);
    c.kind = kConfigLame;
    c.version = kRecordVersion;
    c.size = sizeof c;
    c.sampleRate = static_cast<DWORD>(sampleRate);
    c.reSampleRate = 0;
    c.mode = kModeStereo;
    c.bitRate = static_cast<DWORD>(bitRateKbps);
    c.preset = kPresetNormalQuality;
    c.mpegVersion = kMpeg1;
    return c;
}

}  // namespace velto::lame
