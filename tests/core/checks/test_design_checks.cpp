// The design checks: each rule against a layout made to break it, the window's defaults on the
// built-in template, and the meeting places of outlines behind the overlap rule.
#include "core/checks/designchecks.h"
#include "core/checks/designreview.h"
#include "core/checks/polygoncontacts.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"

#include <QtTest>

Q_DECLARE_METATYPE(SpiralParameters)

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

QStringList codes(const QList<DesignFinding> &findings)
{
    QStringList result;
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
            QVERIFY2(review.findings.isEmpty(),
                     qPrintable(QStringLiteral("shape %1, %2 turns: %3")
                                    .arg(static_cast<int>(shape))
                                    .arg(turns)
                                    .arg(review.findings.value(0).message)));
        }
    }
}

void DesignChecksTest::eachRuleFires_data()
{
    QTest::addColumn<SpiralParameters>("parameters");
    QTest::addColumn<QStringList>("roles");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("error");
    const QStringList usual{"none", "spiral", "bridge", "none"};
    SpiralParameters p = defaults(SpiralShape::Round);
    QTest::newRow("no spiral level") << p << QStringList{"none", "none", "bridge", "none"}
                                     << FindingCode::noSpiralLevel << false;
    QTest::newRow("no bridge level") << p << QStringList{"none", "spiral", "none", "none"}
                                     << FindingCode::noBridgeLevel << false;
    QTest::newRow("feed over the bridge") << p << usual << FindingCode::leadOverlap << false;
    p.turns = 8;
    p.spiralWidth = 20;
    QTest::newRow("outside the box") << p << usual << FindingCode::outsideBox << true;
    p = defaults(SpiralShape::Round);
    p.radius = 1;
    p.spiralWidth = 20;
    QTest::newRow("winding into itself") << p << usual << FindingCode::overlap << true;
    p = defaults(SpiralShape::NSided);
    p.sides = 12;
    p.turns = 3.6;
    p.spacing = 3;
    p.radius = 50;
    QTest::newRow("feed end on the inner turn") << p << usual << FindingCode::overlap << true;
    p = defaults(SpiralShape::RoundDifferential);
    p.turns = 3;
    p.bridgeWidth = 35;
    QTest::newRow("centre tap on the crossings") << p << usual << FindingCode::overlap << true;
    p = defaults(SpiralShape::Round);
    p.spiralWidth = 0.5;
    QTest::newRow("narrow width") << p << usual << FindingCode::narrowWidth << false;
    p = defaults(SpiralShape::RoundDifferential);
    p.feedSpacingAuto = false;
    p.feedSpacing = 0.5;
    QTest::newRow("narrow feed gap") << p << usual << FindingCode::narrowGap << false;
    p = defaults(SpiralShape::Round);
    p.spiralWidth = 4;
    p.spacing = 4;
    QTest::newRow("snapped too far") << p << usual << FindingCode::offGrid << false;
    p = defaults(SpiralShape::NSidedDifferential);
    p.radius = 41.2;
    QTest::newRow("inner radius") << p << usual << FindingCode::innerRadius << true;
    p = defaults(SpiralShape::RoundDifferential);
    p.feedSpacing = 27.1;
    QTest::newRow("feed spacing, even under Auto")
        << p << usual << FindingCode::feedSpacing << false;
}

void DesignChecksTest::eachRuleFires()
{
    QFETCH(SpiralParameters, parameters);
    QFETCH(QStringList, roles);
    QFETCH(QString, code);
    QFETCH(bool, error);
    ProjectDocument document = builtInTemplate();
    const QStringList metals{"Lossless", "TopMetal", "Metal5", "Lossless"};
    const DesignReview review =
        reviewDesign(&document, parameters, metals, roles, QStringLiteral("um"));
    const qsizetype at = codes(review.findings).indexOf(code);
    QVERIFY2(at >= 0, qPrintable(codes(review.findings).join(',')));
    const DesignFinding &finding = review.findings[at];
    QCOMPARE(finding.isError(), error);
    QVERIFY(!finding.message.isEmpty());
    // Errors come first and point at what to outline.
    QCOMPARE(review.findings.first().isError(), hasErrors(review.findings));
    if (error && code != FindingCode::innerRadius)
        QVERIFY(!finding.polygons.isEmpty() && finding.location);
    // The inner radius leaves no picture; its half-turns would fold back on themselves.
    QCOMPARE(review.hasPicture(), code != FindingCode::innerRadius);
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
    QCOMPARE(reviewDesign(&document, p, metals, roles, QStringLiteral("um")).failure,
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
    const qsizetype at = codes(review.findings).indexOf(FindingCode::outsideBox);
    QVERIFY(at >= 0);
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^(\\d+) (points?) of (\\d+) (polygons?) (lies|lie) "))
            .match(review.findings[at].message);
    QVERIFY2(match.hasMatch(), qPrintable(review.findings[at].message));
    const bool onePoint = match.captured(1) == QStringLiteral("1");
    QCOMPARE(match.captured(2), onePoint ? QStringLiteral("point") : QStringLiteral("points"));
    QCOMPARE(match.captured(5), onePoint ? QStringLiteral("lies") : QStringLiteral("lie"));
    QCOMPARE(match.captured(4) == QStringLiteral("polygon"),
             match.captured(3) == QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(DesignChecksTest)
#include "test_design_checks.moc"
