#include "recorder/ui/DynamicLibrary.h"

#include "common/ProgramFolder.h"

namespace velto {

DynamicLibrary::~DynamicLibrary()
{
    DynamicLibrary::Unload();
}

int DynamicLibrary::Load(const wchar_t* name)
{
    Unload();
    module_ = LoadOutsideLibrary(name);
    return module_ ? 1 : 0;
}

int DynamicLibrary::Unload()
{
    if (!module_) return 0;
    const BOOL freed = ::FreeLibrary(module_);
    module_ = nullptr;
    return freed ? 1 : 0;
}

FARPROC DynamicLibrary::Export(const char* name) const
{
    return module_ ? ::GetProcAddress(module_, name) : nullptr;
}

}  // namespace velto
