#include "app/OpenDialogNames.h"

#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"

#include <cstring>
#include <new>

namespace {

bool AppendPath(const char* path, ZuvVector<ZuvAnsi2*>& paths) {
    ZuvAnsi2* string = new (std::nothrow) ZuvAnsi2(path);
    if (!string)
        return false;
    if (string->Length() != std::strlen(path) || !paths.Append(string)) {
        delete string;
        return false;
    }
    return true;
}

// The length of the zero-terminated text at `from`, or -1 when no zero ends it inside the buffer.
long TextLength(const char* buffer, uint32_t size, uint32_t from) {
    const void* end = std::memchr(buffer + from, '\0', size - from);
    return end ? static_cast<const char*>(end) - (buffer + from) : -1;
}

} // namespace

bool SplitOpenDialogNames(char* buffer, uint32_t size, uint32_t fileOffset, ZuvVector<ZuvAnsi2*>& paths) {
    if (size == 0 || fileOffset >= size)
        return true;
    if (fileOffset == 0 || buffer[fileOffset - 1] != '\0') {
        buffer[size - 1] = '\0';
        return buffer[0] == '\0' || AppendPath(buffer, paths);
    }
    // Several files: the folder ends where the first name's offset begins.
    uint32_t separator = fileOffset - 1;
    buffer[separator] = '\\';
    uint32_t name = fileOffset;
    for (;;) {
        long length = TextLength(buffer, size, name);
        if (length <= 0)
            return true;
        // The name moves left over the previous one; the next name starts after its old place.
        uint32_t next = name + static_cast<uint32_t>(length) + 1;
        std::memmove(buffer + separator + 1, buffer + name, static_cast<size_t>(length) + 1);
        if (!AppendPath(buffer, paths))
            return false;
        if (next >= size)
            return true;
        name = next;
    }
}
