#pragma once

#include <QString>
#include <QTextStream>

namespace kdx {

struct LinkOptions {
    QString port;       // a port number 1 to 6 or a device path
    QString traceFile;  // empty: no trace
    bool verify = false;
    bool raw = false;  // write: the image as it is, without opening it as a setup
};

// The commands that talk to the module. Each prints the window's log messages as its results.
int TestCommand(const LinkOptions& options, QTextStream& out, QTextStream& err);
int ReadCommand(const LinkOptions& options, const QString& file, QTextStream& out,
                QTextStream& err);
int WriteCommand(const LinkOptions& options, const QString& file, QTextStream& out,
                 QTextStream& err);

}  // namespace kdx
