#pragma once

#include <initializer_list>
#include <string_view>

#include "config/Layout.h"

namespace kdx::test {

// The default setup right after start (all three outputs off, 0x7C) as the module stores it,
// spelled out from the module's memory map rather than from the encoder.
inline ConfigBuffer GoldenImage() {
    ConfigBuffer image;
    auto bytes = [&](std::initializer_list<int> values) {
        for (int b : values) image.push_back(static_cast<std::uint8_t>(b));
    };
    auto repeat = [&](std::size_t count, int byte) {
        image.insert(image.end(), count, static_cast<std::uint8_t>(byte));
    };
    auto text = [&](std::string_view value, std::size_t width) {
        image.insert(image.end(), value.begin(), value.end());
        repeat(width - value.size(), 0xFF);
    };
    repeat(640, 0xFF);                                  // 20 empty SMS texts
    bytes({0x00, 0x01, 0x00, 0x01, 0x00, 0x7C, 0x30});  // inputs, SYS, outputs, credit
    repeat(8, 0xFF);
    for (int r = 0; r < 20; ++r) bytes({0x30, 0x30, 0x20});  // SYSTEM, TEST, 0, NE
    repeat(16 + 37, 0xFF);                                   // credit code and gap
    repeat(160, 0xFF);                                       // phone numbers
    repeat(10, 0x00);                                        // flags
    repeat(6, 0xFF);
    text("KDX-17 :", 16);
    text("Poplach IN1", 16);
    text("Poplach IN2", 16);
    repeat(32, 0xFF);
    return image;
}

// The start image with command row 1 a relay row whose action code only the system table has
// ('4', STATUS): what the module holds may be what no table shows.
inline ConfigBuffer Action4Image() {
    ConfigBuffer image = GoldenImage();
    image[layout::kRecordOffset] = '1';      // RELE1
    image[layout::kRecordOffset + 1] = '4';  // byte 656
    return image;
}

}  // namespace kdx::test
