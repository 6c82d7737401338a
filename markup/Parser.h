// The markup parser. A text is read in one of three forms, chosen by its first two characters:
// plain (anything not starting with "<"), HTML ("<h...") and XML ("<x..."). There is no entity
// decoding. Input it cannot use gives fewer items or none; nothing is reported.
#pragma once

#include "markup/Items.h"

// Sets up the keywords the parser compares against; later calls do nothing.
void InitMarkupNames();

// Replaces the items in the list by those of the text.
void ParseMarkup(const CMyASCIIString& text, CItemList& items);
