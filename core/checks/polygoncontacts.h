#pragma once

#include "core/sonnet/geometryrecords.h"

#include <QList>

namespace torvane {

// Where the outlines of conductors on one level meet. Outlines are closed rings of points; a
// repeated closing point and repeated neighbours are ignored, and rings of fewer than three
// distinct points are left out. Two outlines closer than `tolerance` count as touching.
struct RingContacts
{
    struct SelfContact
    {
        int ring = 0;
        Point at;
    };
    // Two rings that overlap or touch, and in how many separate places.
    struct PairContact
    {
        int first = 0;
        int second = 0;
        int places = 0;
        Point at;
    };
    QList<SelfContact> selfContacts; // rings whose outline crosses or touches itself
    QList<PairContact> pairContacts;
};

RingContacts findRingContacts(const QList<QList<Point>> &rings, double tolerance);

// Inside by the even-odd rule, or within `tolerance` of the outline.
bool ringCovers(const QList<Point> &ring, const Point &point, double tolerance);

} // namespace torvane
