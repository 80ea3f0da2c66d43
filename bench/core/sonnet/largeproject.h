#pragma once

#include "core/sonnet/projectdocument.h"

// The built-in template with `polygonCount` 18-point polygons spread over four levels, at
// random places (always the same ones): 200,000 of them make a project of about 100 MB.
torvane::ProjectDocument largeProject(int polygonCount);
