// libFuzzer entry: any bytes as a markup text, in a string of exactly that size so that a read past
// the end is caught.
#include "markup/Parser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = (InitStringConstants(), InitMarkupNames(), InitColorPalette());
    (void)ready;
    if (size > UINT32_MAX)
        return 0;
    CMyASCIIString text;
    if (size) {
        char* exact = static_cast<char*>(std::malloc(size));
        if (!exact)
            return 0;
        std::memcpy(exact, data, size);
        text.Attach(exact, uint32_t(size));
        text.Append(exact, uint32_t(size));
        text.UpdateAsciiFlag();
        CItemList items;
        ParseMarkup(text, items);
        ParseMarkup(text, items); // a second parse replaces the first
        text.Free();
        std::free(exact);
    } else {
        CItemList items;
        ParseMarkup(text, items);
    }
    return 0;
}
