#include "merge/PdfLayer.h"

#include "merge/PageTree.h"

#include <openssl/provider.h>
#include <podofo/podofo.h>

#include <new>

void StartPdfLayer() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    // The library would print every refused file on stderr; the user hears of it in one box.
    PoDoFo::PdfError::EnableLogging(false);
    PoDoFo::PdfError::EnableDebug(false);
    // OpenSSL 3 keeps RC4 in the legacy provider. Loading a provider by hand stops the default
    // one from loading by itself, so both are loaded. A failure here only means that RC4 files
    // are refused later, as unreadable files are. The providers stay loaded for the process.
    static OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    static OSSL_PROVIDER* standard = OSSL_PROVIDER_load(nullptr, "default");
    (void)legacy;
    (void)standard;
}

bool PdfOpens(const char* name, bool* outOfMemory) {
    StartPdfLayer();
    try {
        // Load rather than the loading constructor: when loading throws, the destructor still
        // runs and releases what the parser had read.
        PoDoFo::PdfMemDocument document;
        document.Load(name, false);
        // One page is enough to know: large files are not walked through.
        return PagesToMerge(document, 1) > 0;
    } catch (...) {
        if (outOfMemory) {
            *outOfMemory = CaughtOutOfMemory();
        }
        return false;
    }
}

bool CaughtOutOfMemory() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return true;
    } catch (const PoDoFo::PdfError& error) {
        return error.GetError() == PoDoFo::ePdfError_OutOfMemory;
    } catch (...) {
        return false;
    }
}
