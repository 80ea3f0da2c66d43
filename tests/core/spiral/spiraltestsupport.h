#pragma once

#include "core/sonnet/projectdocument.h"

#include <QList>
#include <QStringList>

// A document with the given box, levels + 1 dielectric layers and these metal types.
torvane::ProjectDocument makeDocument(double width, double height, int xCells2, int yCells2,
                                      int levels, const QStringList &metalNames = {});

// Empty when the lists agree within the tolerance, else where they first differ.
QString pointsDiffer(const QList<torvane::Point> &actual, const QList<torvane::Point> &expected,
                     double tolerance = 1e-4);

#define COMPARE_POINTS(actual, expected)                                                           \
    do {                                                                                           \
        const QString why_ = pointsDiffer(actual, expected);                                       \
        QVERIFY2(why_.isEmpty(), qPrintable(why_));                                                \
    } while (false)
