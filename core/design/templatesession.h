#pragma once

#include "core/design/result.h"
#include "core/design/technology.h"
#include "core/sonnet/projectdocument.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace torvane {

// The technology template a window works on: the document as read, the file it came from, each
// metal level's metal and role, and the templates opened lately. A file that cannot serve as a
// template leaves the one in use as it was.
class TemplateSession
{
public:
    static constexpr int maxRecentFiles = 5;

    bool isLoaded() const { return current.has_value(); }
    // The technology in use, in the chosen units; none while no template is loaded.
    const Technology *technology() const { return current ? &*current : nullptr; }
    // Its document (without geometry); null while no template is loaded.
    const ProjectDocument *document() const { return current ? &current->document() : nullptr; }
    // The file the template in use was read from or last saved to; empty when it has none.
    const QString &path() const { return filePath; }
    const QStringList &levelMetals() const;
    const QStringList &levelRoles() const;

    // Reads the file and, when it is a usable template, takes it with the roles of its
    // annotation lines and puts it first among the recent files.
    Status load(const QString &fileName);
    // Whether the metals or roles changed.
    bool setLevels(const QStringList &metals, const QStringList &roles);
    // The technology with the current roles, without geometry; on success the template's path
    // becomes fileName.
    Status saveAs(const QString &fileName, bool staircase);
    // Expresses the template's lengths in `unit`, so that its box and stack keep their size;
    // each change starts from the file's own numbers, so that nothing drifts. A unit of the
    // same size, or a file whose unit is not known, only takes the name.
    void setLengthUnit(const QString &unit);
    // Only the name: no number of the template is an inductance.
    void setInductanceUnit(const QString &unit);

    // Most recent first, without duplicates, at most maxRecentFiles.
    const QStringList &recentFiles() const { return recent; }
    void setRecentFiles(const QStringList &files);
    void forgetRecentFile(const QString &fileName);

private:
    void remember(const QString &fileName);

    std::optional<Technology> asRead;  // as read or last saved, with the current roles
    std::optional<Technology> current; // the same in the chosen units
    QString filePath;
    QStringList recent;
};

} // namespace torvane
