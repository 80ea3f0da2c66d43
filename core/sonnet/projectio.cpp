#include "core/sonnet/projectio.h"

#include <QHash>

#include <array>
#include <optional>
#include <tuple>
#include <vector>

namespace torvane {

namespace {
void setDimensionValue(DimensionBlock &dimension, QByteArrayView keyword, const QString &value)
{
    if (keyword == "FREQ")
        dimension.setFrequencyUnit(value);
    else if (keyword == "IND")
        dimension.setInductanceUnit(value);
    else if (keyword == "LNG")
        dimension.setLengthUnit(value);
    else if (keyword == "ANG")
        dimension.setAngleUnit(value);
    else if (keyword == "CON")
        dimension.setConductivityUnit(value);
    else if (keyword == "CAP")
        dimension.setCapacitanceUnit(value);
    else if (keyword == "RES")
        dimension.setResistanceUnit(value);
}

bool isDimensionKeyword(QByteArrayView word)
{
    return word == "FREQ" || word == "IND" || word == "LNG" || word == "ANG" || word == "CON" ||
           word == "CAP" || word == "RES";
}

bool knownBlock(QByteArrayView word)
{
    return word == "FTYP" || word == "VER" || word == "HEADER" || word == "DIM" ||
           word == "CONTROL" || word == "FREQ" || word == "GEO" || word == "VARSWP" ||
           word == "OPT" || word == "QSG";
}

QByteArrayView trimmedLine(QByteArrayView line)
{
    while (!line.isEmpty() && SonTextReader::isSpace(line.front()))
        line = line.sliced(1);
    while (!line.isEmpty() && SonTextReader::isSpace(line.back()))
        line.chop(1);
    return line;
}

// The unknown top-level blocks that are open: a line of one word opens one, "END" and that
// word closes it with those opened inside it. Lines of one word that no END follows open
// nothing in truth; a known block's line closes them all.
class UnknownBlocks
{
public:
    bool open() const { return !stack.empty(); }
    void clear()
    {
        stack.clear();
        counts.clear();
    }
    void take(QByteArrayView line)
    {
        SonTextReader words(line);
        const QByteArrayView first = words.readWordView();
        const QByteArrayView second = words.readWordView();
        if (!words.readWordView().isEmpty() || first.isEmpty())
            return;
        if (second.isEmpty() && first != "END") {
            stack.push_back(first.toByteArray());
            ++counts[stack.back()];
        } else if (first == "END" && counts.value(second.toByteArray()) > 0) {
            // Each block is opened and closed once, so this takes linear time overall.
            for (;;) {
                const QByteArray closed = stack.back();
                stack.pop_back();
                --counts[closed];
                if (closed == second)
                    break;
            }
        }
    }

private:
    std::vector<QByteArray> stack;
    QHash<QByteArray, int> counts;
};

QStringList &lineBlockLines(ProjectDocument &document, ProjectBlock block)
{
    switch (block) {
    case ProjectBlock::Frequency:
        return document.frequencyLines;
    case ProjectBlock::Control:
        return document.controlLines;
    case ProjectBlock::Optimisation:
        return document.optimisationLines;
    case ProjectBlock::Sweep:
        return document.sweepLines;
    default:
        return document.qsgLines;
    }
}

// Reads a known block after its keyword and says which it was; nothing for the FTYP and VER
// lines, which leave kept lines where they were.
std::optional<ProjectBlock> readKnownBlock(SonTextReader &in, QByteArrayView word,
                                           ProjectDocument &document)
{
    if (word == "FTYP") {
        document.fileTypeLine = QStringLiteral("FTYP") + in.readLine();
        return std::nullopt;
    }
    if (word == "VER") {
        document.versionLine = QStringLiteral("VER") + in.readLine();
        return std::nullopt;
    }
    if (word == "HEADER") {
        readHeaderBlock(in, document.headerLines);
        return ProjectBlock::Header;
    }
    if (word == "DIM") {
        readDimensionBlock(in, document.dimension);
        return ProjectBlock::Dimension;
    }
    if (word == "GEO") {
        readGeometryBlock(in, document.geometry);
        return ProjectBlock::Geometry;
    }
    static const std::array<std::tuple<const char *, const char *, ProjectBlock>, 5> lineBlocks{
        {{"FREQ", "END FREQ", ProjectBlock::Frequency},
         {"CONTROL", "END CONTROL", ProjectBlock::Control},
         {"OPT", "END OPT", ProjectBlock::Optimisation},
         {"VARSWP", "END VARSWP", ProjectBlock::Sweep},
         {"QSG", "END QSG", ProjectBlock::Qsg}}};
    for (const auto &[keyword, closing, block] : lineBlocks) {
        if (word == keyword) {
            readLineBlock(in, closing, lineBlockLines(document, block));
            return block;
        }
    }
    return std::nullopt;
}
} // namespace

void readProject(SonTextReader &in, ProjectDocument &document)
{
    ProjectBlock after = ProjectBlock::Start;
    UnknownBlocks unknown;
    QStringList blankLines;
    while (!in.atEnd()) {
        SonTextReader ahead = in;
        const QByteArrayView line = ahead.readLineView();
        const QByteArrayView word = SonTextReader(line).readWordView();
        // Inside an unknown block only a known block's keyword alone on its line is taken for
        // one: anything else may be that block's own.
        const bool known = knownBlock(word) && (!unknown.open() || trimmedLine(line) == word);
        if (!known) {
            // Blank lines count inside unknown blocks, but only up to their last line: after a
            // line that merely looked like a block's start they would grow with every rewrite.
            if (word.isEmpty()) {
                if (unknown.open())
                    blankLines.append(QString::fromLatin1(line));
            } else {
                QStringList &kept = document.keptAfter(after);
                kept.append(blankLines);
                blankLines.clear();
                kept.append(QString::fromLatin1(line));
                unknown.take(line);
            }
            in = ahead;
            continue;
        }
        unknown.clear();
        blankLines.clear();
        in.skipTo(word.data() + word.size());
        if (const auto block = readKnownBlock(in, word, document))
            after = *block;
    }
}

void writeProject(SonTextWriter &out, const ProjectDocument &document)
{
    const auto kept = [&](ProjectBlock block) {
        for (const QString &line : document.keptAfter(block))
            out << line << '\n';
    };
    out << document.fileTypeLine << '\n';
    out << document.versionLine << '\n';
    kept(ProjectBlock::Start);
    writeHeaderBlock(out, document.headerLines);
    kept(ProjectBlock::Header);
    writeDimensionBlock(out, document.dimension);
    kept(ProjectBlock::Dimension);
    writeLineBlock(out, "FREQ", document.frequencyLines);
    kept(ProjectBlock::Frequency);
    writeLineBlock(out, "CONTROL", document.controlLines);
    kept(ProjectBlock::Control);
    if (!document.isNetlistProject())
        writeGeometryBlock(out, document.geometry);
    kept(ProjectBlock::Geometry);
    writeLineBlock(out, "OPT", document.optimisationLines);
    kept(ProjectBlock::Optimisation);
    writeLineBlock(out, "VARSWP", document.sweepLines);
    kept(ProjectBlock::Sweep);
    writeLineBlock(out, "QSG", document.qsgLines);
    kept(ProjectBlock::Qsg);
}

void readHeaderBlock(SonTextReader &in, QStringList &headerLines)
{
    in.skipRestOfLine();
    headerLines.clear();
    while (!in.atEnd()) {
        const QByteArrayView line = in.readLineView();
        if (line == "END HEADER")
            break;
        headerLines.append(QString::fromLatin1(line));
    }
}

void writeHeaderBlock(SonTextWriter &out, const QStringList &headerLines)
{
    if (headerLines.isEmpty())
        return;
    out << "HEADER\n";
    for (const QString &line : headerLines)
        out << line << '\n';
    out << "END HEADER\n";
}

void readDimensionBlock(SonTextReader &in, DimensionBlock &dimension)
{
    while (!in.atEnd()) {
        const QByteArrayView word = in.readWordView();
        if (word == "END") {
            in.skipRestOfLine();
            return;
        }
        // An empty value (as written for a file without units) must not take the next
        // keyword as its value.
        if (isDimensionKeyword(word)) {
            setDimensionValue(dimension, word, QString::fromLatin1(in.readWordOnLineView()));
        } else if (!word.isEmpty()) {
            // Another keyword keeps the rest of its line with it.
            const QByteArrayView rest = in.readLineView();
            dimension.keptLines.append(QString::fromLatin1(word) + QString::fromLatin1(rest));
        }
    }
}

void writeDimensionBlock(SonTextWriter &out, const DimensionBlock &dimension)
{
    out << "DIM\n";
    out << "FREQ " << dimension.frequencyUnit << '\n';
    out << "IND " << dimension.inductanceUnit << '\n';
    out << "LNG " << dimension.lengthUnit << '\n';
    out << "ANG " << dimension.angleUnit << '\n';
    out << "CON " << dimension.conductivityUnit << '\n';
    out << "CAP " << dimension.capacitanceUnit << '\n';
    out << "RES " << dimension.resistanceUnit << '\n';
    for (const QString &line : dimension.keptLines)
        out << line << '\n';
    out << "END DIM\n";
}

void readLineBlock(SonTextReader &in, QByteArrayView closingLine, QStringList &lines)
{
    lines.clear();
    in.skipRestOfLine();
    while (!in.atEnd()) {
        const QByteArrayView line = in.readLineView();
        lines.append(QString::fromLatin1(line));
        if (line == closingLine)
            break;
    }
}

void writeLineBlock(SonTextWriter &out, const char *keyword, const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    out << keyword << '\n';
    for (const QString &line : lines)
        out << line << '\n';
    // A block cut short by the end of its file gets its closing line, or reading the written
    // file back would swallow the blocks that follow it.
    const QString closingLine = QStringLiteral("END ") + QLatin1String(keyword);
    if (lines.constLast() != closingLine)
        out << closingLine << '\n';
}

} // namespace torvane
