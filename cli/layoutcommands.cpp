#include "cli/layoutcommands.h"

#include "cli/clierror.h"
#include "cli/projectcommands.h"
#include "core/export/gdsstream.h"
#include "core/files/checkedsavefile.h"
#include "core/template/layerroles.h"

#include <QFileInfo>

using namespace torvane;

namespace {
const char layerMapHelp[] =
    "  --layer-map MAP         GDSII layers by role, level or via level pair, such as\n"
    "                          spiral=134/0,bridge=133/0,L2=7/0,via:0-1=125/0; a level's own\n"
    "                          entry wins over its role's. Default: metal level N on layer N,\n"
    "                          a via from level A to B on layer 100 + min(A, B), datatype 0\n"
    "                          (a via to the ground plane: B is GND, as in via:0-GND);\n"
    "                          layers and datatypes reach 65535.\n";
const char databaseUnitHelp[] =
    "  --dbu SIZE              GDSII database unit, such as 1nm (default), 0.5nm or 0.001um;\n"
    "                          a bare number is in um. Coordinates are rounded to it.\n";
const char cellHelp[] =
    "  --cell NAME             structure name (default: the project's base name, with\n"
    "                          characters other than A-Z a-z 0-9 _ ? $ replaced by _).\n";
const char originHelp[] =
    "  --origin centre|box     origin at the box centre, where the spiral is centred\n"
    "                          (default), or at the box's lower-left corner; y points up.\n";

const OptionTable &layoutOptionTable()
{
    // Files named "-x" stay files, as they always were here.
    static const OptionTable table{
        {CliOption::valued("layer-map", layerMapHelp), CliOption::valued("dbu", databaseUnitHelp),
         CliOption::valued("cell", cellHelp), CliOption::valued("origin", originHelp)},
        false,
        true};
    return table;
}
} // namespace

const QList<CliOption> &layoutOptions()
{
    return layoutOptionTable().options;
}

QString layoutOptionsHelp()
{
    return QStringLiteral("Layout options (export, and create with --gds):\n") +
           layoutOptionTable().help() +
           QStringLiteral(
               "  DXF files get one layer per metal level (LEVEL0, LEVEL1, ...) and per via level\n"
               "  pair (VIA0-1, ...), closed polylines in the project's length unit.\n");
}

namespace {
QString quoted(const QString &path)
{
    return QLatin1Char('\'') + path + QLatin1Char('\'');
}

QString originText(LayoutOrigin origin)
{
    return origin == LayoutOrigin::BoxCorner ? QStringLiteral("the box's lower-left corner")
                                             : QStringLiteral("the box centre");
}

QString counted(qsizetype count, const char *noun)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(QLatin1String(noun), count == 1 ? "" : "s");
}
} // namespace

const QStringList &layoutOptionNames()
{
    static const QStringList names = [] {
        QStringList names;
        for (const CliOption &option : layoutOptions())
            names.append(option.names.first());
        return names;
    }();
    return names;
}

LayoutExportOptions parseLayoutOptions(const ParsedOptions &values)
{
    LayoutExportOptions options;
    if (values.contains(QStringLiteral("layer-map"))) {
        const auto map = LayerMap::parse(values.value(QStringLiteral("layer-map")));
        if (!map)
            throw CliError(QStringLiteral("--layer-map: ") + map.error());
        options.layerMap = *map;
    }
    if (values.contains(QStringLiteral("dbu"))) {
        const auto unit = parseDatabaseUnit(values.value(QStringLiteral("dbu")));
        if (!unit)
            throw CliError(QStringLiteral("--dbu: ") + unit.error());
        options.databaseUnit = *unit;
    }
    if (values.contains(QStringLiteral("cell"))) {
        options.cellName = values.value(QStringLiteral("cell"));
        if (!isValidCellName(options.cellName))
            throw CliError(QStringLiteral("--cell: '%1' is not a name GDSII allows: 1 to 32 of "
                                          "A-Z, a-z, 0-9, _, ? and $.")
                               .arg(options.cellName));
    }
    if (values.contains(QStringLiteral("origin"))) {
        const auto origin = parseLayoutOrigin(values.value(QStringLiteral("origin")));
        if (!origin)
            throw CliError(QStringLiteral("--origin must be centre or box, not '%1'.")
                               .arg(values.value(QStringLiteral("origin"))));
        options.origin = *origin;
    }
    return options;
}

void checkLayoutPath(const QString &flag, const QString &path)
{
    const QString prefix = flag.isEmpty() ? QString() : flag + QStringLiteral(": ");
    if (!layoutFormatFor(path))
        throw CliError(QStringLiteral("%1%2 must end in .gds or .dxf.").arg(prefix, quoted(path)));
    // Checked before anything is written, so a project is not left without its layout.
    if (const QFileInfo folder(QFileInfo(path).absolutePath()); !folder.isDir())
        throw CliError(
            QStringLiteral("%1the folder of %2 does not exist.").arg(prefix, quoted(path)));
}

namespace {
QString exportFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("cannot export %1: %2").arg(quoted(path), reason);
}
} // namespace

LayoutExportSummary prepareLayout(CheckedSaveFile &file, const ProjectDocument &document,
                                  const QStringList &levelRoles, const LayoutExportOptions &options)
{
    const torvane::Result<LayoutExportSummary> summary =
        prepareLayoutFile(file, document, levelRoles, options);
    if (!summary)
        throw CliError(exportFailure(file.fileName(), summary.error()));
    return *summary;
}

void writeLayoutFile(const QString &path, const ProjectDocument &document,
                     const QStringList &levelRoles, const LayoutExportOptions &options,
                     QTextStream &out)
{
    const torvane::Result<LayoutExportSummary> summary =
        exportLayout(path, document, levelRoles, options);
    if (!summary)
        throw CliError(exportFailure(path, summary.error()));
    printLayoutWritten(out, path, options, *summary);
}

void printLayoutWritten(QTextStream &out, const QString &path, const LayoutExportOptions &options,
                        const LayoutExportSummary &summary)
{
    out << "Layout written to " << path << " (" << layoutFormatName(summary.format);
    if (summary.format == LayoutFormat::Gdsii)
        out << ", cell " << summary.cellName << ", database unit "
            << databaseUnitText(options.databaseUnit);
    out << ", " << summary.polygons << " polygons, origin at " << originText(options.origin)
        << ")\n";
    if (summary.splitPolygons > 0)
        out << "  " << counted(summary.splitPolygons, "polygon") << " of more than "
            << maxBoundaryPoints << " points cut into "
            << summary.records - summary.polygons + summary.splitPolygons
            << " pieces, as GDSII boundaries hold no more.\n";
    if (summary.bricks > 0)
        out << "  " << counted(summary.bricks, "dielectric brick")
            << " left out: bricks are not layout.\n";
}

int runExport(const QStringList &arguments, QTextStream &out)
{
    const ParsedOptions values = parseOptions(arguments, layoutOptionTable());
    const QStringList &files = values.positionals;
    if (files.size() != 2)
        throw CliError(QStringLiteral("export needs an input project and an output file "
                                      "(.gds or .dxf)."));
    for (int k = 0; k < 2; ++k) {
        if (files[k].isEmpty())
            throw CliError(QStringLiteral("the %1 file name is empty.")
                               .arg(QLatin1String(k == 0 ? "input" : "output")));
    }
    checkLayoutPath(QString(), files[1]);
    LayoutExportOptions options = parseLayoutOptions(values);
    if (options.cellName.isEmpty())
        options.cellName = cellNameFor(files[0]);
    const ProjectDocument document = loadTemplateOrThrow(files[0]);
    QStringList metals;
    QStringList roles;
    readLayerSetup(document, metals, roles);
    writeLayoutFile(files[1], document, roles, options, out);
    return 0;
}
