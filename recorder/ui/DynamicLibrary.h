// An outside DLL loaded at run time and reached through exports looked up by name.
#pragma once

#include <windows.h>

namespace velto {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    // Unloads through DynamicLibrary::Unload; a subclass whose Unload does more calls it from
    // its own destructor.
    virtual ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads `name` from the program's folder, or else the system folder; never from the
    // current directory. A library already loaded is unloaded first. 1 when loaded, else 0.
    virtual int Load(const wchar_t* name);
    // The FreeLibrary result; 0 when nothing was loaded.
    virtual int Unload();

    bool IsLoaded() const { return module_ != nullptr; }
    HMODULE module() const { return module_; }

protected:
    // The export `name`; null when nothing is loaded or the library lacks it.
    FARPROC Export(const char* name) const;

private:
    HMODULE module_ = nullptr;
};

}  // namespace velto
