#pragma once

#include <windows.h>

#include "UniqueResource.h"
#include "tstrings.h"

// A security descriptor built from its SDDL text, to give to an object as it
// is made, or to set on one that exists.
class SecurityDescriptor {
public:
    explicit SecurityDescriptor(const WString& sddl);

    const SECURITY_ATTRIBUTES* attributes() const { return &securityAttributes; }
    PSECURITY_DESCRIPTOR get() const { return descriptor.get(); }
    // Sets its owner and access list on the object (opened with WRITE_OWNER
    // and WRITE_DAC), cut off from what the folder above would pass on.
    void applyTo(HANDLE object) const;

private:
    OwnedLocalMemory descriptor;
    SECURITY_ATTRIBUTES securityAttributes{};
};
