// The design checks: each rule against a layout made to break it, the window's defaults on the
// built-in template, and the meeting places of outlines behind the overlap rule.
#include "core/checks/designchecks.h"
#include "core/checks/polygoncontacts.h"
#include "core/design/designreview.h"
#include "core/inductance/geometryinductance.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"
#include "core/wording/findingtext.h"
#include "core/wording/inductancetext.h"

#include <QtTest>

using namespace torvane;

Q_DECLARE_METATYPE(SpiralParameters)
Q_DECLARE_METATYPE(FindingCode)
Q_DECLARE_METATYPE(FindingValues)

namespace {
using Ring = QList<Point>;

Ring rectangle(double left, double top, double right, double bottom)
{
    return {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
}

SpiralParameters defaults(SpiralShape shape)
{
    SpiralParameters p;
    p.shape = shape;
    p.radius = isDifferential(shape) ? 50 : 25;
    return p;
}

// The built-in template's roles: level 1 carries the spiral, level 2 the bridge.
const QStringList usualRoles{"none", "spiral", "bridge", "none"};

QList<FindingCode> codes(const QList<DesignFinding> &findings)
{
    QList<FindingCode> result;
    for (const DesignFinding &finding : findings)
        result.append(finding.code);
    return result;
}
} // namespace

class DesignChecksTest : public QObject
{
    Q_OBJECT

private slots:
    void meetingPlaces_data();
    void meetingPlaces();
    void quietOnTheDefaults();
    void eachRuleFires_data();
    void eachRuleFires();
    void reviewKeepsTheTemplate();
    void outsideBoxMessageAgrees();
    void featuresOneCellWidePass_data();
    void featuresOneCellWidePass();
    void pointsPastEachEdgeOfAnOblongBox_data();
    void pointsPastEachEdgeOfAnOblongBox();
    void tapRingAllowedOnTheBridgeLevelOnly_data();
    void tapRingAllowedOnTheBridgeLevelOnly();
    void centreTapOfWidthZeroStopsTheLayout_data();
    void centreTapOfWidthZeroStopsTheLayout();
    void boxEffectAboveTwoPercent();
    void wordsOfEachKind_data();
    void wordsOfEachKind();
};

void DesignChecksTest::meetingPlaces_data()
{
    QTest::addColumn<QList<Ring>>("rings");
    QTest::addColumn<int>("selfContacts");
    QTest::addColumn<int>("places"); // of the first pair, 0 when none touch
    const Ring bar = rectangle(0, 4, 20, 6);
    QTest::newRow("apart") << QList<Ring>{bar, rectangle(0, 8, 20, 10)} << 0 << 0;
    QTest::newRow("crossing") << QList<Ring>{bar, rectangle(9, 0, 11, 10)} << 0 << 1;
    QTest::newRow("flush ends") << QList<Ring>{bar, rectangle(20, 4, 30, 6)} << 0 << 1;
    QTest::newRow("inside") << QList<Ring>{bar, rectangle(5, 4.5, 6, 5.5)} << 0 << 1;
    // A U whose arms a bar lies across: two separate places, a closed loop.
    const Ring u{{0, 0}, {2, 0}, {2, 8}, {8, 8}, {8, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
    QTest::newRow("bar across a U") << QList<Ring>{u, bar} << 0 << 2;
    QTest::newRow("bow tie") << QList<Ring>{{{0, 0}, {10, 10}, {10, 0}, {0, 10}, {0, 0}}} << 1 << 0;
    const Ring c{{0, 0}, {10, 0}, {10, 2}, {2, 2}, {2, 8}, {10, 8}, {10, 10}, {0, 10}, {0, 0}};
    QTest::newRow("C, its arms apart") << QList<Ring>{c} << 0 << 0;
    QTest::newRow("pinched at one vertex")
        << QList<Ring>{{{0, 0}, {10, 0}, {5, 5}, {10, 10}, {0, 10}, {5, 5}, {0, 0}}} << 1 << 0;
}

void DesignChecksTest::meetingPlaces()
{
    QFETCH(QList<Ring>, rings);
    QFETCH(int, selfContacts);
    QFETCH(int, places);
    const RingContacts contacts = findRingContacts(rings, 1e-9);
    QCOMPARE(contacts.selfContacts.size(), selfContacts);
    QCOMPARE(contacts.pairContacts.isEmpty() ? 0 : contacts.pairContacts.first().places, places);
}

void DesignChecksTest::quietOnTheDefaults()
{
    for (const SpiralShape shape :
         {SpiralShape::Round, SpiralShape::NSided, SpiralShape::RoundDifferential,
          SpiralShape::NSidedDifferential}) {
        for (const double turns : {1.0, 2.0, 3.0, 5.0}) {
            SpiralParameters p = defaults(shape);
            // Whole single-ended turns end where the bridge leaves: see "feed over the bridge".
            p.turns = isDifferential(shape) ? turns : turns + 0.5;
            const DesignReview review = reviewDesign(nullptr, p, {}, {}, QStringLiteral("um"));
            QVERIFY(review.hasPicture());
            // The built-in cover, 101 um above, takes more than 2 % from the larger ones.
            QList<DesignFinding> findings = review.findings;
            findings.removeIf([](const DesignFinding &finding) {
                return finding.code == FindingCode::BoxEffect;
            });
            QVERIFY2(findings.isEmpty(), qPrintable(QStringLiteral("shape %1, %2 turns: %3")
                                                        .arg(static_cast<int>(shape))
                                                        .arg(turns)
                                                        .arg(findingMessage(findings.value(0)))));
        }
    }
}

void DesignChecksTest::eachRuleFires_data()
{
    QTest::addColumn<SpiralParameters>("parameters");
    QTest::addColumn<QStringList>("roles");
    QTest::addColumn<FindingCode>("code");
    QTest::addColumn<bool>("error");
    const QStringList usual{"none", "spiral", "bridge", "none"};
    SpiralParameters p = defaults(SpiralShape::Round);
    QTest::newRow("no spiral level") << p << QStringList{"none", "none", "bridge", "none"}
                                     << FindingCode::NoSpiralLevel << false;
    QTest::newRow("no bridge level") << p << QStringList{"none", "spiral", "none", "none"}
                                     << FindingCode::NoBridgeLevel << false;
    QTest::newRow("feed over the bridge") << p << usual << FindingCode::LeadOverlap << false;
    p.turns = 8;
    p.spiralWidth = 20;
    QTest::newRow("outside the box") << p << usual << FindingCode::OutsideBox << true;
    // Nothing drawn, but the reference planes would be negative.
    QTest::newRow("wider than the box, no winding")
        << p << QStringList{"none", "none", "none", "none"} << FindingCode::OutsideBox << true;
    p = defaults(SpiralShape::Round);
    p.radius = 1;
    p.spiralWidth = 20;
    QTest::newRow("winding into itself") << p << usual << FindingCode::Overlap << true;
    p = defaults(SpiralShape::NSided);
    p.sides = 12;
    p.turns = 3.6;
    p.spacing = 3;
    p.radius = 50;
    QTest::newRow("feed end on the inner turn") << p << usual << FindingCode::Overlap << true;
    p = defaults(SpiralShape::RoundDifferential);
    p.turns = 3;
    p.bridgeWidth = 35;
    QTest::newRow("centre tap on the crossings") << p << usual << FindingCode::Overlap << true;
    p = defaults(SpiralShape::Round);
    p.spiralWidth = 0.5;
    QTest::newRow("narrow width") << p << usual << FindingCode::NarrowWidth << false;
    p = defaults(SpiralShape::RoundDifferential);
    p.feedSpacingAuto = false;
    p.feedSpacing = 0.5;
    QTest::newRow("narrow feed gap") << p << usual << FindingCode::NarrowGap << false;
    p = defaults(SpiralShape::Round);
    p.spiralWidth = 4;
    p.spacing = 4;
    QTest::newRow("snapped too far") << p << usual << FindingCode::OffGrid << false;
    p = defaults(SpiralShape::NSidedDifferential);
    p.radius = 41.2;
    QTest::newRow("inner radius") << p << usual << FindingCode::InnerRadius << true;
    p = defaults(SpiralShape::RoundDifferential);
    p.feedSpacing = 27.1;
    QTest::newRow("feed spacing, even under Auto")
        << p << usual << FindingCode::FeedSpacing << false;
    p = defaults(SpiralShape::Round);
    p.turns = 5;
    QTest::newRow("box lowers the inductance") << p << usual << FindingCode::BoxEffect << false;
}

void DesignChecksTest::eachRuleFires()
{
    QFETCH(SpiralParameters, parameters);
    QFETCH(QStringList, roles);
    QFETCH(FindingCode, code);
    QFETCH(bool, error);
    ProjectDocument document = builtInTemplate();
    const QStringList metals{"Lossless", "TopMetal", "Metal5", "Lossless"};
    const DesignReview review =
        reviewDesign(&document, parameters, metals, roles, QStringLiteral("um"));
    const qsizetype at = codes(review.findings).indexOf(code);
    QVERIFY2(at >= 0, qPrintable(findingCodeName(code) + QStringLiteral(" not found")));
    const DesignFinding &finding = review.findings[at];
    QCOMPARE(finding.isError(), error);
    QVERIFY(!findingMessage(finding).isEmpty());
    // Errors come first and point at what to outline.
    QCOMPARE(review.findings.first().isError(), hasErrors(review.findings));
    if (std::holds_alternative<SpiralWiderThanBox>(finding.values))
        QVERIFY(std::get<SpiralWiderThanBox>(finding.values).planeLength < 0);
    else if (error && code != FindingCode::InnerRadius)
        QVERIFY(!finding.polygons.isEmpty() && finding.location);
    // The inner radius leaves no picture; its half-turns would fold back on themselves.
    QCOMPARE(review.hasPicture(), code != FindingCode::InnerRadius);
}

void DesignChecksTest::reviewKeepsTheTemplate()
{
    ProjectDocument document = builtInTemplate();
    QStringList metals, roles;
    readLayerSetup(document, metals, roles);
    document.geometry.polygons.append(Polygon::square(1, 1, 1));
    const ProjectDocument before = document;
    SpiralParameters p = defaults(SpiralShape::Round);
    const DesignReview review = reviewDesign(&document, p, metals, roles, QStringLiteral("um"));
    QCOMPARE(document, before);
    QVERIFY(review.note.isEmpty());
    // The layout holds the spiral only, not what the template held before.
    QVERIFY(!review.layout.geometry.polygons.contains(before.geometry.polygons.first()));

    const DesignReview builtIn = reviewDesign(nullptr, p, {}, {}, QStringLiteral("um"));
    QCOMPARE(builtIn.note, builtInTemplateNote());
    QCOMPARE(builtIn.layout.geometry.polygons, review.layout.geometry.polygons);

    p.spiralWidth = 0;
    QCOMPARE(pictureFailureText(reviewDesign(&document, p, metals, roles, QStringLiteral("um"))),
             QStringLiteral("The conductor width must be above 0, not 0."));
    document.geometry.dielectricLayers.resize(1);
    QVERIFY(
        !reviewDesign(&document, defaults(SpiralShape::Round), metals, roles, QStringLiteral("um"))
             .hasPicture());
}

// "21 points of 1 polygon lie": the verb goes with the points, the noun with the polygons.
void DesignChecksTest::outsideBoxMessageAgrees()
{
    SpiralParameters p = defaults(SpiralShape::Round);
    p.turns = 8;
    p.spiralWidth = 20;
    ProjectDocument document = builtInTemplate();
    const DesignReview review =
        reviewDesign(&document, p, {"Lossless", "TopMetal", "Metal5", "Lossless"},
                     {"none", "spiral", "bridge", "none"}, QStringLiteral("um"));
    const qsizetype at = codes(review.findings).indexOf(FindingCode::OutsideBox);
    QVERIFY(at >= 0);
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^(\\d+) (points?) of (\\d+) (polygons?) (lies|lie) "))
            .match(findingMessage(review.findings[at]));
    QVERIFY2(match.hasMatch(), qPrintable(findingMessage(review.findings[at])));
    const bool onePoint = match.captured(1) == QStringLiteral("1");
    QCOMPARE(match.captured(2), onePoint ? QStringLiteral("point") : QStringLiteral("points"));
    QCOMPARE(match.captured(5), onePoint ? QStringLiteral("lies") : QStringLiteral("lie"));
    QCOMPARE(match.captured(4) == QStringLiteral("polygon"),
             match.captured(3) == QStringLiteral("1"));
}

void DesignChecksTest::featuresOneCellWidePass_data()
{
    QTest::addColumn<SpiralParameters>("parameters"); // on the built-in template's 1 um cells
    QTest::addColumn<QList<FindingCode>>("narrow");   // the narrow-feature findings expected
    SpiralParameters round = defaults(SpiralShape::Round);
    round.turns = 3;
    round.spiralWidth = round.spacing = round.bridgeWidth = 1;
    QTest::newRow("round, all one cell") << round << QList<FindingCode>();
    round.spacing = 0.999;
    QTest::newRow("round, gap just below") << round << QList<FindingCode>{FindingCode::NarrowGap};
    round.spacing = 1;
    round.bridgeWidth = 0.999;
    QTest::newRow("round, bridge just below")
        << round << QList<FindingCode>{FindingCode::NarrowWidth};
    SpiralParameters feeds = defaults(SpiralShape::RoundDifferential);
    feeds.spiralWidth = feeds.spacing = feeds.bridgeWidth = 1;
    feeds.feedSpacingAuto = false;
    feeds.feedSpacing = 1;
    QTest::newRow("differential, all one cell") << feeds << QList<FindingCode>();
    feeds.feedSpacing = 0.999;
    QTest::newRow("differential, feeds just below")
        << feeds << QList<FindingCode>{FindingCode::NarrowGap};
}

void DesignChecksTest::featuresOneCellWidePass()
{
    QFETCH(SpiralParameters, parameters);
    QFETCH(QList<FindingCode>, narrow);
    ProjectDocument document = builtInTemplate();
    const DesignReview review =
        reviewDesign(&document, parameters, {}, usualRoles, QStringLiteral("um"));
    QList<FindingCode> found;
    for (const FindingCode code : codes(review.findings)) {
        if (code == FindingCode::NarrowWidth || code == FindingCode::NarrowGap)
            found.append(code);
    }
    QCOMPARE(found, narrow);
}

void DesignChecksTest::pointsPastEachEdgeOfAnOblongBox_data()
{
    QTest::addColumn<Ring>("ring"); // in a box 400 wide and 200 high
    QTest::addColumn<QString>("message");
    QTest::newRow("inside, reaching past 200 along x") << rectangle(0, 0, 399, 200) << QString();
    QTest::newRow("past the left edge")
        << rectangle(-2, 50, 10, 60)
        << "2 points of 1 polygon lie outside the 400 x 200 um box, "
           "up to 2 um beyond its edge.";
    QTest::newRow("past the right edge") << rectangle(390, 50, 403, 60)
                                         << "2 points of 1 polygon lie outside the 400 x 200 um "
                                            "box, up to 3 um beyond its edge.";
    QTest::newRow("past the top edge") << rectangle(50, -4, 60, 10)
                                       << "2 points of 1 polygon lie outside the 400 x 200 um box, "
                                          "up to 4 um beyond its edge.";
    QTest::newRow("past the bottom edge") << rectangle(50, 190, 60, 205)
                                          << "2 points of 1 polygon lie outside the 400 x 200 um "
                                             "box, up to 5 um beyond its edge.";
}

void DesignChecksTest::pointsPastEachEdgeOfAnOblongBox()
{
    QFETCH(Ring, ring);
    QFETCH(QString, message);
    ProjectDocument layout = builtInTemplate();
    layout.geometry.box.yWidth = 200;
    layout.geometry.box.yCells2 = 400;
    Polygon polygon(1, 1, 0, QStringLiteral("N"));
    polygon.points = ring;
    layout.geometry.polygons.append(polygon);
    QStringList outside;
    for (const DesignFinding &finding :
         checkDesign(layout, defaults(SpiralShape::Round), usualRoles, QStringLiteral("um"))) {
        if (finding.code == FindingCode::OutsideBox)
            outside.append(findingMessage(finding));
    }
    QCOMPARE(outside, message.isEmpty() ? QStringList() : QStringList{message});
}

void DesignChecksTest::tapRingAllowedOnTheBridgeLevelOnly_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("reported");
    QTest::newRow("spiral level") << 1 << true;
    QTest::newRow("bridge level, where the centre tap's ring is") << 2 << false;
}

// A bar across a U touches it in two places: a closed loop, which only the centre tap's own
// ring on the bridge level may make.
void DesignChecksTest::tapRingAllowedOnTheBridgeLevelOnly()
{
    QFETCH(int, level);
    QFETCH(bool, reported);
    ProjectDocument layout = builtInTemplate();
    Polygon u(1, unsigned(level), 0, QStringLiteral("N"));
    u.points = {{100, 100}, {102, 100}, {102, 108}, {108, 108}, {108, 100},
                {110, 100}, {110, 110}, {100, 110}, {100, 100}};
    Polygon bar(2, unsigned(level), 0, QStringLiteral("N"));
    bar.points = rectangle(100, 104, 120, 106);
    layout.geometry.polygons = {u, bar};
    SpiralParameters tapped = defaults(SpiralShape::RoundDifferential);
    tapped.turns = 3;
    const QList<DesignFinding> findings =
        checkDesign(layout, tapped, usualRoles, QStringLiteral("um"));
    QCOMPARE(codes(findings).contains(FindingCode::Overlap), reported);
    if (reported)
        QCOMPARE(findingMessage(findings.first()),
                 QStringLiteral("Two conductors on level 1 touch in 2 separate places, closing a "
                                "loop that shorts part of the spiral."));
}

void DesignChecksTest::centreTapOfWidthZeroStopsTheLayout_data()
{
    QTest::addColumn<bool>("centreTap");
    QTest::addColumn<QString>("failure");
    QTest::newRow("drawn") << true << "The centre tap width must be above 0, not 0.";
    QTest::newRow("not drawn: its width is not used") << false << QString();
}

void DesignChecksTest::centreTapOfWidthZeroStopsTheLayout()
{
    QFETCH(bool, centreTap);
    QFETCH(QString, failure);
    for (const SpiralShape shape :
         {SpiralShape::RoundDifferential, SpiralShape::NSidedDifferential}) {
        SpiralParameters p = defaults(shape);
        p.centerTap = centreTap;
        p.bridgeWidth = 0;
        const DesignReview review = reviewDesign(nullptr, p, {}, {}, QStringLiteral("um"));
        QCOMPARE(pictureFailureText(review), failure);
        QCOMPARE(review.hasPicture(), failure.isEmpty());
    }
}

void DesignChecksTest::boxEffectAboveTwoPercent()
{
    ProjectDocument document = builtInTemplate();
    QStringList metals, roles;
    readLayerSetup(document, metals, roles);
    SpiralParameters p = defaults(SpiralShape::NSided);
    p.turns = 4;
    const GeometryInductance values = geometryInductance(p, document, metals, roles);
    QVERIFY(values.hasInBoxValues());
    const double drop = 1 - *values.inBoxReferencePlanes / *values.referencePlanes;
    QVERIFY2(drop > 0.02, qPrintable(QString::number(drop)));
    const auto messageOf = [&](const ProjectDocument &technology) {
        for (const DesignFinding &finding :
             reviewDesign(&technology, p, metals, roles, QStringLiteral("um")).findings) {
            if (finding.code == FindingCode::BoxEffect)
                return findingMessage(finding);
        }
        return QString();
    };
    const QString message = messageOf(document);
    for (const QString &text : {QString::number(100 * drop, 'f', 1) + " %",
                                geometryValueText(*values.referencePlanes * 1e9) + " nH",
                                geometryValueText(*values.inBoxReferencePlanes * 1e9) + " nH"})
        QVERIFY2(message.contains(text), qPrintable(message + " lacks " + text));
    // A cover far above and walls far off leave no more than 2 %.
    document.geometry.dielectricLayers.first().thickness = 2000;
    document.geometry.box.xWidth = document.geometry.box.yWidth = 3000;
    QVERIFY2(messageOf(document).isEmpty(), qPrintable(messageOf(document)));
}

// The sentences no rule above spells out: singular and plural, and each feature's effect.
void DesignChecksTest::wordsOfEachKind_data()
{
    QTest::addColumn<FindingValues>("values");
    QTest::addColumn<QString>("message");
    const QString um = QStringLiteral("um");
    using Contact = ConductorContact::Kind;
    QTest::newRow("no metal levels") << FindingValues(NoPicture{NoPicture::Reason::NoMetalLevels})
                                     << "The template has no metal levels to draw the spiral on.";
    QTest::newRow("two sides") << FindingValues(NoPicture{NoPicture::Reason::TooFewSides,
                                                          SpiralDimension::Turns, 0, 2})
                               << "A polygon needs at least 3 sides, not 2.";
    QTest::newRow("bridge role, single-ended")
        << FindingValues(NoBridgeRole{false})
        << "No metal level has the role \"bridge\", so the inner end of the winding is not led "
           "out.";
    QTest::newRow("three touch themselves")
        << FindingValues(ConductorContact{Contact::SelfTouch, 3, 0, 2})
        << "3 conductors on level 2 cross or touch themselves, shorting their turns.";
    QTest::newRow("one crossing touched")
        << FindingValues(ConductorContact{Contact::CrossingTouched, 1, 0, 2})
        << "A crossing on level 2 touches another conductor on its level, shorting the turns it "
           "passes under.";
    QTest::newRow("narrow centre tap")
        << FindingValues(NarrowFeature{SpiralDimension::CentreTapWidth, 0.5, 1, um})
        << "The centre tap width, 0.5 um, is narrower than one cell (1 um): the simulator may "
           "drop or widen it.";
    QTest::newRow("narrow feed gap")
        << FindingValues(NarrowFeature{SpiralDimension::FeedSpacing, 0.5, 1, um})
        << "The feed spacing, 0.5 um, is narrower than one cell (1 um): the simulator may join "
           "the two feeds.";
    QTest::newRow("one vertex off the grid")
        << FindingValues(VerticesOffGrid{1, 1, 0.5, 0.25, 2, um})
        << "1 vertex lies off the 1 x 0.5 um cell grid; the simulator moves them by up to 0.25 "
           "um, 13% of the narrowest width or gap (2 um).";
    QTest::newRow("two feeds stacked")
        << FindingValues(LeadsStacked{true, 20, Point(390, 200), um})
        << "The two feeds run on top of each other for 20 um, around (390, 200) um: their ports "
           "sit side by side and the leads couple. Let them leave on different sides (another "
           "number of turns) or further apart.";
}

void DesignChecksTest::wordsOfEachKind()
{
    QFETCH(FindingValues, values);
    QFETCH(QString, message);
    DesignFinding finding;
    finding.values = values;
    QCOMPARE(findingMessage(finding), message);
}

QTEST_GUILESS_MAIN(DesignChecksTest)
#include "test_design_checks.moc"
