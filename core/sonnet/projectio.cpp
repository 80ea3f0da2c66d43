#include "core/sonnet/projectio.h"

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
} // namespace

void readProject(SonTextReader &in, ProjectDocument &document)
{
    while (!in.atEnd()) {
        const QByteArrayView word = in.readWordView();
        if (word == "FTYP")
            document.fileTypeLine = QStringLiteral("FTYP") + in.readLine();
        else if (word == "VER")
            document.versionLine = QStringLiteral("VER") + in.readLine();
        else if (word == "HEADER")
            readHeaderBlock(in, document.headerLines);
        else if (word == "DIM")
            readDimensionBlock(in, document.dimension);
        else if (word == "CONTROL")
            readLineBlock(in, "END CONTROL", document.controlLines);
        else if (word == "FREQ")
            readLineBlock(in, "END FREQ", document.frequencyLines);
        else if (word == "GEO")
            readGeometryBlock(in, document.geometry);
        else if (word == "VARSWP")
            readLineBlock(in, "END VARSWP", document.sweepLines);
        else if (word == "OPT")
            readLineBlock(in, "END OPT", document.optimisationLines);
        else if (word == "QSG")
            readLineBlock(in, "END QSG", document.qsgLines);
        else
            in.skipRestOfLine();
    }
}

void writeProject(SonTextWriter &out, const ProjectDocument &document)
{
    out << document.fileTypeLine << '\n';
    out << document.versionLine << '\n';
    writeHeaderBlock(out, document.headerLines);
    writeDimensionBlock(out, document.dimension);
    writeLineBlock(out, "FREQ", document.frequencyLines);
    writeLineBlock(out, "CONTROL", document.controlLines);
    writeGeometryBlock(out, document.geometry);
    writeLineBlock(out, "OPT", document.optimisationLines);
    writeLineBlock(out, "VARSWP", document.sweepLines);
    writeLineBlock(out, "QSG", document.qsgLines);
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
        if (isDimensionKeyword(word))
            setDimensionValue(dimension, word, QString::fromLatin1(in.readWordOnLineView()));
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
