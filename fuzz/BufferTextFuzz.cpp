// The buffer text window's reader: a refused text leaves the buffer as it was; an accepted one
// gives 1024 bytes, which written out and read again are the same.
#include <cstdint>
#include <string_view>

#include "config/BufferText.h"
#include "fuzz/Check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kdx::ConfigBuffer before = {1, 2, 3};
    kdx::ConfigBuffer buffer = before;
    if (kdx::TextToBuffer(text, buffer)) {
        Check(buffer == before, "a refused text leaves the buffer as it was");
        return 0;
    }
    Check(buffer.size() == kdx::layout::kBufferSize, "an accepted text holds 1024 bytes");
    kdx::ConfigBuffer again;
    Check(!kdx::TextToBuffer(kdx::BufferToText(buffer), again) && again == buffer,
          "the buffer's own text reads back the same");
    return 0;
}
