#include "cli/losstable.h"
#include "cli/terminaltext.h"

#include "cli/clierror.h"
#include "core/template/analysisfrequencies.h"

#include <QJsonArray>

using namespace torvane;

namespace {
QString significant(double value)
{
    return QString::number(value, 'g', 4);
}

QString frequencyUnitOf(const LoadedTemplate &loaded)
{
    return frequencyUnitText(loaded.document().dimension.frequencyUnit);
}

double perHertz(const LoadedTemplate &loaded)
{
    return 1 / hertzPerFrequencyUnit(loaded.document().dimension.frequencyUnit);
}

QJsonArray pointsJson(const std::vector<FrequencyPoint> &points, double scale)
{
    QJsonArray array;
    for (const FrequencyPoint &p : points) {
        array.append(QJsonObject{{QStringLiteral("frequency"), p.frequency},
                                 {QStringLiteral("inductance"), p.inductance * scale},
                                 {QStringLiteral("resistance"), p.resistance},
                                 {QStringLiteral("q"), p.q}});
    }
    return array;
}
} // namespace

std::vector<double> lossFrequencies(const std::optional<QString> &option,
                                    const LoadedTemplate &loaded)
{
    const FrequencySweep sweep =
        !option || *option == QLatin1String("template")
            ? templateFrequencies(loaded.document())
            : frequencyList(*option, loaded.document().dimension.frequencyUnit);
    if (!sweep.ok())
        throw CliError(option && *option != QLatin1String("template")
                           ? QStringLiteral("--freq: ") + sweep.error()
                           : sweep.error());
    return *sweep;
}

FrequencyResponse lossResponse(const SpiralCommandOptions &options, const LoadedTemplate &loaded,
                               const std::vector<double> &frequencies)
{
    return loaded.job(options.parameters).response(frequencies);
}

QString frequencyText(double hertz, const LoadedTemplate &loaded)
{
    return significant(hertz * perHertz(loaded)) + QLatin1Char(' ') + frequencyUnitOf(loaded);
}

void printLossTable(QTextStream &out, const FrequencyResponse &response,
                    const LoadedTemplate &loaded)
{
    if (!response.hasValues()) {
        out << "Loss: n/a (" << response.reason << ")\n";
        return;
    }
    const double scale = inductanceScale(loaded);
    const QString &h = loaded.inductanceUnitText;
    const FrequencyPoint peak = *response.peakQ();
    out << "Loss: R_dc " << significant(response.resistanceDC) << " Ohm, peak Q "
        << significant(peak.q) << " at " << frequencyText(peak.frequency, loaded)
        << " (free space; no capacitances, so Q holds well below the self-resonance)\n";
    out << "L: thick-metal inductance at the reference planes, "
        << significant(response.thickInductance * scale) << ' ' << h
        << " at low frequency (the Geometry line is the sheet value, "
        << significant(response.sheetInductance * scale) << ' ' << h << ")\n";
    const bool inBox = response.hasInBoxValues();
    if (inBox) {
        const FrequencyPoint boxPeak = *response.inBoxPeakQ();
        out << "Loss in box: peak Q " << significant(boxPeak.q) << " at "
            << frequencyText(boxPeak.frequency, loaded) << ", L "
            << significant(response.inBoxThickInductance * scale) << ' ' << h
            << " at low frequency (sheet value "
            << significant(response.inBoxSheetInductance * scale) << ' ' << h << ")\n";
    } else {
        out << "Loss in box: \u2013 (" << response.inBoxReason << ")\n";
    }
    QStringList header{QStringLiteral("frequency [%1]").arg(frequencyUnitOf(loaded)),
                       QStringLiteral("L [%1]").arg(h), QStringLiteral("R [Ohm]"),
                       QStringLiteral("Q")};
    if (inBox)
        header += {QStringLiteral("L in box [%1]").arg(h), QStringLiteral("R in box [Ohm]"),
                   QStringLiteral("Q in box")};
    QList<QStringList> rows{header};
    for (size_t i = 0; i < response.freeSpace.size(); ++i) {
        const FrequencyPoint &p = response.freeSpace[i];
        QStringList row{significant(p.frequency * perHertz(loaded)),
                        significant(p.inductance * scale), significant(p.resistance),
                        significant(p.q)};
        if (inBox) {
            const FrequencyPoint &b = response.inBox[i];
            row += {significant(b.inductance * scale), significant(b.resistance), significant(b.q)};
        }
        rows.append(row);
    }
    writeAlignedRows(out, rows);
}

QJsonObject frequencyResponseJson(const FrequencyResponse &response, const LoadedTemplate &loaded)
{
    const double scale = inductanceScale(loaded);
    if (!response.hasValues())
        return {{QStringLiteral("freeSpace"), QJsonValue::Null},
                {QStringLiteral("inBox"), QJsonValue::Null},
                {QStringLiteral("reason"), response.reason}};
    QJsonObject object{{QStringLiteral("freeSpace"), pointsJson(response.freeSpace, scale)},
                       {QStringLiteral("inBox"), QJsonValue::Null},
                       {QStringLiteral("thickMetalInductance"), response.thickInductance * scale},
                       {QStringLiteral("sheetInductance"), response.sheetInductance * scale}};
    if (response.hasInBoxValues()) {
        object.insert(QStringLiteral("inBox"), pointsJson(response.inBox, scale));
        object.insert(QStringLiteral("inBoxThickMetalInductance"),
                      response.inBoxThickInductance * scale);
        object.insert(QStringLiteral("inBoxSheetInductance"),
                      response.inBoxSheetInductance * scale);
    } else {
        object.insert(QStringLiteral("inBoxReason"), response.inBoxReason);
    }
    return object;
}
