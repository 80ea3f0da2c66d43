#include "core/batch/csvwriter.h"

#include "core/files/checkedsavefile.h"

namespace torvane {

namespace {
// A spreadsheet runs a cell that starts like a formula, quoted or not; numbers are let be.
bool startsLikeFormula(const QString &text)
{
    static const QString starts = QStringLiteral("=+-@\t\r");
    if (text.isEmpty() || !starts.contains(text.front()))
        return false;
    bool number = false;
    text.toDouble(&number);
    return !number;
}
} // namespace

QString csvField(const QString &text)
{
    const bool formula = startsLikeFormula(text);
    const bool quoted = formula || text.contains(QLatin1Char(',')) ||
                        text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\n')) ||
                        text.contains(QLatin1Char('\r')) || text.startsWith(QLatin1Char(' ')) ||
                        text.endsWith(QLatin1Char(' '));
    if (!quoted)
        return text;
    // The leading apostrophe makes a spreadsheet take the cell as text.
    QString escaped = formula ? QLatin1Char('\'') + text : text;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QByteArray csvRecord(const QStringList &fields)
{
    QStringList escaped;
    escaped.reserve(fields.size());
    for (const QString &field : fields)
        escaped.append(csvField(field));
    return escaped.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

void CsvWriter::addRecord(const QStringList &fields)
{
    m_data += csvRecord(fields);
}

torvane::Status CsvWriter::save(const QString &fileName) const
{
    return writeWholeFile(fileName, m_data);
}

} // namespace torvane
