#pragma once

#include "core/spiral/spiralparameters.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QStringList>

// The field-solver references beside the project: CSV tables with a header line, one row per
// case (or per frequency of a case), lengths in um.
inline QDir referenceDir()
{
    return QDir(QStringLiteral(TORVANE_INDUCTANCE_DIR));
}

struct ReferenceTable
{
    QStringList header;
    QList<QStringList> rows; // only those as wide as the header

    double number(const QStringList &row, const char *column) const
    {
        return row.value(header.indexOf(QLatin1String(column))).toDouble();
    }
    QString text(const QStringList &row, const char *column) const
    {
        return row.value(header.indexOf(QLatin1String(column)));
    }

    // Without a bridge width column the bridge is as wide as the winding.
    torvane::SpiralParameters spiral(const QStringList &row) const
    {
        const QStringList shapes{"round", "nsided", "diffround", "diffnsided"};
        torvane::SpiralParameters p;
        p.shape = torvane::SpiralShape(std::max<qsizetype>(0, shapes.indexOf(text(row, "shape"))));
        p.sides = static_cast<int>(number(row, "sides"));
        p.turns = number(row, "turns");
        p.radius = number(row, "radius_um");
        p.spiralWidth = number(row, "width_um");
        p.spacing = number(row, "spacing_um");
        p.bridgeWidth = header.contains(QLatin1String("bridge_width_um"))
                            ? number(row, "bridge_width_um")
                            : p.spiralWidth;
        return p;
    }
};

// Empty when the file cannot be read.
inline ReferenceTable readReferenceTable(const QString &fileName)
{
    ReferenceTable table;
    QFile csv(referenceDir().filePath(fileName));
    if (!csv.open(QIODevice::ReadOnly | QIODevice::Text))
        return table;
    table.header = QString::fromLatin1(csv.readLine()).trimmed().split(',');
    while (!csv.atEnd()) {
        const QStringList row = QString::fromLatin1(csv.readLine()).trimmed().split(',');
        if (row.size() == table.header.size())
            table.rows.append(row);
    }
    return table;
}
