#pragma once
// The dialog templates of the program, found by id. Each template file registers its
// template with a static registrar object.

#include "DialogTemplate.h"
#include "TemplateRegistrar.h"

using CDialogTemplateRegistrar = CTemplateRegistrar<CDialogTemplate>;

// The template registered under id, or null.
inline const CDialogTemplate* FindDialogTemplate(UINT id)
{
    return CDialogTemplateRegistrar::Find(id);
}
