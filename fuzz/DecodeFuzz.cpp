// The decoder: an image that does not decode leaves the setup as it was. One that decodes comes
// back from the encoder with the same bytes in every field whose codes the decoder understood,
// but for the normalisations of the format: the gaps become 0xFF, bit 4 of a flag byte 0, a
// credit switch other than "1" becomes "0", and a text's 0xFF bytes move behind its characters.
#include <algorithm>
#include <cstdint>

#include "config/Codec.h"
#include "fuzz/Check.h"

using namespace kdx;
using namespace kdx::layout;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ConfigBuffer image(data, data + size);
    SetupModel setup = StartSetup();
    setup.commandTable[1] = CommandRow{"X", "RELE2", "ZMENA", "7", "ANO"};  // a cell to keep
    const SetupModel before = setup;
    if (!DecodeBuffer(image, setup)) {
        Check(setup == before, "an image that does not decode leaves the setup as it was");
        return 0;
    }
    const ConfigBuffer encoded = EncodeSetup(setup);
    Check(encoded.size() == kBufferSize, "encodes to 1024 bytes");

    ConfigBuffer expected(image.begin(), image.begin() + kBufferSize);
    auto text = [&](std::size_t offset, std::size_t width) {
        std::stable_partition(expected.begin() + static_cast<std::ptrdiff_t>(offset),
                              expected.begin() + static_cast<std::ptrdiff_t>(offset + width),
                              [](std::uint8_t byte) { return byte != kFill; });
    };
    auto fill = [&](std::size_t offset, std::size_t count) {
        std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(offset), count, kFill);
    };
    for (std::size_t r = 0; r < kCommandRows; ++r) text(kSmsTextOffset + kSmsTextWidth * r, 32);
    expected[kCreditKeepAliveOffset] = image[kCreditKeepAliveOffset] == kCreditKeepAliveOn
                                           ? kCreditKeepAliveOn
                                           : kCreditKeepAliveOff;
    fill(kGap1Offset, kGap1Size);
    for (std::size_t r = 0; r < kCommandRows; ++r) {
        const std::size_t record = kRecordOffset + kRecordSize * r;
        // A code outside the tables left the cell as it was; what that encodes to is not ours.
        if (!OutputWord(image[record])) expected[record] = encoded[record];
        if (!ActionWord(image[record], image[record + 1]))
            expected[record + 1] = encoded[record + 1];
    }
    text(kCreditCodeOffset, kCreditCodeWidth);
    fill(kGap2Offset, kGap2Size);
    for (std::size_t i = 0; i < kPhoneEntries; ++i) {
        text(kNumberOffset + kNumberWidth * i, kNumberWidth);
        expected[kFlagsOffset + i] &= static_cast<std::uint8_t>(~kFlagBit4);
    }
    fill(kGap3Offset, kGap3Size);
    for (std::size_t k = 0; k < kMessageTexts; ++k) text(kTextOffset + kTextWidth * k, kTextWidth);
    Check(encoded == expected, "decoding and encoding keeps every byte it understood");
    return 0;
}
