#include "cli/projectcommands.h"

#include "cli/clierror.h"
#include "cli/terminaltext.h"
#include "core/sonnet/numberformat.h"
#include "core/sonnet/projectdocument.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"
#include "core/template/templatecheck.h"

#include <QFileInfo>

using namespace torvane;

namespace {
QString quoted(const QString &path)
{
    return QLatin1Char('\'') + path + QLatin1Char('\'');
}

void printDielectricLayers(QTextStream &out, const GeometryBlock &geometry)
{
    out << "Dielectric layers (" << geometry.dielectricLayers.size() << "), top to bottom:\n";
    for (qsizetype i = 0; i < geometry.dielectricLayers.size(); ++i) {
        const DielectricLayer &layer = geometry.dielectricLayers[i];
        out << "  " << i << "  \"" << visibleText(layer.name) << "\"  thickness "
            << formatReal(layer.thickness) << "  Erel " << formatReal(layer.relativePermittivity)
            << "  loss tan " << formatReal(layer.dielectricLossTangent) << "  cond "
            << formatReal(layer.dielectricConductivity) << "  Mrel "
            << formatReal(layer.relativePermeability) << '\n';
    }
}

void printMetalTypes(QTextStream &out, const GeometryBlock &geometry)
{
    out << "Metal types (" << geometry.metalTypes.size() << "):\n";
    for (qsizetype i = 0; i < geometry.metalTypes.size(); ++i) {
        const MetalType &metal = geometry.metalTypes[i];
        out << "  " << i << "  \"" << visibleText(metal.name) << "\"  "
            << visibleText(metal.model + metal.parameters) << '\n';
    }
}

void printMetalLevels(QTextStream &out, const ProjectDocument &document)
{
    QStringList metals;
    QStringList roles;
    readLayerSetup(document, metals, roles);
    out << "Metal levels (" << metals.size() << "):\n";
    for (qsizetype i = 0; i < metals.size(); ++i) {
        const bool known =
            metals[i] == defaultLevelMetal || document.geometry.metalTypeIndex(metals[i]) >= 0;
        out << "  " << i << "  " << visibleText(metals[i]) << "  " << visibleText(roles[i])
            << (known ? "" : "  (metal type not defined in this file)") << '\n';
    }
}
} // namespace

namespace {
enum class Use
{
    Template,
    Project // read or written as it is: a netlist project, without geometry, will do
};

ProjectDocument loadOrThrow(const QString &path, Use use)
{
    if (path.isEmpty())
        return builtInTemplate();
    ProjectDocument document;
    QString reason;
    if (loadProject(path, document, &reason) != 0)
        throw CliError(QStringLiteral("cannot read %1: %2.").arg(quoted(path), reason));
    if (use == Use::Project && document.isNetlistProject())
        return document;
    if (const auto defect = templateDefect(document))
        throw CliError(QStringLiteral("cannot read %1: %2.").arg(quoted(path), *defect));
    return document;
}
} // namespace

ProjectDocument loadTemplateOrThrow(const QString &path)
{
    return loadOrThrow(path, Use::Template);
}

namespace {
void checkNotEmpty(const QString &path, const char *what)
{
    if (path.isEmpty())
        throw CliError(QStringLiteral("the %1 file name is empty.").arg(QLatin1String(what)));
}
} // namespace

int runRewrite(const QStringList &arguments, QTextStream &out)
{
    if (arguments.size() != 2)
        throw CliError(QStringLiteral("rewrite needs an input and an output file."));
    checkNotEmpty(arguments[0], "input");
    checkNotEmpty(arguments[1], "output");
    ProjectDocument document = loadOrThrow(arguments[0], Use::Project);
    QString reason;
    if (saveProject(arguments[1], std::move(document), &reason) != 0)
        throw CliError(QStringLiteral("cannot write %1: %2.").arg(quoted(arguments[1]), reason));
    out << "Wrote " << arguments[1] << '\n';
    return 0;
}

int runInfo(const QStringList &arguments, QTextStream &out)
{
    if (arguments.size() > 1)
        throw CliError(QStringLiteral("info takes at most one file."));
    if (!arguments.isEmpty())
        checkNotEmpty(arguments[0], "input");
    const QString path = arguments.value(0);
    const ProjectDocument document = loadOrThrow(path, Use::Project);
    const GeometryBlock &geometry = document.geometry;
    const DimensionBlock &units = document.dimension;

    out << "Template: "
        << (path.isEmpty() ? QStringLiteral("built-in (%1)").arg(builtInTemplateFileName())
                           : visibleText(QFileInfo(path).absoluteFilePath()))
        << '\n';
    out << "Units: length " << visibleText(units.lengthUnit) << ", inductance "
        << visibleText(units.inductanceUnit) << ", frequency " << visibleText(units.frequencyUnit)
        << '\n';
    if (document.isNetlistProject()) {
        out << "Geometry: none (a netlist project, which cannot serve as a template)\n";
        return 0;
    }
    out << "Box: " << formatReal(geometry.box.xWidth) << " x " << formatReal(geometry.box.yWidth)
        << ' ' << visibleText(units.lengthUnit) << ", cells "
        << formatReal(geometry.box.cellSizeX()) << " x " << formatReal(geometry.box.cellSizeY())
        << ' ' << visibleText(units.lengthUnit) << '\n';
    printDielectricLayers(out, geometry);
    printMetalTypes(out, geometry);
    printMetalLevels(out, document);
    out << "Geometry: " << geometry.polygons.size() << " polygons, " << geometry.ports.size()
        << " ports, " << geometry.referencePlanes.size() << " reference planes\n";
    return 0;
}
