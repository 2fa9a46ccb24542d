#include "cli/Commands.h"

#include "cli/SetupTables.h"
#include "config/Codec.h"
#include "config/MemoryFields.h"
#include "config/SetupCheck.h"
#include "files/ImageFile.h"
#include "sheet/SetupSheet.h"
#include "state/Module10.h"

namespace kdx {
namespace {

std::optional<ImageFile> Load(const QString& file, QTextStream& err) {
    FileError error;
    auto loaded = LoadImageFile(file, error);
    if (!loaded) err << "kdx17: " << error.message << "\n";
    return loaded;
}

// The setup a file holds, as the window opens it; a message when it holds none.
std::optional<SetupModel> ShownSetup(const QString& file, QTextStream& err) {
    Module10 state;
    FileError error;
    if (!state.OpenFile(file, error)) {
        err << "kdx17: " << error.message << "\n";
        return std::nullopt;
    }
    return state.Setup();
}

}  // namespace

int PrintFindings(const SetupModel& setup, QTextStream& to) {
    const auto findings = CheckSetup(setup);
    for (const Finding& finding : findings) {
        to << Visible(QString::fromStdString(FindingLine(finding))) << "\n";
    }
    return static_cast<int>(findings.size());
}

int Saved(bool saved, const FileError& error, QTextStream& err) {
    if (!saved) {
        err << "kdx17: " << error.message << "\n";
        return kExitBadUsage;
    }
    if (!error.warning.isEmpty()) err << "kdx17: varování: " << error.warning << "\n";
    return kExitOk;
}

int ShowCommand(const QString& file, QTextStream& out, QTextStream& err) {
    const auto setup = ShownSetup(file, err);
    if (!setup) return kExitBadUsage;
    out << SetupAsTables(*setup);
    return kExitOk;
}

int DiffCommand(const QString& first, const QString& second, QTextStream& out, QTextStream& err) {
    const auto a = Load(first, err);
    const auto b = a ? Load(second, err) : std::nullopt;
    if (!b) return kExitBadUsage;
    const auto fields = DifferingFields(a->image, b->image);
    auto describe = [](const MemoryField& field, const ImageFile& file) {
        return Visible(QString::fromStdString(
            DescribeField(field, file.image, file.setup ? &*file.setup : nullptr)));
    };
    for (const MemoryField& field : fields) {
        out << QString::fromStdString(field.name) << ": " << describe(field, *a) << " -> "
            << describe(field, *b) << "\n";
    }
    if (fields.empty()) out << "obrazy jsou shodné\n";
    return fields.empty() ? kExitOk : kExitDiffer;
}

int ConvertCommand(const QString& in, const QString& outFile, QTextStream& err) {
    const auto loaded = Load(in, err);
    if (!loaded) return kExitBadUsage;
    FileError error;
    // A .json's own words go on to another .json; the image would name some of them otherwise.
    return Saved(loaded->setup ? SaveSetup(outFile, *loaded->setup, error)
                               : SaveImage(outFile, loaded->image, error),
                 error, err);
}

int CheckCommand(const QString& file, QTextStream& out, QTextStream& err) {
    const auto setup = ShownSetup(file, err);
    if (!setup) return kExitBadUsage;
    return PrintFindings(*setup, out) == 0 ? kExitOk : kExitFindings;
}

int DefaultsCommand(const QString& outFile, QTextStream& err) {
    FileError error;
    return Saved(SaveSetup(outFile, StartSetup(), error), error, err);
}

int SheetCommand(const QString& file, const QString& pdfFile, QTextStream& err) {
    // A slip of the arguments must not put a PDF over a setup file.
    if (!pdfFile.endsWith(".pdf", Qt::CaseInsensitive)) {
        err << "kdx17: " << Visible(pdfFile) << ": přehled se ukládá jen do souboru .pdf\n";
        return kExitBadUsage;
    }
    const auto setup = ShownSetup(file, err);
    if (!setup) return kExitBadUsage;
    FileError error;
    return Saved(SetupSheet(*setup).SavePdf(pdfFile, error), error, err);
}

}  // namespace kdx
