// Windows-1250 is lossless for every byte, and text from anywhere never grows on the way in.
#include <cstdint>
#include <string_view>

#include "config/Cp1250.h"
#include "fuzz/Check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(kdx::Utf8ToCp1250(kdx::Cp1250ToUtf8(bytes)) == bytes, "bytes come back unchanged");
    Check(kdx::Utf8ToCp1250(bytes).size() <= size, "at most one byte per character");
    return 0;
}
