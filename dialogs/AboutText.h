// The About box's text, in the markup language: the product line, then the maker's name as a link
// to the product page, followed by a short notice.
#pragma once

#include "foundation/MyString.h"

// The page the maker's name opens.
extern const char kAboutLinkAddress[];

// Empties `text` and appends the About text. The text is never grown: it fits the 2000 bytes that
// the About command gives it. False when it does not fit.
bool BuildAboutText(CMyASCIIString& text);
