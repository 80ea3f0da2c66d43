#pragma once

#include "core/design/result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace torvane {

// Comma-separated values as spreadsheets and csv readers take them: a field holding a comma,
// a double quote, a line break or a leading or trailing blank is quoted, its quotes doubled;
// one that a spreadsheet would run as a formula (=, +, -, @ first, and not a number) gets a
// leading apostrophe inside its quotes;
// records end in CR LF; the text is UTF-8.
QString csvField(const QString &text);
QByteArray csvRecord(const QStringList &fields);

// Collects records and writes them in one piece, so that a reader never sees half a file.
class CsvWriter
{
public:
    void addRecord(const QStringList &fields);
    const QByteArray &data() const { return m_data; }
    // Through a temporary file in the same folder; a failure carries the reason.
    torvane::Status save(const QString &fileName) const;

private:
    QByteArray m_data;
};

} // namespace torvane
