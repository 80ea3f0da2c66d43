#include "cli/sweepcommand.h"

#include "cli/clierror.h"
#include "cli/designcommands.h"
#include "cli/losstable.h"
#include "cli/spiralcommands.h"
#include "cli/spiraloptions.h"
#include "cli/sweepprogress.h"
#include "core/batch/csvwriter.h"
#include "core/batch/parallelfor.h"
#include "core/batch/valuelist.h"
#include "core/files/regularfile.h"
#include "core/inductance/frequencyresponse.h"
#include "core/inductance/geometryinductance.h"
#include "core/spiral/roundspiral.h"
#include "core/template/analysisfrequencies.h"
#include "core/wording/estimatetext.h"
#include "core/wording/findingtext.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <unistd.h>

#include <optional>
#include <vector>

using namespace torvane;

namespace {
constexpr double confirmAbove = 10000;
constexpr double mostProjects = 1000000;

// The options that take lists, in the order their values appear in the file names.
struct SweptOption
{
    QString flag;
    QString prefix;
    QStringList values;
    QList<double> numbers; // the values as the options read them, once checked
};

const QList<SweptOption> &numericOptions()
{
    static const QList<SweptOption> options{
        {QStringLiteral("turns"), QStringLiteral("t"), {}, {}},
        {QStringLiteral("sides"), QStringLiteral("n"), {}, {}},
        {QStringLiteral("width"), QStringLiteral("w"), {}, {}},
        {QStringLiteral("spacing"), QStringLiteral("s"), {}, {}},
        {QStringLiteral("radius"), QStringLiteral("r"), {}, {}},
        {QStringLiteral("bridge-width"), QStringLiteral("b"), {}, {}},
        {QStringLiteral("feed-spacing"), QStringLiteral("f"), {}, {}}};
    return options;
}

struct SweepArguments
{
    QString folder;
    bool force = false;
    QString layoutSuffix; // "gds" or "dxf": a layout beside each project; empty for none
    std::optional<QString> frequencies; // --freq: the peak Q of each project at these
    // What create takes for the first combination, written in the current folder, as the
    // sweep's own folder may not exist yet.
    ParsedOptions firstProject;
    QList<SweptOption> swept; // the numeric options given, each with its values
};

// The sweep says itself what an empty folder, frequency list or value list lacks.
const OptionTable &sweepOptionTable()
{
    static const OptionTable table = [] {
        const auto mayBeEmpty = [](const QStringList &names) {
            return CliOption{names, CliOption::Takes::ValueOrEmpty, {}};
        };
        QList<CliOption> own{mayBeEmpty({QStringLiteral("o"), QStringLiteral("output")}),
                             mayBeEmpty({QStringLiteral("freq")}),
                             mayBeEmpty({QStringLiteral("gds")}), CliOption::switched("force")};
        for (const SweptOption &option : numericOptions())
            own.append(mayBeEmpty({option.flag}));
        return spiralOptionTable().with(own);
    }();
    return table;
}

SweepArguments splitArguments(const QStringList &arguments)
{
    SweepArguments sweep;
    ParsedOptions &given = sweep.firstProject;
    given = parseOptions(arguments, sweepOptionTable());
    sweep.folder = given.value(QStringLiteral("o"));
    sweep.force = given.contains(QStringLiteral("force"));
    if (given.contains(QStringLiteral("freq")))
        sweep.frequencies = given.value(QStringLiteral("freq"));
    if (given.contains(QStringLiteral("gds"))) {
        sweep.layoutSuffix = given.value(QStringLiteral("gds")).toLower();
        if (sweep.layoutSuffix != QLatin1String("gds") &&
            sweep.layoutSuffix != QLatin1String("dxf"))
            throw CliError(QStringLiteral("--gds takes gds or dxf in a sweep: each project's "
                                          "layout is written beside it in that format."));
        given.set(QStringLiteral("gds"), QStringLiteral("sweep.") + sweep.layoutSuffix);
    }
    // In the order of the file names, whatever order they were given in.
    for (SweptOption option : numericOptions()) {
        if (!given.contains(option.flag))
            continue;
        const ValueList list = expandValueList(given.value(option.flag));
        if (!list.ok())
            throw CliError(QStringLiteral("--%1: %2.").arg(option.flag, list.error()));
        option.values = *list;
        given.set(option.flag, option.values.first());
        sweep.swept.append(option);
    }
    if (sweep.folder.isEmpty())
        throw CliError(QStringLiteral("sweep needs a folder for its projects: -o DIR."));
    given.set(QStringLiteral("o"), QStringLiteral("sweep.son"));
    given.remove(QStringLiteral("freq"));
    given.remove(QStringLiteral("force"));
    return sweep;
}

QString numberText(double value)
{
    return QLocale::c().toString(value, 'g', 10);
}

// One combination: the value index of each swept option, the last one counting fastest.
struct Combination
{
    SpiralParameters parameters;
    QString fileName;
};

Combination combination(const SweepArguments &sweep, const SpiralParameters &first,
                        const QString &shape, qint64 index)
{
    Combination c{first, shape};
    QStringList parts;
    qint64 rest = index;
    for (qsizetype k = sweep.swept.size() - 1; k >= 0; --k) {
        const SweptOption &option = sweep.swept[k];
        const qsizetype at = rest % option.values.size();
        rest /= option.values.size();
        setNumericOption(c.parameters, option.flag, option.numbers[at]);
        if (option.values.size() > 1)
            parts.prepend(option.prefix + numberText(option.numbers[at]));
    }
    if (!parts.isEmpty())
        c.fileName += QLatin1Char('_') + parts.join(QLatin1Char('_'));
    c.fileName += QStringLiteral(".son");
    return c;
}

// What the index says about one combination.
struct Row
{
    QString fileName;
    bool written = false;
    QString reason;
    std::optional<SpiralParameters> parameters;
    double sizeX = 0;
    double sizeY = 0;
    QString estimate;
    GeometryInductance geometry;
    ResistanceDC resistance;
    std::optional<FrequencyPoint> peak;
    QStringList findings;
};

const QStringList &indexHeader()
{
    static const QStringList header{QStringLiteral("file"),
                                    QStringLiteral("layout"),
                                    QStringLiteral("status"),
                                    QStringLiteral("reason"),
                                    QStringLiteral("shape"),
                                    QStringLiteral("turns"),
                                    QStringLiteral("sides"),
                                    QStringLiteral("radius"),
                                    QStringLiteral("width"),
                                    QStringLiteral("spacing"),
                                    QStringLiteral("bridge_width"),
                                    QStringLiteral("feed_auto"),
                                    QStringLiteral("feed_spacing"),
                                    QStringLiteral("center_tap"),
                                    QStringLiteral("staircase"),
                                    QStringLiteral("template"),
                                    QStringLiteral("roles"),
                                    QStringLiteral("metals"),
                                    QStringLiteral("length_unit"),
                                    QStringLiteral("size_x"),
                                    QStringLiteral("size_y"),
                                    QStringLiteral("inductance_unit"),
                                    QStringLiteral("estimate"),
                                    QStringLiteral("geometry_winding"),
                                    QStringLiteral("geometry_reference_planes"),
                                    QStringLiteral("geometry_in_box_winding"),
                                    QStringLiteral("geometry_in_box_reference_planes"),
                                    QStringLiteral("r_dc_ohm"),
                                    QStringLiteral("q_peak"),
                                    QStringLiteral("q_peak_frequency"),
                                    QStringLiteral("frequency_unit"),
                                    QStringLiteral("findings")};
    return header;
}

// What every project of the sweep shares.
struct SweepSetting
{
    const SweepArguments &sweep;
    const SpiralCommandOptions &options; // those of the first combination
    const LoadedTemplate &loaded;
};

QStringList indexRecord(const Row &row, const SweepSetting &setting)
{
    const LoadedTemplate &loaded = setting.loaded;
    const QString layout = row.written && !setting.sweep.layoutSuffix.isEmpty()
                               ? row.fileName.chopped(3) + setting.sweep.layoutSuffix
                               : QString();
    QStringList record{row.fileName, layout,
                       row.written ? QStringLiteral("written") : QStringLiteral("failed"),
                       row.reason};
    if (!row.parameters) {
        while (record.size() < indexHeader().size())
            record.append(QString());
        return record;
    }
    const SpiralParameters &p = *row.parameters;
    const bool nSided =
        p.shape == SpiralShape::NSided || p.shape == SpiralShape::NSidedDifferential;
    const bool differential = isDifferential(p.shape);
    const auto flag = [](bool on) {
        return on ? QStringLiteral("yes") : QStringLiteral("no");
    };
    const double scale = inductanceScale(loaded);
    const double perHertz = 1 / hertzPerFrequencyUnit(loaded.document().dimension.frequencyUnit);
    record +=
        {shapeName(p.shape),
         numberText(p.turns),
         nSided ? QString::number(p.sides) : QString(),
         numberText(p.radius),
         numberText(p.spiralWidth),
         numberText(p.spacing),
         numberText(p.bridgeWidth),
         differential ? flag(p.feedSpacingAuto) : QString(),
         differential ? numberText(p.feedSpacing) : QString(),
         differential ? flag(p.centerTap) : QString(),
         flag(setting.options.staircase),
         setting.options.templatePath.isEmpty() ? QStringLiteral("built-in")
                                                : setting.options.templatePath,
         loaded.technology.functionSetup().join(QLatin1Char(',')),
         loaded.technology.layerSetup().join(QLatin1Char(',')),
         loaded.lengthUnitText,
         numberText(row.sizeX),
         numberText(row.sizeY),
         loaded.inductanceUnitText,
         row.estimate,
         row.geometry.hasValues() ? numberText(*row.geometry.winding * scale) : QString(),
         row.geometry.hasValues() ? numberText(*row.geometry.referencePlanes * scale) : QString(),
         row.geometry.hasInBoxValues() ? numberText(*row.geometry.inBoxWinding * scale) : QString(),
         row.geometry.hasInBoxValues() ? numberText(*row.geometry.inBoxReferencePlanes * scale)
                                       : QString(),
         row.resistance.ohms ? numberText(*row.resistance.ohms) : QString(),
         row.peak ? numberText(row.peak->q) : QString(),
         row.peak ? numberText(row.peak->frequency * perHertz) : QString(),
         frequencyUnitText(loaded.document().dimension.frequencyUnit),
         row.findings.join(QLatin1Char('\n'))};
    return record;
}

Row runCombination(const Combination &c, const SweepArguments &sweep,
                   const SpiralCommandOptions &first, const LoadedTemplate &loaded,
                   const std::vector<double> &frequencies)
{
    Row row;
    row.fileName = c.fileName;
    row.parameters = c.parameters;
    SpiralCommandOptions options = first;
    options.parameters = c.parameters;
    options.outputPath = QDir(sweep.folder).filePath(c.fileName);
    if (options.layout)
        options.layout->path = options.outputPath.chopped(3) + sweep.layoutSuffix;
    try {
        torvane::DesignJob job = loaded.job(c.parameters);
        const torvane::EstimateValues estimate = job.estimate();
        row.sizeX = estimate.sizeX;
        row.sizeY = estimate.sizeY;
        row.estimate = estimateTexts(estimate).inductance;
        row.resistance =
            resistanceDC(c.parameters, loaded.document(), loaded.technology.layerSetup(),
                         loaded.technology.functionSetup());
        if (!frequencies.empty()) {
            // The projects already run on every processor.
            ResponseControl oneThread;
            oneThread.threads = 1;
            row.peak = job.response(frequencies, oneThread).peakQ();
        }
        row.geometry = job.inductance();
        for (const DesignFinding &finding : job.review().findings)
            row.findings.append(findingLine(finding));
        createProject(options, job);
        row.written = true;
    } catch (const CliError &error) {
        row.reason = error.message();
    }
    return row;
}

void prepareFolder(const SweepArguments &sweep)
{
    const QFileInfo info(sweep.folder);
    if (info.exists() && !info.isDir())
        throw CliError(QStringLiteral("'%1' is a file, not a folder.").arg(sweep.folder));
    if (info.exists() && !sweep.force &&
        !QDir(sweep.folder)
             .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        throw CliError(QStringLiteral("'%1' already holds files; pass --force to write into it "
                                      "anyway (same-named projects are replaced).")
                           .arg(sweep.folder));
    if (!QDir().mkpath(sweep.folder))
        throw CliError(QStringLiteral("cannot create the folder '%1'.").arg(sweep.folder));
}
// An index left from an earlier sweep would stand beside the new projects, as if it listed them,
// should this sweep not get as far as writing its own.
void removeOldIndex(const QString &indexPath)
{
    if (const torvane::Status allowed = checkOutputFile(indexPath); !allowed)
        throw CliError(QStringLiteral("cannot write '%1': %2.").arg(indexPath, allowed.error()));
    QFile old(indexPath);
    if (old.exists() && !old.remove())
        throw CliError(QStringLiteral("cannot remove the earlier '%1': %2.")
                           .arg(indexPath, old.errorString()));
}
} // namespace

int runSweep(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    SweepArguments sweep = splitArguments(arguments);

    // Every value is checked before anything is written: a typing error stops the sweep.
    const SpiralCommandOptions probe = spiralOptionsFrom(sweep.firstProject, SpiralCommand::Create);
    double count = 1;
    for (SweptOption &option : sweep.swept) {
        for (const QString &value : std::as_const(option.values))
            option.numbers.append(parseNumericOption(option.flag, value, probe.parameters.shape));
        count *= static_cast<double>(option.values.size());
    }
    if (count > mostProjects)
        throw CliError(QStringLiteral("The sweep makes %1 projects, more than the %2 one sweep "
                                      "may write.")
                           .arg(QLocale::c().toString(count, 'f', 0),
                                QLocale::c().toString(mostProjects, 'f', 0)));
    if (count > confirmAbove && !probe.assumeYes)
        throw CliError(QStringLiteral("The sweep makes %1 projects; pass --yes to write more "
                                      "than 10,000.")
                           .arg(QLocale::c().toString(count, 'f', 0)));
    const LoadedTemplate loaded = loadTemplate(probe);
    const std::vector<double> frequencies =
        sweep.frequencies ? lossFrequencies(sweep.frequencies, loaded) : std::vector<double>{};
    prepareFolder(sweep);
    const QString indexPath = QDir(sweep.folder).filePath(QStringLiteral("index.csv"));
    removeOldIndex(indexPath);
    const QString shape = shapeName(probe.parameters.shape);
    // Every project leaves out the same items of the template: said once.
    printNotes(err, loaded.technology.droppedItems());

    const int total = static_cast<int>(count);
    std::vector<Row> rows(static_cast<size_t>(total));
    SweepProgress progress(err, total, isatty(STDERR_FILENO) != 0);
    parallelFor(total, [&](int index) {
        Row row = runCombination(combination(sweep, probe.parameters, shape, index), sweep, probe,
                                 loaded, frequencies);
        progress.finished(row.fileName, row.reason);
        rows[static_cast<size_t>(index)] = std::move(row);
    });
    progress.close();

    CsvWriter index;
    index.addRecord(indexHeader());
    int written = 0;
    for (const Row &row : rows) {
        index.addRecord(indexRecord(row, {sweep, probe, loaded}));
        written += row.written ? 1 : 0;
    }
    if (const torvane::Status saved = index.save(indexPath); !saved)
        throw CliError(QStringLiteral("cannot write '%1': %2.").arg(indexPath, saved.error()));
    if (written == total) {
        out << "Wrote " << total << (total == 1 ? " project" : " projects") << " to "
            << sweep.folder << "; " << indexPath << " lists them.\n";
        return 0;
    }
    out << "Wrote " << written << " of " << total << " projects to " << sweep.folder << "; "
        << total - written << " failed, " << indexPath << " says why.\n";
    return failureExitCode;
}
