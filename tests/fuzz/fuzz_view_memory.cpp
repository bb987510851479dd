// Fuzz target: the views file read from any bytes.
//
// The first input byte chooses whether the rest follows a sound first line and version, so
// that the document sections are reached at once, or is the whole file. Whatever is read must
// be within the bounds a remembered view keeps, and written back must read back the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "model/view_memory.h"

using fuzz_support::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string text = (data[0] & 1) != 0 ? "[Tabulon views]\r\nVersion=1\r\n" : "";
    text.append(reinterpret_cast<const char*>(data) + 1, size - 1);

    const ViewMemory memory = ViewMemory::parse(text);
    require(memory.documents().size() <= MAX_REMEMBERED_VIEWS ? "" : "more documents than are kept");
    for (const RememberedView& document : memory.documents()) {
        require(writableViewPath(document.path) ? "" : "a path read is one that can be written");
        require(!document.view.unsaved ? "" : "a view read is of a saved document");
        // Remembering keeps a view within the bounds: one read must already be so.
        ViewMemory one;
        one.remember(document.path, document.view);
        require(one.documents().front().view == document.view ? "" : "a view read is within the bounds");
    }
    require(ViewMemory::parse(memory.serialize()) == memory ? "" : "what was read, written, reads back");
    return 0;
}
