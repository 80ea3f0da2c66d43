#pragma once

#include "core/sonnet/projectdocument.h"
#include "core/sonnet/sontextreader.h"
#include "core/sonnet/sontextwriter.h"

namespace torvane {

// Top level: blocks are recognised by the first word of a line; unknown lines are skipped.
// The writer emits the recognised blocks in one fixed order, so its output is canonical.
void readProject(SonTextReader &in, ProjectDocument &document);
void writeProject(SonTextWriter &out, const ProjectDocument &document);

// Blocks, each called right after its keyword has been read as a word.
void readHeaderBlock(SonTextReader &in, QStringList &headerLines);
void writeHeaderBlock(SonTextWriter &out, const QStringList &headerLines);
void readDimensionBlock(SonTextReader &in, DimensionBlock &dimension);
void writeDimensionBlock(SonTextWriter &out, const DimensionBlock &dimension);
// FREQ, CONTROL, OPT, VARSWP, QSG: raw lines up to and including the closing line.
void readLineBlock(SonTextReader &in, QByteArrayView closingLine, QStringList &lines);
void writeLineBlock(SonTextWriter &out, const char *keyword, const QStringList &lines);

void readGeometryBlock(SonTextReader &in, GeometryBlock &geometry);
void writeGeometryBlock(SonTextWriter &out, const GeometryBlock &geometry);

// Technology lines.
void readMetalLine(SonTextReader &in, MetalType &metal);
void writeMetalLine(SonTextWriter &out, const MetalType &metal);
void readBox(SonTextReader &in, GeometryBlock &geometry);
void writeBox(SonTextWriter &out, const GeometryBlock &geometry);
DielectricLayer readDielectricLayerLine(SonTextReader &in);
void writeDielectricLayerLine(SonTextWriter &out, const DielectricLayer &layer);

// Geometry records.
void readPolygonSection(SonTextReader &in, QList<Polygon> &polygons);
Polygon readPolygon(SonTextReader &in);
// The same into a default polygon.
void readPolygon(SonTextReader &in, Polygon &polygon);
void writePolygon(SonTextWriter &out, const Polygon &polygon);
Port readPort(SonTextReader &in);
void writePort(SonTextWriter &out, const Port &port);
std::optional<ReferencePlane> readReferencePlane(SonTextReader &in);
void writeReferencePlane(SonTextWriter &out, const ReferencePlane &plane);
EviaRecord readEviaRecord(SonTextReader &in);

} // namespace torvane
