#include "cli/ImageFile.h"

#include <QFile>
#include <QSaveFile>

#include "cli/SetupJson.h"
#include "config/BufferText.h"
#include "config/Codec.h"

namespace kdx {

std::optional<ImageFormat> KnownFormat(const QString& path, QString& error) {
    if (path.endsWith(".bin", Qt::CaseInsensitive)) return ImageFormat::Bin;
    if (path.endsWith(".txt", Qt::CaseInsensitive)) return ImageFormat::Txt;
    if (path.endsWith(".json", Qt::CaseInsensitive)) return ImageFormat::Json;
    error = path + ": neznámý formát (použijte .bin, .txt nebo .json)";
    return std::nullopt;
}

std::optional<ConfigBuffer> LoadImage(const QString& path, QString& error) {
    const auto format = KnownFormat(path, error);
    if (!format) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + ": " + file.errorString();
        return std::nullopt;
    }
    const QByteArray content = file.readAll();
    auto fail = [&](const QString& why) -> std::optional<ConfigBuffer> {
        error = path + ": " + why;
        return std::nullopt;
    };
    switch (*format) {
        case ImageFormat::Bin:
            if (static_cast<std::size_t>(content.size()) != layout::kBufferSize) {
                return fail(QString("soubor má %1 bajtů místo %2")
                                .arg(content.size())
                                .arg(layout::kBufferSize));
            }
            return ConfigBuffer(content.begin(), content.end());
        case ImageFormat::Txt: {
            ConfigBuffer image;
            if (const auto problem = TextToBuffer(content.toStdString(), image)) {
                return fail(QString::fromStdString(*problem));
            }
            return image;
        }
        case ImageFormat::Json: {
            QString why;
            const auto setup = SetupFromJson(content, why);
            if (!setup) return fail(why);
            return EncodeSetup(*setup);
        }
    }
    return std::nullopt;
}

bool SaveImage(const QString& path, const ConfigBuffer& image, QString& error) {
    const auto format = KnownFormat(path, error);
    if (!format) return false;
    QByteArray content;
    switch (*format) {
        case ImageFormat::Bin:
            content =
                QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
            break;
        case ImageFormat::Txt:
            content = QByteArray::fromStdString(BufferToText(image));
            break;
        case ImageFormat::Json: {
            SetupModel setup;
            setup.outputDefaults = kOutputsComposedBase;
            if (!DecodeBuffer(image, setup)) {
                error =
                    path +
                    ": obraz paměti nelze dekódovat (nikdy nezapsaný modul?), uložte jej jako .bin";
                return false;
            }
            content = SetupToJson(setup);
            break;
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        error = path + ": " + file.errorString();
        return false;
    }
    return true;
}

}  // namespace kdx
