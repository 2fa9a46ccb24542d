#include "cli/Commands.h"

#include "cli/ImageFile.h"
#include "cli/MemoryFields.h"
#include "cli/ShowSetup.h"
#include "config/Codec.h"

namespace kdx {
namespace {

std::optional<ConfigBuffer> Load(const QString& file, QTextStream& err) {
    QString error;
    auto image = LoadImage(file, error);
    if (!image) err << "kdx17: " << error << "\n";
    return image;
}

int Save(const QString& file, const ConfigBuffer& image, QTextStream& err) {
    QString error;
    if (SaveImage(file, image, error)) return kExitOk;
    err << "kdx17: " << error << "\n";
    return kExitBadUsage;
}

}  // namespace

int ShowCommand(const QString& file, QTextStream& out, QTextStream& err) {
    const auto image = Load(file, err);
    if (!image) return kExitBadUsage;
    SetupModel setup;
    setup.outputDefaults = kOutputsComposedBase;
    if (!DecodeBuffer(*image, setup)) {
        const DecodeProblem problem = *CheckBuffer(*image);
        err << "kdx17: " << file << ": obraz nelze dekódovat, bajt " << problem.offset
            << " není číslice (nikdy nezapsaný modul?)\n";
        return kExitBadUsage;
    }
    out << ShowSetup(setup);
    return kExitOk;
}

int DiffCommand(const QString& first, const QString& second, QTextStream& out, QTextStream& err) {
    const auto a = Load(first, err);
    const auto b = a ? Load(second, err) : std::nullopt;
    if (!b) return kExitBadUsage;
    const auto fields = DifferingFields(*a, *b);
    for (const MemoryField& field : fields) {
        out << QString::fromStdString(field.name) << ": "
            << QString::fromStdString(DescribeField(field, *a)) << " -> "
            << QString::fromStdString(DescribeField(field, *b)) << "\n";
    }
    if (fields.empty()) out << "obrazy jsou shodné\n";
    return kExitOk;
}

int ConvertCommand(const QString& in, const QString& outFile, QTextStream& err) {
    const auto image = Load(in, err);
    return image ? Save(outFile, *image, err) : kExitBadUsage;
}

int DefaultsCommand(const QString& outFile, QTextStream& err) {
    // As the window starts: the panel composes the outputs, all off.
    SetupModel setup;
    setup.outputDefaults = kOutputsComposedBase;
    return Save(outFile, EncodeSetup(setup), err);
}

}  // namespace kdx
