#pragma once

#include "core/design/result.h"

#include <QFile>
#include <QString>

namespace torvane {

// Opens `fileName` for reading only when it is a regular file (or a link to one). A folder,
// FIFO or device is refused before it is opened, and the open itself cannot block, so
// /dev/zero cannot be read until memory runs out and a FIFO cannot hang the caller.
// A failure carries the reason.
torvane::Status openRegularFile(const QString &fileName, QFile &file);

// Whether `fileName` may be written: an existing regular file (or a link to one) or a new name
// in an existing folder. A device, FIFO, socket, folder or link to nothing is refused, so that a
// save never replaces /dev/null or a pipe with a file of its own, and so is this process's
// standard input, output or error however it is named (/dev/stdout, "-"): they are streams, not
// files to replace. A refusal carries the reason.
torvane::Status checkOutputFile(const QString &fileName);

} // namespace torvane
