#include "core/batch/csvwriter.h"

#include "core/files/checkedsavefile.h"

QString csvField(const QString &text)
{
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                        text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '));
    if (!quoted)
        return text;
    QString escaped = text;
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

int CsvWriter::save(const QString &fileName, QString *errorText) const
{
    return writeWholeFile(fileName, m_data, errorText);
}
