// Sweep value lists, CSV records and the parallel loop.
#include "core/batch/csvwriter.h"
#include "core/batch/parallelfor.h"
#include "core/batch/valuelist.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <vector>

using namespace torvane;

class BatchTest : public QObject
{
    Q_OBJECT

private slots:
    void valueLists_data();
    void valueLists();
    void csvQuotesWhatNeedsIt();
    void parallelForRunsEachIndexOnce();
};

void BatchTest::valueLists_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("error"); // a part of the message
    QTest::newRow("list") << "8,10,12" << QStringList{"8", "10", "12"} << QString();
    QTest::newRow("stop included")
        << "1:2:0.25" << QStringList{"1", "1.25", "1.5", "1.75", "2"} << QString();
    // 0.1 steps reach 0.30000000000000004, within 1e-9 of the stop.
    QTest::newRow("float steps land on the stop")
        << "0:0.3:0.1" << QStringList{"0", "0.1", "0.2", "0.3"} << QString();
    QTest::newRow("stop missed") << "1:2:0.3" << QStringList{"1", "1.3", "1.6", "1.9"} << QString();
    QTest::newRow("downwards") << "10:4:-3" << QStringList{"10", "7", "4"} << QString();
    QTest::newRow("start on the stop") << "50:50:1" << QStringList{"50"} << QString();
    QTest::newRow("exponent decimals")
        << "1e-3:3e-3:1e-3" << QStringList{"0.001", "0.002", "0.003"} << QString();
    QTest::newRow("mixed, duplicates once")
        << "2, 4:8:2 ,8.0" << QStringList{"2", "4", "6", "8"} << QString();
    QTest::newRow("single value as typed") << "2.50" << QStringList{"2.50"} << QString();
    QTest::newRow("zero step") << "1:2:0" << QStringList() << "must not be 0";
    QTest::newRow("wrong direction") << "1:2:-1" << QStringList() << "never reaches 2";
    QTest::newRow("two parts") << "1:2" << QStringList() << "START:STOP:STEP";
    QTest::newRow("not a number") << "1:x:1" << QStringList() << "'x'";
    QTest::newRow("empty entry") << "1,,2" << QStringList() << "empty entry";
    QTest::newRow("too many") << "0:1:1e-6" << QStringList() << "more than";
}

void BatchTest::valueLists()
{
    QFETCH(QString, text);
    QFETCH(QStringList, values);
    QFETCH(QString, error);
    const ValueList list = expandValueList(text);
    QCOMPARE(list.value_or({}), values);
    QVERIFY2(error.isEmpty() ? list.ok() : list.error().contains(error), qPrintable(list.error()));
}

void BatchTest::csvQuotesWhatNeedsIt()
{
    const QStringList fields{"plain", "a,b", "say \"hi\"", "two\nlines", " padded", "", "2.5"};
    const QByteArray record = csvRecord(fields);
    QCOMPARE(record,
             QByteArray("plain,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\" padded\",,2.5\r\n"));
    // Names from a template that a spreadsheet would run; numbers stay numbers.
    QCOMPARE(
        csvRecord({"=HYPERLINK(\"x\")", "+1+2", "-A1", "@SUM(A1)", "-2.5", "+3", "a=b"}),
        QByteArray("\"'=HYPERLINK(\"\"x\"\")\",\"'+1+2\",\"'-A1\",\"'@SUM(A1)\",-2.5,+3,a=b\r\n"));

    CsvWriter writer;
    writer.addRecord({"file", "reason"});
    writer.addRecord({"x.son", "Inner radius must exceed 41.2 um, or else"});
    QTemporaryDir dir;
    const QString path = dir.filePath("index.csv");
    QVERIFY(writer.save(path).ok());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), writer.data());
    const torvane::Status missing = writer.save(dir.filePath("missing/index.csv"));
    QVERIFY(!missing.ok());
    QVERIFY(!missing.error().isEmpty());
}

void BatchTest::parallelForRunsEachIndexOnce()
{
    for (const int threads : {0, 1, 3}) {
        std::vector<std::atomic<int>> runs(1000);
        parallelFor(
            static_cast<int>(runs.size()), [&](int index) { ++runs[static_cast<size_t>(index)]; },
            threads);
        for (const auto &count : runs)
            QCOMPARE(count.load(), 1);
    }
}

QTEST_GUILESS_MAIN(BatchTest)
#include "test_batch.moc"
