#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <functional>

#include "files/ImageFile.h"
#include "files/SetupJson.h"

namespace kdx::test {

// The start setup as a whole .json, as `change` leaves it.
inline QByteArray WholeJson(const std::function<void(QJsonObject& root)>& change) {
    QJsonObject root = QJsonDocument::fromJson(SetupToJson(StartSetup())).object();
    change(root);
    return QJsonDocument(root).toJson();
}

// Changes command row `row` (counted from 1, as the messages count) of such a file.
inline void ChangeCommand(QJsonObject& root, int row,
                          const std::function<void(QJsonObject& command)>& change) {
    QJsonArray commands = root["commands"].toArray();
    QJsonObject command = commands[row - 1].toObject();
    change(command);
    commands[row - 1] = command;
    root["commands"] = commands;
}

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
