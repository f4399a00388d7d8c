// Direct access to the recorder's settings key for tests: arranging stored values and reading
// back what the program wrote, independently of the code under test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "recorder/app/Settings.h"

namespace velto::test {

inline void DeleteSettingsKey()
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
}

inline bool SettingsKeyExists()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

inline void PutRaw(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr);
    ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

inline void PutInt(const wchar_t* name, int value)
{
    DWORD v = static_cast<DWORD>(value);
    PutRaw(name, REG_DWORD, &v, sizeof v);
}

inline void PutString(const wchar_t* name, const std::wstring& value)
{
    PutRaw(name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

inline std::optional<RawValue> GetRaw(const wchar_t* name)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    RawValue v;
    DWORD size = 0;
    LONG r = ::RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size);
    if (r == ERROR_SUCCESS) {
        v.data.resize(size);
        r = ::RegQueryValueExW(key, name, nullptr, &v.type, v.data.data(), &size);
    }
    ::RegCloseKey(key);
    if (r != ERROR_SUCCESS) return std::nullopt;
    return v;
}

inline std::optional<int> GetInt(const wchar_t* name)
{
    auto v = GetRaw(name);
    if (!v || v->type != REG_DWORD || v->data.size() != 4) return std::nullopt;
    DWORD value;
    memcpy(&value, v->data.data(), 4);
    return static_cast<int>(value);
}

inline std::optional<std::wstring> GetString(const wchar_t* name)
{
    auto v = GetRaw(name);
    if (!v || v->type != REG_SZ) return std::nullopt;
    std::wstring s(reinterpret_cast<const wchar_t*>(v->data.data()), v->data.size() / 2);
    while (!s.empty() && s.back() == L'\0') s.pop_back();
    return s;
}

}  // namespace velto::test
