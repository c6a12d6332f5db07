// libFuzzer target for the settings file reader: any bytes must parse without a fault,
// and what is written back must read back to the same text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/regfile/reg_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr std::string_view Key = "Software\\Orvandel\\Glimmerhex";
    RegDocument document = ParseRegText({reinterpret_cast<const char*>(data), size});
    for (const char* name : {"Version", "GraphicEffect", "PaletteScheme"})
        FindRegValue(document, Key, name);
    SetRegValue(document, Key, "PaletteScheme", {3, {7}});
    const std::string written = SerializeRegText(document);
    const RegDocument reread = ParseRegText(written);
    const auto value = FindRegValue(reread, Key, "PaletteScheme");
    // A value set inside the read limit must read back; the rest of the text must not move.
    if (written.size() < RegReadLimit && (!value || value->Data != std::vector<uint8_t>{7}))
        std::abort();
    if (SerializeRegText(reread) != written) std::abort();
    return 0;
}
