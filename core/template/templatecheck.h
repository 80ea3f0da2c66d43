#pragma once

#include "core/sonnet/projectdocument.h"

#include <QString>

#include <optional>

namespace torvane {

// What keeps a read file from serving as a technology template, in one line such as
// "no box (BOX line) found"; nothing when it can. A spiral is centred in the box and sized
// by its cells, so the box needs a positive size and cell counts, and at least one
// dielectric layer to stand on.
std::optional<QString> templateDefect(const ProjectDocument &document);

} // namespace torvane
