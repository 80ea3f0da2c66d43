#include "core/inductance/metalloss.h"

#include "core/template/layerroles.h"

#include <cmath>
#include <limits>
#include <optional>

namespace torvane {

namespace {
MetalLoss invalid(const QString &problem)
{
    return {MetalLoss::Kind::Invalid, {}, problem};
}

QString quoted(const QString &name)
{
    return QStringLiteral("\"%1\"").arg(name);
}

// The words after the model, as numbers; INF is infinite.
std::optional<std::vector<double>> numbers(const QString &parameters)
{
    std::vector<double> values;
    for (const QString &word : parameters.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (word.compare(QLatin1String("INF"), Qt::CaseInsensitive) == 0) {
            values.push_back(std::numeric_limits<double>::infinity());
            continue;
        }
        bool ok = false;
        const double value = word.toDouble(&ok);
        if (!ok || std::isnan(value))
            return std::nullopt;
        values.push_back(value);
    }
    return values;
}

MetalLoss bulk(const MetalType &metal, const std::vector<double> &values)
{
    const QString name = quoted(metal.name);
    if (values.size() < 3)
        return invalid(QStringLiteral("Metal type %1 (%2) needs a conductivity, a current ratio "
                                      "and a thickness.")
                           .arg(name, metal.model));
    const double conductivity = values[0];
    const double thickness = values[2];
    if (!(conductivity > 0))
        return invalid(QStringLiteral("Metal type %1 has a conductivity of %2 S/m; it must be "
                                      "larger than 0.")
                           .arg(name)
                           .arg(conductivity));
    if (!(thickness > 0) || std::isinf(thickness))
        return invalid(QStringLiteral("Metal type %1 has a thickness of %2; it must be larger "
                                      "than 0.")
                           .arg(name)
                           .arg(thickness));
    PieceMaterial material;
    material.thickness = thickness;
    material.conductivity = conductivity;
    return {
        std::isinf(conductivity) ? MetalLoss::Kind::Lossless : MetalLoss::Kind::Bulk, material, {}};
}

MetalLoss sheet(const MetalType &metal, const std::vector<double> &values, bool resistor)
{
    const QString name = quoted(metal.name);
    const size_t needed = resistor ? 1 : 4;
    if (values.size() < needed)
        return invalid(resistor ? QStringLiteral("Metal type %1 (RES) needs a resistance per "
                                                 "square.")
                                      .arg(name)
                                : QStringLiteral("Metal type %1 (SUP) needs Rdc, Rrf, Xdc and "
                                                 "Ls.")
                                      .arg(name));
    for (size_t i = 0; i < needed; ++i) {
        if (!std::isfinite(values[i]) || values[i] < 0)
            return invalid(QStringLiteral("Metal type %1 has a sheet value of %2; it must be 0 "
                                          "or larger.")
                               .arg(name)
                               .arg(values[i]));
    }
    PieceMaterial material;
    material.sheetResistance = values[0];
    if (!resistor) {
        material.skinCoefficient = values[1];
        material.sheetReactance = values[2];
        material.sheetInductance = values[3] * 1e-12;
    }
    const bool lossless = material.sheetResistance == 0 && material.skinCoefficient == 0;
    return {lossless ? MetalLoss::Kind::Lossless : MetalLoss::Kind::Sheet, material, {}};
}
} // namespace

MetalLoss metalLoss(const MetalType &metal)
{
    const QString model = metal.model.toUpper();
    const bool known = model == QLatin1String("NOR") || model == QLatin1String("TMM") ||
                       model == QLatin1String("SUP") || model == QLatin1String("RES");
    if (!known)
        return {MetalLoss::Kind::NotModelled,
                {},
                QStringLiteral("The loss of metal type %1 (model %2) is not modelled.")
                    .arg(quoted(metal.name), metal.model)};
    const std::optional<std::vector<double>> values = numbers(metal.parameters);
    if (!values)
        return invalid(QStringLiteral("Metal type %1 has a value that is not a number: "
                                      "'%2'.")
                           .arg(quoted(metal.name), metal.parameters.trimmed()));
    if (model == QLatin1String("NOR") || model == QLatin1String("TMM"))
        return bulk(metal, *values);
    return sheet(metal, *values, model == QLatin1String("RES"));
}

MetalLoss levelMetalLoss(const GeometryBlock &geometry, const QStringList &layerSetup, int level)
{
    const QString name = layerSetup.value(level, defaultLevelMetal);
    const int index = geometry.metalTypeIndex(name);
    if (index >= 0)
        return metalLoss(geometry.metalTypes[index]);
    if (name == defaultLevelMetal)
        return {};
    return invalid(QStringLiteral("Metal level %1 uses metal type %2, which the template does "
                                  "not define.")
                       .arg(level)
                       .arg(quoted(name)));
}

} // namespace torvane
