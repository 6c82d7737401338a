#include "merge/PageTree.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <vector>

using namespace PoDoFo;

namespace {

const char* const kInheritable[] = {"Resources", "MediaBox", "CropBox", "Rotate"};
const int kInheritableCount = 4;

struct WalkedPage {
    PdfObject* page;
    // The value of each inheritable attribute that the nearest ancestor holding it gives, or null.
    const PdfObject* inherited[kInheritableCount];
};

struct PageTreeWalk {
    std::vector<WalkedPage> pages;
    // False when a node's /Count, a node's or page's /Type, or a kid that is skipped (reached
    // again, not a dictionary) means the library or a reader could count other pages.
    bool sound = true;
};

bool HasName(const PdfObject* node, const char* key, const char* name) {
    const PdfObject* value = node->GetDictionary().GetKey(key);
    return value && value->IsName() && value->GetName() == PdfName(name);
}

// A node with kids, as opposed to a page: /Type /Pages, or no /Type and a /Kids array.
bool IsPagesNode(const PdfObject* node) {
    if (HasName(node, "Type", "Pages")) {
        return true;
    }
    if (HasName(node, "Type", "Page")) {
        return false;
    }
    const PdfObject* kids = node->GetIndirectKey("Kids");
    return kids && kids->IsArray();
}

// Stops once `atMost` pages are found.
PageTreeWalk WalkPageTree(PdfMemDocument& document, size_t atMost = SIZE_MAX) {
    struct Frame {
        PdfObject* node;
        const PdfArray* kids;
        size_t next;
        int found; // pages found below the node so far
        const PdfObject* inherited[kInheritableCount];
    };
    PageTreeWalk walk;
    PdfObject* root = document.GetPagesTree()->GetObject();
    if (!root || !root->IsDictionary()) {
        walk.sound = false;
        return walk;
    }
    std::set<PdfReference> seen{root->Reference()};
    std::vector<Frame> stack;
    const auto enter = [&stack](PdfObject* node, const PdfObject* const* parentInherited) {
        const PdfObject* kids = node->GetIndirectKey("Kids");
        Frame frame{node, kids && kids->IsArray() ? &kids->GetArray() : nullptr, 0, 0, {}};
        for (int i = 0; i < kInheritableCount; ++i) {
            const PdfObject* own = node->GetDictionary().GetKey(kInheritable[i]);
            frame.inherited[i] = own ? own : parentInherited ? parentInherited[i] : nullptr;
        }
        stack.push_back(frame);
    };
    enter(root, nullptr);
    while (!stack.empty() && walk.pages.size() < atMost) {
        Frame& frame = stack.back();
        if (!frame.kids || frame.next >= frame.kids->GetSize()) {
            const PdfObject* count = frame.node->GetIndirectKey("Count");
            if (!count || !count->IsNumber() || count->GetNumber() != frame.found) {
                walk.sound = false;
            }
            const int found = frame.found;
            stack.pop_back();
            if (!stack.empty()) {
                stack.back().found += found;
            }
            continue;
        }
        const PdfObject& kid = (*frame.kids)[frame.next++];
        PdfObject* object = kid.IsReference() && seen.insert(kid.GetReference()).second
                                ? document.GetObjects().GetObject(kid.GetReference())
                                : nullptr;
        if (!object || !object->IsDictionary()) {
            walk.sound = false;
            continue;
        }
        if (IsPagesNode(object)) {
            walk.sound = walk.sound && HasName(object, "Type", "Pages");
            enter(object, frame.inherited);
            continue;
        }
        walk.sound = walk.sound && HasName(object, "Type", "Page");
        WalkedPage page{object, {}};
        std::copy(frame.inherited, frame.inherited + kInheritableCount, page.inherited);
        walk.pages.push_back(page);
        ++frame.found;
    }
    return walk;
}

} // namespace

int PagesToMerge(PdfMemDocument& document, int atMost) {
    return static_cast<int>(
        WalkPageTree(document, atMost < 0 ? 0 : static_cast<size_t>(atMost)).pages.size());
}

void TakeEveryPage(PdfMemDocument& document) {
    PageTreeWalk walk = WalkPageTree(document);
    if (walk.pages.empty()) {
        throw std::runtime_error("the document has no page");
    }
    if (walk.sound && document.GetPageCount() == static_cast<int>(walk.pages.size())) {
        return;
    }
    PdfObject* root = document.GetPagesTree()->GetObject();
    PdfArray kids;
    for (WalkedPage& page : walk.pages) {
        PdfDictionary& dictionary = page.page->GetDictionary();
        for (int i = 0; i < kInheritableCount; ++i) {
            if (!dictionary.HasKey(kInheritable[i]) && page.inherited[i]) {
                dictionary.AddKey(kInheritable[i], *page.inherited[i]);
            }
        }
        dictionary.AddKey(PdfName::KeyType, PdfName("Page"));
        dictionary.AddKey("Parent", root->Reference());
        kids.push_back(page.page->Reference());
    }
    root->GetDictionary().AddKey("Kids", kids);
    root->GetDictionary().AddKey("Count", PdfObject(static_cast<pdf_int64>(walk.pages.size())));
    root->GetDictionary().AddKey(PdfName::KeyType, PdfName("Pages"));
    document.GetPagesTree()->ClearCache();
    if (document.GetPageCount() != static_cast<int>(walk.pages.size())) {
        throw std::runtime_error("the page tree could not be rebuilt");
    }
}
