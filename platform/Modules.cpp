#include "Modules.h"

#include "IcmpApi.h"
#include "LastError.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>

namespace win {

namespace {

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

template <typename F>
FARPROC AsProc(F function)
{
    return reinterpret_cast<FARPROC>(function);
}

CModuleTable BuiltInIcmpModule()
{
    return CModuleTable{"ICMP.DLL",
                        {{"IcmpCreateFile", AsProc(&IcmpCreateFile)},
                         {"IcmpSendEcho", AsProc(&IcmpSendEcho)},
                         {"IcmpCloseHandle", AsProc(&IcmpCloseHandle)},
                         {"IcmpSendEcho2", AsProc(&IcmpSendEcho2)},
                         {"IcmpParseReplies", AsProc(&IcmpParseReplies)},
                         {"Icmp6CreateFile", AsProc(&Icmp6CreateFile)},
                         {"Icmp6SendEcho2", AsProc(&Icmp6SendEcho2)},
                         {"Icmp6ParseReplies", AsProc(&Icmp6ParseReplies)}}};
}

struct CModuleRegistry {
    std::mutex m_lock;
    std::vector<CModuleTable> m_registered;        // newest last; wins over older and built-in ones
    std::vector<std::unique_ptr<CModuleTable>> m_loaded; // handed-out handles stay valid for the process
};

CModuleRegistry& Registry()
{
    static CModuleRegistry registry;
    return registry;
}

void EraseRegistered(CModuleRegistry& registry, const std::string& name)
{
    std::erase_if(registry.m_registered,
                  [&](const CModuleTable& table) { return Upper(table.m_name) == Upper(name); });
}

} // namespace

void RegisterModule(const CModuleTable& table)
{
    CModuleRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.m_lock);
    EraseRegistered(registry, table.m_name);
    registry.m_registered.push_back(table);
}

void UnregisterModule(const std::string& name)
{
    CModuleRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.m_lock);
    EraseRegistered(registry, name);
}

HMODULE LoadLibraryA(const char* name)
{
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    CModuleRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.m_lock);
    const std::string wanted = Upper(name);
    for (auto it = registry.m_registered.rbegin(); it != registry.m_registered.rend(); ++it) {
        if (Upper(it->m_name) == wanted) {
            registry.m_loaded.push_back(std::make_unique<CModuleTable>(*it));
            return registry.m_loaded.back().get();
        }
    }
    if (wanted == "ICMP.DLL") {
        registry.m_loaded.push_back(std::make_unique<CModuleTable>(BuiltInIcmpModule()));
        return registry.m_loaded.back().get();
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, const char* procName)
{
    if (module == nullptr || procName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    for (const auto& [entryName, entry] : module->m_entries) {
        if (entryName == procName && entry != nullptr)
            return entry;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module)
{
    return module != nullptr ? TRUE : FALSE;
}

} // namespace win
