// The word, line and number reading every block reader stands on.
#include "core/files/mappedfile.h"
#include "core/sonnet/polygonbatches.h"
#include "core/sonnet/projectio.h"
#include "core/sonnet/sontextreader.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <thread>

using namespace torvane;

class SonnetReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void reals_data();
    void reals();
    void realsAgreeWithGeneralConversion();
    void realsFollowedByMoreTextReadAlike();
    void realPairsReadAsTwoReals();
    void integers_data();
    void integers();
    void wordsAndLines();
    void polygonsReadInPartsAsInOne_data();
    void polygonsReadInPartsAsInOne();
    void damagedSectionsReadInPartsAsInOne();
    void polygonsOfAMappedFileReadInParts();
};

void SonnetReaderTest::reals_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("rest");

    QTest::newRow("plain") << QByteArray("  12.5 x") << 12.5 << true << QByteArray(" x");
    QTest::newRow("sign and exponent")
        << QByteArray("-6.600000006e-006\n") << -6.600000006e-6 << true << QByteArray("\n");
    QTest::newRow("plus sign") << QByteArray("+3") << 3.0 << true << QByteArray();
    QTest::newRow("leading point") << QByteArray(".5,") << 0.5 << true << QByteArray(",");
    QTest::newRow("trailing point") << QByteArray("7.") << 7.0 << true << QByteArray();
    QTest::newRow("exponent without digits stays")
        << QByteArray("1e+x") << 1.0 << true << QByteArray("e+x");
    QTest::newRow("across lines") << QByteArray("\r\n\t 4") << 4.0 << true << QByteArray();
    QTest::newRow("word is not a number")
        << QByteArray(" TLAYNAM") << 0.0 << false << QByteArray("TLAYNAM");
    QTest::newRow("lone sign") << QByteArray("- 1") << 0.0 << false << QByteArray("- 1");
    QTest::newRow("infinity") << QByteArray("-inf ") << -qInf() << true << QByteArray(" ");
    QTest::newRow("overflow") << QByteArray("1e999") << qInf() << true << QByteArray();
    QTest::newRow("underflow") << QByteArray("1e-999") << 0.0 << true << QByteArray();
    QTest::newRow("twenty digits")
        << QByteArray("12345678901234567890.5") << 12345678901234567890.5 << true << QByteArray();
    QTest::newRow("many leading zeros")
        << QByteArray("0000000000000000000000001.25") << 1.25 << true << QByteArray();
    QTest::newRow("end of input") << QByteArray("   ") << 0.0 << false << QByteArray();
}

void SonnetReaderTest::reals()
{
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    QFETCH(bool, ok);
    QFETCH(QByteArray, rest);
    SonTextReader in(text);
    bool parsed = !ok;
    QCOMPARE(in.readReal(&parsed), value);
    QCOMPARE(parsed, ok);
    QCOMPARE(QByteArray(text.right(in.remainingBytes())), rest);
}

void SonnetReaderTest::realsAgreeWithGeneralConversion()
{
    // The quick path for short numbers must round exactly like the general conversion.
    QRandomGenerator random(99);
    for (int i = 0; i < 200000; ++i) {
        QByteArray text = QByteArray::number(random.bounded(0, 1 << 30));
        const int decimals = random.bounded(0, 12);
        if (decimals > 0) {
            text.insert(std::max<qsizetype>(0, text.size() - decimals), '.');
            if (text.startsWith('.'))
                text.prepend('0');
        }
        if (random.bounded(4) == 0)
            text += 'e' + QByteArray::number(random.bounded(-30, 30));
        double expected = 0;
        std::from_chars(text.constData(), text.constData() + text.size(), expected);
        SonTextReader in(text);
        const double value = in.readReal();
        if (value != expected)
            QFAIL(qPrintable(QStringLiteral("%1 read as %2, expected %3")
                                 .arg(QString::fromLatin1(text))
                                 .arg(value, 0, 'g', 17)
                                 .arg(expected, 0, 'g', 17)));
    }
}

namespace {
// Digits before and after an optional point, a sign and an exponent now and then.
QByteArray randomNumberText(QRandomGenerator &random)
{
    const QByteArray digits = "0123456789";
    QByteArray number;
    if (random.bounded(3) == 0)
        number += random.bounded(2) ? '-' : '+';
    for (int n = random.bounded(0, 10); n > 0; --n)
        number += digits[random.bounded(10)];
    if (random.bounded(4) != 0)
        number += '.';
    for (int n = random.bounded(0, 10); n > 0; --n)
        number += digits[random.bounded(10)];
    if (random.bounded(5) == 0)
        number += "eE"[random.bounded(2)] + QByteArray::number(random.bounded(-30, 30));
    return number;
}
} // namespace

void SonnetReaderTest::realsFollowedByMoreTextReadAlike()
{
    // Numbers with enough text after them take the eight-byte path; alone at the end of the
    // input they take the general one. Value, sign of zero and end must agree.
    QRandomGenerator random(7);
    const QByteArray stops = " \n\t-,x\xa0"; // none of them continues a number
    const auto isAsciiDigit = [](char c) {
        return c >= '0' && c <= '9';
    };
    for (int i = 0; i < 300000; ++i) {
        const QByteArray number = randomNumberText(random);
        // Blanks or a sign would let a number without digits run on into the next one.
        const bool hasDigit = std::any_of(number.begin(), number.end(), isAsciiDigit);
        const int stop = random.bounded(hasDigit ? 0 : 4, stops.size());
        const QByteArray followed = number + stops[stop] + "9 17.25 123456789\n";
        bool alone = false;
        bool inText = false;
        SonTextReader general(number);
        SonTextReader quick(followed);
        const double expected = general.readReal(&alone);
        const double value = quick.readReal(&inText);
        const qsizetype used = followed.size() - quick.remainingBytes();
        if (std::bit_cast<quint64>(value) != std::bit_cast<quint64>(expected) || inText != alone ||
            (alone && used != number.size() - general.remainingBytes()))
            QFAIL(qPrintable(QStringLiteral("'%1' read as %2 (%3 bytes), alone as %4")
                                 .arg(QString::fromLatin1(followed))
                                 .arg(value, 0, 'g', 17)
                                 .arg(used)
                                 .arg(expected, 0, 'g', 17)));
    }
}

void SonnetReaderTest::realPairsReadAsTwoReals()
{
    // Lines shaped like a point's, or nearly: the pair must give the values, the answer and the
    // position of two readReal() calls, with room behind for the quick way and without.
    QRandomGenerator random(23);
    const QByteArrayList before = {"", "\n", "\r\n", " ", "\n\n", "\t", "\r", "x"};
    const QByteArrayList between = {" ", " ", " ", "  ", "\t", "", "\n", ",", " -"};
    const QByteArrayList after = {"\n", "\r\n", " 5\n", "e", "x", "", "."};
    for (int i = 0; i < 100000; ++i) {
        const QByteArray line = before[random.bounded(before.size())] + randomNumberText(random) +
                                between[random.bounded(between.size())] + randomNumberText(random) +
                                after[random.bounded(after.size())];
        const QByteArray text = random.bounded(2) ? line + QByteArray(64, '7') : line;
        SonTextReader twice(text);
        bool ok = false;
        const double x = twice.readReal(&ok);
        const double y = ok ? twice.readReal(&ok) : 0;
        SonTextReader paired(text);
        double first = 0;
        double second = 0;
        const bool pairOk = paired.readRealPair(first, second);
        const bool same = pairOk == ok && paired.position() == twice.position() &&
                          std::bit_cast<quint64>(first) == std::bit_cast<quint64>(x) &&
                          (!ok || std::bit_cast<quint64>(second) == std::bit_cast<quint64>(y));
        if (!same)
            QFAIL(qPrintable(QStringLiteral("'%1': pair %2 %3 %4, two reals %5 %6 %7")
                                 .arg(QString::fromLatin1(text))
                                 .arg(pairOk)
                                 .arg(first, 0, 'g', 17)
                                 .arg(second, 0, 'g', 17)
                                 .arg(ok)
                                 .arg(x, 0, 'g', 17)
                                 .arg(y, 0, 'g', 17)));
    }
}

void SonnetReaderTest::integers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("asInt");
    QTest::addColumn<uint>("asUnsigned");
    QTest::newRow("plain") << QByteArray("42") << qint64(42) << 42 << 42u;
    QTest::newRow("negative") << QByteArray("-1") << qint64(-1) << -1 << 4294967295u;
    QTest::newRow("stops at point") << QByteArray("3.9") << qint64(3) << 3 << 3u;
    QTest::newRow("saturates") << QByteArray("99999999999999999999999") << qint64(INT64_MAX)
                               << INT_MAX << 4294967295u;
    QTest::newRow("18 digits") << QByteArray("999999999999999999") << qint64(999999999999999999)
                               << INT_MAX << 2808348671u;
    QTest::newRow("the largest") << QByteArray("9223372036854775807") << qint64(INT64_MAX)
                                 << INT_MAX << 4294967295u;
    QTest::newRow("one above the largest")
        << QByteArray("-9223372036854775808") << -qint64(INT64_MAX) << INT_MIN << 1u;
    QTest::newRow("leading zeros")
        << QByteArray("0000000000000000000042") << qint64(42) << 42 << 42u;
    // With eight bytes or more left, up to seven digits are read at once.
    QTest::newRow("seven digits, more text")
        << QByteArray("1234567 1 1 100") << qint64(1234567) << 1234567 << 1234567u;
    QTest::newRow("eight digits, more text")
        << QByteArray("12345678 1 1 100") << qint64(12345678) << 12345678 << 12345678u;
    QTest::newRow("negative, more text")
        << QByteArray("-42 0 0 100 100") << qint64(-42) << -42 << 4294967254u;
    QTest::newRow("not a number") << QByteArray("GND") << qint64(0) << 0 << 0u;
}

void SonnetReaderTest::integers()
{
    QFETCH(QByteArray, text);
    QFETCH(qint64, value);
    QFETCH(int, asInt);
    QFETCH(uint, asUnsigned);
    SonTextReader reader(text);
    QCOMPARE(reader.readInteger(), value);
    // Reading stops right after the last digit.
    qsizetype numberEnd = text.startsWith('-') ? 1 : 0;
    while (numberEnd < text.size() && std::isdigit(static_cast<unsigned char>(text.at(numberEnd))))
        ++numberEnd;
    QCOMPARE(reader.position() - text.constData(), numberEnd);
    QCOMPARE(SonTextReader(text).readInt(), asInt);
    QCOMPARE(SonTextReader(text).readUnsigned(), asUnsigned);
}

void SonnetReaderTest::wordsAndLines()
{
    SonTextReader in("  FTYP SONPROJ\r\nA\xa0"
                     "B \t C\n\nlast");
    QCOMPARE(in.readWordView(), QByteArrayView("FTYP"));
    QCOMPARE(in.readLineView(), QByteArrayView(" SONPROJ"));
    QCOMPARE(in.readWordView(), QByteArrayView("A\xa0"
                                               "B")); // 0xA0 is no blank
    QCOMPARE(in.readWordOnLineView(), QByteArrayView("C"));
    QCOMPARE(in.readWordOnLineView(), QByteArrayView());
    in.skipRestOfLine();
    QCOMPARE(in.readLineView(), QByteArrayView());
    QCOMPARE(in.readLineView(), QByteArrayView("last"));
    QVERIFY(in.atEnd());
    QCOMPARE(in.readWordView(), QByteArrayView());
    QCOMPARE(in.readLineView(), QByteArrayView());
}

namespace {
// The count after "NUM", then `present` polygons (metal, vias, keyword lines), then the rest of a
// block. From `brokenFrom` on, vias lack their TOLEVEL line, so that reading takes an "END" line
// into the middle of a polygon.
QByteArray polygonSection(int count, int present, int liarAt, const char *lineEnd,
                          int brokenFrom = -1)
{
    QByteArray text = QByteArray::number(count) + lineEnd;
    for (int i = 0; i < present; ++i) {
        const bool broken = brokenFrom >= 0 && i >= brokenFrom;
        const int points = broken ? 0 : 3 + i % 6;
        const bool via = broken || i % 7 == 3;
        if (via)
            text += QByteArray("VIA POLYGON") + lineEnd;
        // One polygon claims more points than it has; its points end at its END all the same.
        const int claimed = i == liarAt ? points + 40 : points;
        text += QByteArray::number(i % 3) + ' ' + QByteArray::number(claimed) + " 0 N " +
                QByteArray::number(i + 1) + " 1 1 100 100 0 0 0 Y" + lineEnd;
        if (via && !broken)
            text += QByteArray("TOLEVEL 2 RING COVERS") + lineEnd;
        if (i % 11 == 5)
            text += QByteArray("TLAYNAM M1 INH") + lineEnd;
        for (int k = 0; k < points; ++k)
            text += QByteArray::number(i * 1.25 + k, 'f', 7) + ' ' +
                    QByteArray::number(-0.5 * k, 'f', 7) + lineEnd;
        text += QByteArray("END") + lineEnd;
    }
    return text + "END GEO" + lineEnd + "FREQ" + lineEnd;
}

struct SectionRead
{
    QList<Polygon> polygons;
    qsizetype consumed = 0;
    std::int64_t inParts = 0;
};

SectionRead readSection(const QByteArray &text, qsizetype partBytes)
{
    SonTextReader in(text);
    const std::int64_t count = in.readInteger();
    in.skipRestOfLine();
    SectionRead read;
    read.inParts = readPolygonsInParts(in, count, read.polygons, partBytes);
    for (std::int64_t i = read.inParts; i < count && !in.atEnd(); ++i)
        read.polygons.append(readPolygon(in));
    read.consumed = in.position() - text.constData();
    return read;
}
} // namespace

void SonnetReaderTest::polygonsReadInPartsAsInOne_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qsizetype>("partBytes");
    QTest::addColumn<int>("inParts"); // how many are read in parts; -1: some, not all
    // Parts of 0 bytes hold a polygon each.
    const QByteArray asWritten = polygonSection(400, 400, -1, "\n");
    QTest::newRow("a polygon a part") << asWritten << qsizetype(0) << 400;
    QTest::newRow("a few polygons a part") << asWritten << qsizetype(1000) << 400;
    QTest::newRow("CR LF") << polygonSection(400, 400, -1, "\r\n") << qsizetype(700) << 400;
    QTest::newRow("count below the polygons")
        << polygonSection(300, 400, -1, "\n") << qsizetype(900) << 300;
    QTest::newRow("count above the polygons")
        << polygonSection(500, 400, -1, "\n") << qsizetype(900) << 400;
    QTest::newRow("a point count too large early")
        << polygonSection(400, 400, 20, "\n") << qsizetype(500) << 400;
    QTest::newRow("a point count too large late")
        << polygonSection(400, 400, 350, "\n") << qsizetype(0) << 400;
    QTest::newRow("END lines inside polygons")
        << polygonSection(400, 400, -1, "\n", 60) << qsizetype(800) << -1;
}

void SonnetReaderTest::polygonsReadInPartsAsInOne()
{
    QFETCH(QByteArray, text);
    QFETCH(qsizetype, partBytes);
    QFETCH(int, inParts);
    const SectionRead inOne = readSection(text, std::numeric_limits<qsizetype>::max());
    const SectionRead read = readSection(text, partBytes);
    QCOMPARE(inOne.inParts, 0);
    QVERIFY(inOne.polygons.size() >= 200); // the section is read at all
    QCOMPARE(read.polygons.size(), inOne.polygons.size());
    QVERIFY(read.polygons == inOne.polygons);
    QCOMPARE(read.consumed, inOne.consumed);
    if (std::thread::hardware_concurrency() < 2)
        return;
    if (inParts >= 0)
        QCOMPARE(read.inParts, inParts);
    else
        QVERIFY(read.inParts > 0 && read.inParts < 400);
}

void SonnetReaderTest::damagedSectionsReadInPartsAsInOne()
{
    // Lines dropped, doubled or swapped for a bare END: wherever the damage falls, reading in
    // parts of any size keeps to what reading one polygon after the other makes of the text.
    QRandomGenerator random(11);
    for (int round = 0; round < 60; ++round) {
        QList<QByteArray> lines =
            polygonSection(120, 120, -1, round % 2 ? "\r\n" : "\n").split('\n');
        for (int damage = random.bounded(1, 4); damage > 0; --damage) {
            const auto at = random.bounded(1, static_cast<int>(lines.size()) - 1);
            switch (random.bounded(3)) {
            case 0:
                lines.removeAt(at);
                break;
            case 1:
                lines.insert(at, lines[at]);
                break;
            default:
                lines[at] = "END";
            }
        }
        const QByteArray text = lines.join('\n');
        const SectionRead inOne = readSection(text, std::numeric_limits<qsizetype>::max());
        const SectionRead read = readSection(text, random.bounded(0, 3000));
        QCOMPARE(read.polygons.size(), inOne.polygons.size());
        QVERIFY(read.polygons == inOne.polygons);
        QCOMPARE(read.consumed, inOne.consumed);
    }
}

void SonnetReaderTest::polygonsOfAMappedFileReadInParts()
{
    // A mapped file's parts are counted and read through their windows of pages: every part's
    // count must be exact, or its polygons would be read one after the other instead.
    if (std::thread::hardware_concurrency() < 2)
        QSKIP("reading in parts needs two processors");
    QRandomGenerator random(17);
    QTemporaryDir dir;
    for (int round = 0; round < 12; ++round) {
        const int polygons = 16000 + random.bounded(4000);
        const QByteArray text = QByteArray(random.bounded(200), ' ') + '\n' +
                                polygonSection(polygons, polygons, -1, round % 2 ? "\r\n" : "\n");
        const QString path = dir.filePath(QStringLiteral("section%1.txt").arg(round));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text) == text.size());
        out.close();
        QFile file(path);
        MappedFile mapped;
        QVERIFY(file.open(QIODevice::ReadOnly) && mapped.map(file).ok());
        PageWindow window(mapped.begin(), mapped.end());
        SonTextReader in(window);
        in.skipRestOfLine();
        const std::int64_t count = in.readInteger();
        in.skipRestOfLine();
        QList<Polygon> read;
        const qsizetype partBytes = random.bounded(70000, 600000);
        QCOMPARE(readPolygonsInParts(in, count, read, partBytes), std::int64_t(polygons));
        QVERIFY(read ==
                readSection(text.mid(text.indexOf('\n') + 1), std::numeric_limits<qsizetype>::max())
                    .polygons);
    }
}

QTEST_GUILESS_MAIN(SonnetReaderTest)
#include "test_sonnet_reader.moc"
