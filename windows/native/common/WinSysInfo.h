#pragma once

#include <windows.h>

#include <new>

#include "tstrings.h"

namespace SysInfo {

enum ArgsStart { FromProgramName = 0, AfterProgramName = 1 };

WStringList getCommandArgs(ArgsStart start = AfterProgramName);

void setEnvVariable(const WString& name, const WString& value);
WString readEnvVariable(const WString& name);
WString readEnvVariableOr(std::nothrow_t, const WString& name, const WString& defaultValue);
bool hasEnvVariable(const WString& name);

WString getSystemDirectoryPath();
WString getMsiexecPath();
WString getTempDirectory();

HMODULE getCurrentModuleHandle();
WString getExecutablePath();
WString getOwnModulePath();

} // namespace SysInfo
