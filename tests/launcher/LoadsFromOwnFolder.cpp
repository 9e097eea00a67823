// Loads msi.dll with the default search order, the way a launcher without
// protection would: the planted copy beside it must then leave its marker.
#include <windows.h>

int wmain() { return LoadLibraryW(L"msi.dll") != nullptr ? 0 : 1; }
