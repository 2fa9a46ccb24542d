#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "files/ImageFile.h"

namespace kdx::test {

// A fresh folder for one test's files, removed with it.
struct TempFiles {
    QString Path(const QString& name) const { return dir.filePath(name); }

    void WriteFile(const QString& name, const QByteArray& content) const {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    void MustSave(const QString& name, const ConfigBuffer& image) const {
        FileError error;
        ASSERT_TRUE(SaveImage(Path(name), image, error)) << error.message.toStdString();
    }

    ConfigBuffer MustLoad(const QString& name) const {
        FileError error;
        const auto image = LoadImage(Path(name), error);
        EXPECT_TRUE(image.has_value()) << error.message.toStdString();
        return image.value_or(ConfigBuffer{});
    }

    QTemporaryDir dir;
};

}  // namespace kdx::test
