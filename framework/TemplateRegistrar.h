#pragma once
// Resources held as data (dialog templates, frame templates), found by id. The program
// registers each with a static registrar object in the file that holds it.

#include "WinTypes.h"

template <class TTemplate>
class CTemplateRegistrar {
public:
    explicit CTemplateRegistrar(const TTemplate& resource);
    // The template registered under id, or null.
    static const TTemplate* Find(UINT id);
};
