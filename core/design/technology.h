#pragma once

#include "core/design/result.h"
#include "core/sonnet/projectdocument.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace torvane {

// What a metal level is for in a created project.
enum class LevelRole
{
    None,
    Spiral,
    Bridge
};

// "none", "spiral", "bridge", as the annotation lines and the window write them.
QString roleName(LevelRole role);
// Exact, case-sensitive names; anything else is no role the layout knows.
std::optional<LevelRole> roleFromName(const QString &name);

// A template's technology as a create uses it: the document without its geometry (box, stack,
// metal types, analysis settings and what the reader keeps verbatim), and each metal level's
// metal type and role. Read once from a template and its annotation lines.
class Technology
{
public:
    // The roles and metals of the file's annotation lines; the geometry is left out, and what
    // named it is said in droppedItems().
    static Technology fromTemplate(ProjectDocument document);
    static Technology builtIn();

    const ProjectDocument &document() const { return technology; }
    int levelCount() const { return static_cast<int>(roles.size()); }
    LevelRole role(int level) const;
    QString metal(int level) const { return metals.value(level); }
    bool hasRole(LevelRole role) const;
    // Items of the template that named its polygons, which no created project keeps.
    const QStringList &droppedItems() const { return dropped; }
    bool isBuiltIn() const { return builtInTemplate; }

    // The per-level lists as the layout code and the annotation lines take them.
    const QStringList &layerSetup() const { return metals; }
    const QStringList &functionSetup() const { return roles; }

    // Replaces the metals or roles of the first levels, the others taking the defaults
    // ("Lossless", "none"); more entries than levels, or an unknown metal, are refused.
    Status setMetals(const QStringList &levelMetals);
    Status setRoles(const QStringList &levelRoles);
    // Lengths expressed in `unit` at the same physical size (see convertLengthUnit); a unit of
    // the same size only takes the name. Refused, changing nothing, when either unit is not a
    // length unit this program knows.
    Status setLengthUnit(const QString &unit);
    // Only the name, the numbers as they stand.
    void renameLengthUnit(const QString &unit) { technology.dimension.setLengthUnit(unit); }
    void setInductanceUnit(const QString &unit);

private:
    ProjectDocument technology;
    QStringList metals;
    QStringList roles;
    QStringList dropped;
    bool builtInTemplate = false;
};

} // namespace torvane
