// The file names that a multi-select open dialog returns, as full paths.
#pragma once

#include <cstdint>

class ZuvAnsi2;
template <class T> class ZuvVector;

// `buffer` holds what the dialog returned in its `size` bytes, and `fileOffset` is the offset of the
// first file name. One chosen file: the buffer is its full path. Several: the folder, a zero, each
// name followed by a zero, and one more zero; the buffer is then rewritten in place, one full path
// at a time (folder, backslash, name). Each full path is appended to `paths` as a new string, in the
// dialog's order. False when a string could not be made or appended; the paths made so far stay.
bool SplitOpenDialogNames(char* buffer, uint32_t size, uint32_t fileOffset, ZuvVector<ZuvAnsi2*>& paths);
