#pragma once

#include <chrono>

#include "tstrings.h"

// Removes a directory tree, never following a link inside it. Virus scanners
// commonly hold a freshly written file for a moment after the program that
// used it has ended, so a failed removal is tried again with growing pauses
// until the patience is spent; then a warning is logged and, where the process
// may (elevated), what is left is registered for removal at the next restart.
// False when something is left now.
bool removeTreeWithPatience(const WString& dir, std::chrono::milliseconds patience = std::chrono::seconds(10));

// Removes a directory tree with patience when the scope ends.
class TreeRemovalScope {
public:
    explicit TreeRemovalScope(const WString& dir, std::chrono::milliseconds patience = std::chrono::seconds(10));
    ~TreeRemovalScope();
    TreeRemovalScope(const TreeRemovalScope&) = delete;
    TreeRemovalScope& operator=(const TreeRemovalScope&) = delete;

private:
    WString dir;
    std::chrono::milliseconds patience;
};
