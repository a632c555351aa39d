#include "TemplateRegistrar.h"

#include "DialogTemplate.h"
#include "FrameTemplate.h"

#include <map>

namespace {

// Built on first use, so registrars in any file may run first.
template <class TTemplate>
std::map<UINT, TTemplate>& Registry()
{
    static std::map<UINT, TTemplate> registry;
    return registry;
}

} // namespace

template <class TTemplate>
CTemplateRegistrar<TTemplate>::CTemplateRegistrar(const TTemplate& resource)
{
    Registry<TTemplate>()[resource.m_id] = resource;
}

template <class TTemplate>
const TTemplate* CTemplateRegistrar<TTemplate>::Find(UINT id)
{
    const auto& registry = Registry<TTemplate>();
    const auto found = registry.find(id);
    return found == registry.end() ? nullptr : &found->second;
}

template class CTemplateRegistrar<CDialogTemplate>;
template class CTemplateRegistrar<CFrameTemplate>;
