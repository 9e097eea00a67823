#pragma once

#include <windows.h>

#include "UniqueResource.h"
#include "tstrings.h"

// Work on the entries of a folder held open, never by a path: a name is looked
// up in the folder the handle holds, and a link is opened as itself, never
// followed. A path that was checked can be swapped for a link before it is
// used again; a handle cannot.

// A folder held open, and the path the system gives for it.
struct HeldFolder {
    OwnedHandle handle;
    WString path;
};

struct EntryOpening {
    ACCESS_MASK access;
    DWORD share;                          // FILE_SHARE_* bits
    bool create = false;                  // a new entry, never one that exists
    bool folder = false;                  // with create: a folder, else a file
    PSECURITY_DESCRIPTOR security = nullptr;  // for a new entry; none inherits from the folder
};

// Every kind of sharing: for opens that must keep nobody out.
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The entry, or the system's error code when it could not be opened:
// ERROR_FILE_NOT_FOUND (for any missing entry), ERROR_ALREADY_EXISTS (create), ERROR_SHARING_VIOLATION
// (also for a file someone holds an opportunistic lock on: that open returns at
// once instead of waiting for the holder to let go), ERROR_INVALID_NAME for a
// name that is more than one plain component.
struct OpenedEntry {
    OwnedHandle handle;
    DWORD error = ERROR_SUCCESS;
};
OpenedEntry openEntry(HANDLE folder, const WString& name, const EntryOpening& how);

// The path the system knows the object by, without the \\?\ prefix. Raises.
WString finalPathOf(HANDLE object);

// What the handle itself tells of the object. Raises.
struct EntryFacts {
    bool isLink;  // a junction, symbolic link or other reparse point
    bool isFolder;
};
EntryFacts entryFactsOf(HANDLE object);

// The object held is the entry name of the folder at folderPath, not what a
// link there leads to: Windows opens a link itself, Wine what it points to,
// and only the path the system gives for the handle tells them apart.
bool isAtPlace(HANDLE entry, const WString& folderPath, const WString& name);

// The names in the folder, "." and ".." left out; at most maxEntries of them,
// so that a crafted folder cannot make the launcher hold without bound. Raises.
WStringList entryNames(HANDLE folder, size_t maxEntries = 10000);

// Deletes the entry through its handle (opened with DELETE): a link goes as
// itself. The name goes at once where the system can (POSIX semantics), else
// when the last handle closes. False with GetLastError() set.
bool deleteThrough(HANDLE entry);

// Lets go of the folder, held without the right to delete it (a folder held
// so would keep others from listing it), and deletes it through a handle
// opened anew by its name in parent, if that is still the same folder. False
// when it was not deleted (not empty, held, or another folder took the name).
bool deleteHeldFolder(const HeldFolder& parent, HeldFolder& folder);

// Renames the entry (opened with DELETE) to newName in folder, never over an
// existing entry. False with GetLastError() set.
bool renameWithin(HANDLE entry, HANDLE folder, const WString& newName);

// What tells one file or folder from every other on its volume (the file
// system's own number for it): enough for entries of one folder. Raises.
struct FileIdentity {
    LONGLONG index;

    bool operator==(const FileIdentity&) const = default;
};
FileIdentity identityOf(HANDLE object);
