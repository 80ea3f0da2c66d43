#pragma once

#include <QFile>
#include <QString>

// Opens `fileName` for reading only when it is a regular file (or a link to one). A folder,
// FIFO or device is refused before it is opened, and the open itself cannot block, so
// /dev/zero cannot be read until memory runs out and a FIFO cannot hang the caller.
// On failure `errorText`, when given, receives the reason.
bool openRegularFile(const QString &fileName, QFile &file, QString *errorText = nullptr);
