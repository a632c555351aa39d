#include "DialogTemplateRegistrar.h"

#include <map>

namespace {

// Built on first use, so registrars in any file may run first.
std::map<UINT, CDialogTemplate>& Registry()
{
    static std::map<UINT, CDialogTemplate> registry;
    return registry;
}

} // namespace

CDialogTemplateRegistrar::CDialogTemplateRegistrar(const CDialogTemplate& dialogTemplate)
{
    Registry()[dialogTemplate.m_id] = dialogTemplate;
}

const CDialogTemplate* FindDialogTemplate(UINT id)
{
    const auto& registry = Registry();
    const auto found = registry.find(id);
    return found == registry.end() ? nullptr : &found->second;
}
