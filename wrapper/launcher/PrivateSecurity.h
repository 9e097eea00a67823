#pragma once

#include <windows.h>

#include "UniqueResource.h"

// Security attributes that let only the current user, SYSTEM and the
// Administrators group in, full access each, and shut out whatever the parent
// folder would pass on (a protected DACL). Files made inside inherit them.
// For an elevated process: SYSTEM and Administrators only, High integrity.
class PrivateSecurity {
public:
    explicit PrivateSecurity(bool elevated);

    const SECURITY_ATTRIBUTES* attributes() const { return &securityAttributes; }

private:
    OwnedLocalMemory descriptor;
    SECURITY_ATTRIBUTES securityAttributes{};
};
