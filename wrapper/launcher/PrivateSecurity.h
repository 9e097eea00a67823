#pragma once

#include "SecurityDescriptor.h"

// Security that lets only the current user, SYSTEM and the Administrators
// group in, full access each, and shuts out whatever the parent folder would
// pass on (a protected DACL). Files made inside inherit it. For an elevated
// process: SYSTEM and Administrators only, High integrity.
class PrivateSecurity : public SecurityDescriptor {
public:
    explicit PrivateSecurity(bool elevated);
};
