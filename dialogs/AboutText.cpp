#include "dialogs/AboutText.h"

const char kAboutLinkAddress[] = "https://varnello.example.org/pdf-merge";

namespace {

template <size_t N> bool AppendLiteral(CMyASCIIString& text, const char (&piece)[N]) {
    return text.Append(piece, N - 1);
}

} // namespace

bool BuildAboutText(CMyASCIIString& text) {
    text.Free();
    if (text.Data())
        text.Data()[0] = 0;
    // Every run of text sits in an element of its own: the markup reads no text between elements.
    return AppendLiteral(text, "<xml><text>Varnello Application (v.1.1)</text><p/>") &&
           AppendLiteral(text, "<a href='") && text.Append(kAboutLinkAddress, sizeof kAboutLinkAddress - 1) &&
           AppendLiteral(text, "'>Varnello Software</a>") &&
           AppendLiteral(text, "<text>Free to use; provided as is, without warranty.</text>") &&
           AppendLiteral(text, "</xml>") && text.Terminate();
}
