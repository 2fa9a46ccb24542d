// The setup file reader: whatever it accepts encodes to the module's 1024 bytes, and writing the
// setup out and reading it again gives the same setup.
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "config/Codec.h"
#include "files/SetupJson.h"
#include "fuzz/Check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const auto setup = kdx::SetupFromJson(text, error);
    if (!setup) {
        Check(!error.isEmpty(), "a refusal says why");
        return 0;
    }
    Check(kdx::EncodeSetup(*setup).size() == kdx::layout::kBufferSize, "encodes to 1024 bytes");
    const auto again = kdx::SetupFromJson(kdx::SetupToJson(*setup), error);
    Check(again && *again == *setup, "the written file reads back the same setup");
    return 0;
}
