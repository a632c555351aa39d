#include "Registry.h"

#include "RegistryXdg.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>

namespace win {

struct CRegistryKey {
    std::string m_path;         // below HKEY_CLASSES_ROOT, parts joined by "\"
    std::string m_defaultValue; // resolved when the key was opened
};

namespace {

const std::string s_openCommandSuffix = "\\shell\\open\\command";

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool IsPredefined(HKEY key)
{
    const auto value = reinterpret_cast<std::uintptr_t>(key);
    return value >= 0x80000000u && value < 0x80000010u;
}

std::optional<std::string> OpenCommandFor(const std::string& mimeType)
{
    if (mimeType.find('/') == std::string::npos)
        return std::nullopt;
    const std::optional<std::string> id = xdg::DefaultApplication(mimeType);
    if (!id)
        return std::nullopt;
    const std::optional<std::string> path = xdg::FindDesktopEntry(*id);
    if (!path)
        return std::nullopt;
    return xdg::OpenCommandOfEntry(*path);
}

// The default value of a key, or nothing when there is no such key.
std::optional<std::string> DefaultValueOf(const std::string& path)
{
    const std::string lower = Lower(path);
    if (lower.size() > 1 && lower.front() == '.' && lower.find('\\') == std::string::npos)
        return xdg::MimeTypeForExtension(path);
    if (lower.size() > s_openCommandSuffix.size() &&
        lower.compare(lower.size() - s_openCommandSuffix.size(), std::string::npos, s_openCommandSuffix) == 0)
        return OpenCommandFor(lower.substr(0, lower.size() - s_openCommandSuffix.size()));
    return std::nullopt;
}

// The path of `subKey` below `key`; nothing when `key` is not a key of the classes root.
std::optional<std::string> PathBelow(HKEY key, const char* subKey)
{
    std::string base;
    if (key == nullptr || (IsPredefined(key) && key != HKEY_CLASSES_ROOT))
        return std::nullopt;
    if (key != HKEY_CLASSES_ROOT)
        base = key->m_path;
    if (subKey == nullptr || *subKey == '\0')
        return base;
    return base.empty() ? std::string(subKey) : base + "\\" + subKey;
}

} // namespace

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD, REGSAM, HKEY* result)
{
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const std::optional<std::string> path = PathBelow(key, subKey);
    if (!path)
        return ERROR_INVALID_HANDLE;
    std::optional<std::string> value = DefaultValueOf(*path);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    *result = new CRegistryKey{*path, std::move(*value)};
    return ERROR_SUCCESS;
}

LONG RegQueryValueA(HKEY key, const char* subKey, char* value, LONG* size)
{
    if (size == nullptr && value != nullptr)
        return ERROR_INVALID_PARAMETER;
    const std::optional<std::string> path = PathBelow(key, subKey);
    if (!path)
        return ERROR_INVALID_HANDLE;
    const bool same = key != HKEY_CLASSES_ROOT && (subKey == nullptr || *subKey == '\0');
    const std::optional<std::string> text = same ? std::optional<std::string>(key->m_defaultValue) : DefaultValueOf(*path);
    if (!text)
        return ERROR_FILE_NOT_FOUND;
    const LONG needed = static_cast<LONG>(text->size() + 1);
    if (value == nullptr) {
        if (size != nullptr)
            *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(value, text->c_str(), text->size() + 1);
    *size = needed;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    if (!IsPredefined(key))
        delete key;
    return ERROR_SUCCESS;
}

} // namespace win
