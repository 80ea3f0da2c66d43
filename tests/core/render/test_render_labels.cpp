// Where a dimension's text goes: clear of ports and leads, and on the canvas.
#include "core/render/labelplacement.h"

#include <QTest>

using namespace torvane;

class LabelPlacementTest : public QObject
{
    Q_OBJECT

private slots:
    void placement_data()
    {
        QTest::addColumn<QPointF>("a");
        QTest::addColumn<QPointF>("b");
        QTest::addColumn<QList<QRectF>>("obstacles");
        QTest::addColumn<QRectF>("expected");
        // A vertical measure at x = 100 from y = 50 to 250, its text 60 x 20 on the left.
        const QPointF top(100, 50);
        const QPointF bottom(100, 250);
        QTest::newRow("free: the middle")
            << top << bottom << QList<QRectF>{} << QRectF(36, 140, 60, 20);
        // Feeds and their port numbers run across the middle, as on a differential spiral.
        QTest::newRow("feeds across the middle")
            << top << bottom << QList<QRectF>{QRectF(0, 130, 100, 40)} << QRectF(36, 90, 60, 20);
        QTest::newRow("both sides blocked at the middle")
            << top << bottom << QList<QRectF>{QRectF(0, 130, 300, 40), QRectF(0, 80, 300, 30)}
            << QRectF(36, 190, 60, 20);
        // Past the canvas's left edge the text moves back onto it.
        QTest::newRow("at the edge")
            << QPointF(30, 50) << QPointF(30, 250) << QList<QRectF>{} << QRectF(0, 140, 60, 20);
        // A horizontal measure near the top, its text above it: the text stays inside.
        QTest::newRow("top edge") << QPointF(100, 5) << QPointF(300, 5) << QList<QRectF>{}
                                  << QRectF(170, 0, 60, 20);
    }

    void placement()
    {
        QFETCH(QPointF, a);
        QFETCH(QPointF, b);
        QFETCH(QList<QRectF>, obstacles);
        QFETCH(QRectF, expected);
        const QRectF label =
            measureLabel(a, b, QSizeF(60, 20), false, QRectF(0, 0, 400, 300), obstacles);
        QCOMPARE(label, expected);
        for (const QRectF &obstacle : obstacles)
            QVERIFY(!label.intersects(obstacle));
    }
};

QTEST_APPLESS_MAIN(LabelPlacementTest)
#include "test_render_labels.moc"
