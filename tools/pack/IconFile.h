#pragma once

#include "ResourceTable.h"

// Adds the icon file (.ico) at path as the program's icon: each image becomes
// an RT_ICON resource numbered from 1, and the file's directory the
// RT_GROUP_ICON resource 1, which Explorer shows. Refuses anything else.
void addIcon(ResourceTable& resources, const WString& path, WORD language);
