// Loads the library named by its argument with the default search order, the
// way a program without protection would: a planted copy beside it must then
// leave its marker.
#include <windows.h>

int wmain(int argc, wchar_t** argv) { return argc == 2 && LoadLibraryW(argv[1]) != nullptr ? 0 : 1; }
