#pragma once

#include "core/sonnet/geometryblock.h"
#include "core/sonnet/resultfolder.h"

#include <QString>
#include <QStringList>

#include <array>

namespace torvane {

class CheckedSaveFile;

// The DIM block's seven unit names, each one word exactly as in the file.
struct DimensionBlock
{
    QString frequencyUnit;
    QString inductanceUnit;
    QString lengthUnit;
    QString angleUnit;
    QString conductivityUnit;
    QString capacitanceUnit;
    QString resistanceUnit;
    QStringList keptLines; // lines of other keywords, written after the seven

    void setFrequencyUnit(const QString &unit) { frequencyUnit = unit; }
    void setInductanceUnit(const QString &unit) { inductanceUnit = unit; }
    void setLengthUnit(const QString &unit) { lengthUnit = unit; }
    void setAngleUnit(const QString &unit) { angleUnit = unit; }
    void setConductivityUnit(const QString &unit) { conductivityUnit = unit; }
    void setCapacitanceUnit(const QString &unit) { capacitanceUnit = unit; }
    void setResistanceUnit(const QString &unit) { resistanceUnit = unit; }

    bool operator==(const DimensionBlock &) const = default;
};

// The top-level blocks the reader knows, in the order the writer puts them; Start stands
// for the FTYP and VER lines.
enum class ProjectBlock
{
    Start,
    Header,
    Dimension,
    Frequency,
    Control,
    Geometry,
    Optimisation,
    Sweep,
    Qsg
};
inline constexpr std::size_t projectBlockCount = 9;

// One Sonnet project in memory. The analysis blocks are kept as raw lines, each list ending
// with the block's closing line.
struct ProjectDocument
{
    QString fileTypeLine; // whole "FTYP" line, keyword included
    QString versionLine;  // whole "VER" line
    QStringList headerLines;
    DimensionBlock dimension;
    QStringList controlLines;
    QStringList frequencyLines;
    GeometryBlock geometry;
    QStringList sweepLines;
    QStringList optimisationLines;
    QStringList qsgLines;
    // Top-level lines and blocks the reader does not model (FILEOUT, TRANSLATOR, CKT, ...),
    // verbatim, by the known block they followed; they are written after it.
    std::array<QStringList, projectBlockCount> keptLines;

    QStringList &keptAfter(ProjectBlock block) { return keptLines[index(block)]; }
    const QStringList &keptAfter(ProjectBlock block) const { return keptLines[index(block)]; }
    // A netlist project ("FTYP SONNETPRJ") has no GEO block, and is written without one.
    bool isNetlistProject() const;

    bool operator==(const ProjectDocument &) const = default;

private:
    static std::size_t index(ProjectBlock block) { return static_cast<std::size_t>(block); }
};

// File operations return 0 on success and 1 when the file cannot be opened (or, for the
// writers, cannot be written completely); errorText, when given, receives the reason.

// Replaces `document` only on success. Only regular files are read.
int loadProject(const QString &fileName, ProjectDocument &document, QString *errorText = nullptr);
// Writes through a temporary file in the same folder, so a failed save keeps the old file.
int writeProjectFile(const QString &fileName, const ProjectDocument &document,
                     QString *errorText = nullptr);
int writeProjectFile(CheckedSaveFile &file, const ProjectDocument &document,
                     QString *errorText = nullptr);
// Writes the project into `file` (which it opens) and syncs it, without replacing the target:
// the caller commits it, with the other files of the same save (commitTogether()), and only
// then prepares the result folder.
int prepareProjectFile(CheckedSaveFile &file, const ProjectDocument &document,
                       QString *errorText = nullptr);
// writeProjectFile, then, only when that succeeded, empties or creates the result folder.
int saveProject(const QString &fileName, const ProjectDocument &document,
                QString *errorText = nullptr);
// The same for a document that is done with: it is freed while the file is committed.
int saveProject(const QString &fileName, ProjectDocument &&document, QString *errorText = nullptr);

// In-memory forms, for the file operations, tests and tools.
ProjectDocument parseProject(const QByteArray &latin1Text);
QByteArray serializeProject(const ProjectDocument &document);

} // namespace torvane
