// placeholder
#include <QTest>
class SpiralDifferentialTest : public QObject
{
    Q_OBJECT
};
QTEST_APPLESS_MAIN(SpiralDifferentialTest)
#include "test_spiral_differential.moc"
