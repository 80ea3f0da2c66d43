#include "core/design/technology.h"

#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"
#include "core/template/lengthconversion.h"
#include "core/template/units.h"

namespace torvane {

QString roleName(LevelRole role)
{
    switch (role) {
    case LevelRole::Spiral:
        return roleSpiral;
    case LevelRole::Bridge:
        return roleBridge;
    case LevelRole::None:
        break;
    }
    return roleNone;
}

std::optional<LevelRole> roleFromName(const QString &name)
{
    if (name == roleSpiral)
        return LevelRole::Spiral;
    if (name == roleBridge)
        return LevelRole::Bridge;
    if (name == roleNone)
        return LevelRole::None;
    return std::nullopt;
}

Technology Technology::fromTemplate(ProjectDocument document)
{
    Technology t;
    readLayerSetup(document, t.metals, t.roles);
    t.dropped = document.geometry.clearGeometry();
    t.technology = std::move(document);
    return t;
}

Technology Technology::builtIn()
{
    Technology t = fromTemplate(torvane::builtInTemplate());
    t.builtInTemplate = true;
    return t;
}

LevelRole Technology::role(int level) const
{
    return roleFromName(roles.value(level)).value_or(LevelRole::None);
}

bool Technology::hasRole(LevelRole wanted) const
{
    return roles.contains(roleName(wanted));
}

namespace {
Status checkedLevelList(QStringList &list, const QStringList &given, const QString &defaultEntry,
                        const char *what)
{
    if (given.size() > list.size())
        return failure(QStringLiteral("%1 %2 are given, but the template has %3 metal level%4.")
                           .arg(given.size())
                           .arg(QLatin1String(what))
                           .arg(list.size())
                           .arg(list.size() == 1 ? QString() : QStringLiteral("s")));
    for (qsizetype i = 0; i < list.size(); ++i)
        list[i] = i < given.size() ? given[i] : defaultEntry;
    return {};
}
} // namespace

Status Technology::setMetals(const QStringList &levelMetals)
{
    for (const QString &name : levelMetals) {
        if (name != defaultLevelMetal && technology.geometry.metalTypeIndex(name) < 0) {
            QStringList known{defaultLevelMetal};
            for (const MetalType &metal : technology.geometry.metalTypes)
                known.append(metal.name);
            return failure(QStringLiteral("'%1' is not a metal type of the template (choose from "
                                          "%2).")
                               .arg(name, known.join(QStringLiteral(", "))));
        }
    }
    return checkedLevelList(metals, levelMetals, defaultLevelMetal, "metals");
}

Status Technology::setRoles(const QStringList &levelRoles)
{
    return checkedLevelList(roles, levelRoles, roleNone, "roles");
}

Status Technology::setLengthUnit(const QString &unit)
{
    DimensionBlock &units = technology.dimension;
    const double from = MetresPerLengthUnit(units.lengthUnit);
    if (from > 0 && from == MetresPerLengthUnit(unit)) {
        units.setLengthUnit(unit);
        return {};
    }
    if (const Status converted = convertLengthUnit(technology, unit); !converted)
        return failure(converted.error() + QLatin1Char('.'));
    return {};
}

void Technology::setInductanceUnit(const QString &unit)
{
    technology.dimension.setInductanceUnit(unit);
}

} // namespace torvane
