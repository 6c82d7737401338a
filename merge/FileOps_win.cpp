#include "merge/FileOps.h"

#include "foundation/ZuvAnsi.h"

#include <windows.h>

bool FileExists(const char* name) {
    return name && GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const ZuvAnsi& name) {
    return name.Length() > 0 && DeleteFileA(name.Text()) != 0;
}

bool RenameFile(const ZuvAnsi& oldName, const ZuvAnsi& newName) {
    // One step: deleting the target first would leave no file under its name if the move failed.
    return oldName.Length() > 0 && newName.Length() > 0 &&
           MoveFileExA(oldName.Text(), newName.Text(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
               0;
}

bool FileSize(const char* name, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!name || !GetFileAttributesExA(name, GetFileExInfoStandard, &data)) {
        return false;
    }
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}
