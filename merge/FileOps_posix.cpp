#include "merge/FileOps.h"

#include "foundation/ZuvAnsi.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

bool FileExists(const char* name) {
    struct stat st;
    // lstat: a name taken by a dangling link is taken all the same.
    return name && lstat(name, &st) == 0;
}

bool RemoveFile(const ZuvAnsi& name) {
    return name.Length() > 0 && unlink(name.Text()) == 0;
}

bool RenameFile(const ZuvAnsi& oldName, const ZuvAnsi& newName) {
    // rename replaces the target atomically.
    return oldName.Length() > 0 && newName.Length() > 0 && rename(oldName.Text(), newName.Text()) == 0;
}

bool FileSize(const char* name, uint64_t& size) {
    struct stat st;
    if (!name || stat(name, &st) != 0) {
        return false;
    }
    size = static_cast<uint64_t>(st.st_size);
    return true;
}
