#pragma once
// The file-system operations of the merge engine. Windows calls the Win32 "A" functions
// (FileOps_win.cpp); the native build maps them to POSIX (FileOps_posix.cpp).

#include <cstdint>

class ZuvAnsi;

// True when the name exists in the file system, as a file or a folder; false for null.
bool FileExists(const char* name);

// Deletes the file; false for an empty name or when it cannot be deleted. Never deletes a folder.
bool RemoveFile(const ZuvAnsi& name);

// Moves the file to the new name, replacing a file of that name in one step, so that the new
// name never stops existing on the way. On failure neither file is touched.
bool RenameFile(const ZuvAnsi& oldName, const ZuvAnsi& newName);

// The file's size in bytes; false when it cannot be queried.
bool FileSize(const char* name, uint64_t& size);
