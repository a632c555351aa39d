#pragma once
// The dialog templates of the program, found by id. Each template file registers its
// template with a static registrar object.

#include "DialogTemplate.h"

class CDialogTemplateRegistrar {
public:
    explicit CDialogTemplateRegistrar(const CDialogTemplate& dialogTemplate);
};

// The template registered under id, or null.
const CDialogTemplate* FindDialogTemplate(UINT id);
