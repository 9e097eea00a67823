#pragma once

#include <windows.h>

#include <chrono>
#include <vector>

#include "RelativeFiles.h"
#include "tstrings.h"

// How long a run's cleanup may wait, in all, for files that someone holds:
// virus scanners commonly hold a freshly written file for a moment after the
// program that used it has ended, but nobody may stall the setup's end.
class CleanupBudget {
public:
    explicit CleanupBudget(std::chrono::milliseconds total = std::chrono::seconds(3));

    // Waits a pause that grows with each call, never past the end of the
    // budget; false when the budget is spent.
    bool pause();

private:
    ULONGLONG deadline;
    DWORD nextPause = 50;
};

// What becomes of what a removal could not remove within its budget.
enum class Leftovers {
    // Left for a later run: the tree lies where a user who is not an
    // administrator can change it, so a path registered for the restart could
    // be made to lead anywhere by then.
    ForALaterRun,
    // Also registered for removal at the next restart (when elevated).
    AtRestart,
};

// Removes the folder held, entry name of parent, and all it holds, through
// handles only: each entry is opened by name in the folder holding it, a link
// is deleted as itself and never entered, and an entry that turns out to lie
// elsewhere is left. With onlyThese, an entry that is none of those files is
// left too, and so the folder. What someone holds is tried again while the
// budget lasts. The folder itself goes through a handle opened anew by its
// name in parent once the held one is closed, and only if it is the same
// folder: a folder held for deletion would keep others from listing it.
// False when anything is left.
bool removeHeldTree(const HeldFolder& parent, HeldFolder folder, CleanupBudget& budget, Leftovers leftovers,
                    const std::vector<FileIdentity>* onlyThese = nullptr);
