// The settings wrapper against the store, group by group: names, types and defaults are the
// stored format that every earlier installation has written.
#include "guitestsupport.h"

#include "gui/window/appsettings.h"
#include "gui/window/mainwindow.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace torvane;

class SettingsTest : public QObject
{
    Q_OBJECT

    QString unusableFile; // left at the settings file's place by a test, removed after it

private slots:
    void init() { clearStoredSettings(); }
    void cleanup()
    {
        if (!unusableFile.isEmpty())
            QFile::remove(std::exchange(unusableFile, {}));
    }

    void emptyStoreGivesDefaults()
    {
        QSettings store(QStringLiteral("Ostrel"), QStringLiteral("Torvane"));
        const AppSettings s = AppSettings::read(store);
        QCOMPARE(s.window.pos, QPoint(200, 200));
        QCOMPARE(s.window.size, QSize(400, 400));
        QCOMPARE(s.window.xgeomPath, QString());
        QCOMPARE(s.window.xgeomStart, true);
        QCOMPARE(s.window.xgeomStaircase, false);
        QCOMPARE(s.base.sonTemplate, QString());
        QCOMPARE(s.base.lengthIndex, 0);
        QCOMPARE(s.base.inductanceIndex, 0);
        QCOMPARE(s.base.spiralType, 0);
        for (const ShapeTabSettings *tab : {&s.round, &s.nSided}) {
            QCOMPARE(tab->turns, 2.0);
            QCOMPARE(tab->spiralWidth, QStringLiteral("10.0"));
            QCOMPARE(tab->spacing, QStringLiteral("10.0"));
            QCOMPARE(tab->radius, QStringLiteral("25.0"));
            QCOMPARE(tab->bridgeWidth, QStringLiteral("10.0"));
        }
        QCOMPARE(s.nSided.sides, 8);
        for (const ShapeTabSettings *tab : {&s.roundDiff, &s.nSidedDiff}) {
            QCOMPARE(tab->turns, 2.0);
            QCOMPARE(tab->radius, QStringLiteral("50.0"));
            QCOMPARE(tab->feedSpacing, QStringLiteral("10.0"));
            QCOMPARE(tab->feedSpacingAuto, 2);
            QCOMPARE(tab->centerTap, 2);
        }
        QCOMPARE(s.nSidedDiff.sides, 8);
    }

    // Key as stored (group/key) and the value the window's data gives it.
    void storedKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("pos") << "pos" << QVariant(QPoint(31, 47));
        QTest::newRow("size") << "size" << QVariant(QSize(640, 700));
        QTest::newRow("xgeomPath") << "xgeomPath" << QVariant(QStringLiteral("/opt/x geom"));
        QTest::newRow("xgeomStart") << "xgeomStart" << QVariant(false);
        QTest::newRow("xgeomStaircase") << "xgeomStaircase" << QVariant(true);
        QTest::newRow("SonTemplate") << "Base/SonTemplate" << QVariant(QStringLiteral("/t/a.son"));
        QTest::newRow("LengthIndex") << "Base/LengthIndex" << QVariant(4);
        QTest::newRow("InductanceIndex") << "Base/InductanceIndex" << QVariant(5);
        QTest::newRow("SpiralType") << "Base/SpiralType" << QVariant(2);
        QTest::newRow("round turns") << "RoundSpiral/turns" << QVariant(3.75);
        QTest::newRow("round width")
            << "RoundSpiral/spiralWidth" << QVariant(QStringLiteral("1.50"));
        QTest::newRow("round spacing") << "RoundSpiral/spacing" << QVariant(QStringLiteral("2."));
        QTest::newRow("round radius") << "RoundSpiral/radius" << QVariant(QStringLiteral("0030"));
        QTest::newRow("round bridge") << "RoundSpiral/bridgeWidth" << QVariant(QStringLiteral("x"));
        QTest::newRow("n sides") << "nSidedSpiral/sides" << QVariant(12);
        QTest::newRow("n turns") << "nSidedSpiral/turns" << QVariant(4.25);
        QTest::newRow("n width") << "nSidedSpiral/spiralWidth" << QVariant(QStringLiteral("7"));
        QTest::newRow("n spacing") << "nSidedSpiral/spacing" << QVariant(QStringLiteral("8"));
        QTest::newRow("n radius") << "nSidedSpiral/radius" << QVariant(QStringLiteral("9"));
        QTest::newRow("n bridge") << "nSidedSpiral/bridgeWidth" << QVariant(QStringLiteral("6"));
        QTest::newRow("rd turns") << "roundDiffSpiral/turns" << QVariant(5);
        QTest::newRow("rd width") << "roundDiffSpiral/spiralWidth" << QVariant(QStringLiteral("1"));
        QTest::newRow("rd spacing") << "roundDiffSpiral/spacing" << QVariant(QStringLiteral("2"));
        QTest::newRow("rd radius") << "roundDiffSpiral/radius" << QVariant(QStringLiteral("3"));
        QTest::newRow("rd bridge")
            << "roundDiffSpiral/bridgeWidth" << QVariant(QStringLiteral("4"));
        QTest::newRow("rd feed") << "roundDiffSpiral/FeedSpacing" << QVariant(QStringLiteral("5"));
        QTest::newRow("rd auto") << "roundDiffSpiral/FeedSpacingAuto" << QVariant(0);
        QTest::newRow("rd tap") << "roundDiffSpiral/CenterTap" << QVariant(0);
        QTest::newRow("nd turns") << "nSidedDiffSpiral/turns" << QVariant(6);
        QTest::newRow("nd sides") << "nSidedDiffSpiral/sides" << QVariant(14);
        QTest::newRow("nd width") << "nSidedDiffSpiral/spiralWidth"
                                  << QVariant(QStringLiteral("1.25"));
        QTest::newRow("nd spacing")
            << "nSidedDiffSpiral/spacing" << QVariant(QStringLiteral("2.5"));
        QTest::newRow("nd radius") << "nSidedDiffSpiral/radius" << QVariant(QStringLiteral("77"));
        QTest::newRow("nd bridge")
            << "nSidedDiffSpiral/bridgeWidth" << QVariant(QStringLiteral("4"));
        QTest::newRow("nd feed") << "nSidedDiffSpiral/FeedSpacing"
                                 << QVariant(QStringLiteral("15"));
        QTest::newRow("nd auto") << "nSidedDiffSpiral/FeedSpacingAuto" << QVariant(0);
        QTest::newRow("nd tap") << "nSidedDiffSpiral/CenterTap" << QVariant(0);
    }

    // A value stored under its key is read into the wrapper and written back unchanged, and
    // the wrapper writes nowhere else than that key.
    void storedKeys()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        {
            QSettings store(QStringLiteral("Ostrel"), QStringLiteral("Torvane"));
            AppSettings::read(store).write(store);
            QVERIFY2(store.contains(key), "the wrapper does not write this key");
            QVERIFY(store.value(key) != value);
            store.setValue(key, value);
        }
        QSettings store(QStringLiteral("Ostrel"), QStringLiteral("Torvane"));
        const QStringList keysBefore = store.allKeys();
        AppSettings::read(store).write(store);
        QCOMPARE(store.allKeys(), keysBefore);
        QCOMPARE(store.value(key).toString(), value.toString());
        if (value.typeId() == QMetaType::QPoint || value.typeId() == QMetaType::QSize)
            QCOMPARE(store.value(key), value);
    }

    void everyKeyIsWritten()
    {
        QSettings store(QStringLiteral("Ostrel"), QStringLiteral("Torvane"));
        AppSettings().write(store);
        QCOMPARE(store.allKeys().size(), 5 + 5 + 5 + 6 + 8 + 9);
        QCOMPARE(store.childGroups(), (QStringList{"Base", "RoundSpiral", "nSidedDiffSpiral",
                                                   "nSidedSpiral", "roundDiffSpiral"}));
    }

    // Check boxes are written as check states and read back as flags.
    void checkStates_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("read");
        QTest::newRow("checked") << QVariant(2) << 2;
        QTest::newRow("partial") << QVariant(1) << 2;
        QTest::newRow("unchecked") << QVariant(0) << 0;
        QTest::newRow("text true") << QVariant(QStringLiteral("true")) << 2;
        QTest::newRow("text false") << QVariant(QStringLiteral("false")) << 0;
    }

    void checkStates()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, read);
        storeSetting(QStringLiteral("roundDiffSpiral/FeedSpacingAuto"), stored);
        storeSetting(QStringLiteral("nSidedDiffSpiral/CenterTap"), stored);
        QSettings store(QStringLiteral("Ostrel"), QStringLiteral("Torvane"));
        const AppSettings s = AppSettings::read(store);
        QCOMPARE(s.roundDiff.feedSpacingAuto, read);
        QCOMPARE(s.nSidedDiff.centerTap, read);
        QCOMPARE(s.roundDiff.centerTap, 2);
    }

    void unreadableNumbersGiveZero()
    {
        storeSetting(QStringLiteral("Base/LengthIndex"), QStringLiteral("three"));
        storeSetting(QStringLiteral("RoundSpiral/turns"), QStringLiteral("many"));
        QSettings store(QStringLiteral("Ostrel"), QStringLiteral("Torvane"));
        const AppSettings s = AppSettings::read(store);
        QCOMPARE(s.base.lengthIndex, 0);
        QCOMPARE(s.round.turns, 0.0);
    }

    // What stands at the settings file's place and is no file to use is left as it is: the
    // window starts with the defaults, and its quit writes nothing there.
    void unusableSettingsFilesAreLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to a FIFO") << "link";
        QTest::newRow("larger than any settings") << "large";
    }

    void unusableSettingsFilesAreLeftAlone()
    {
        QFETCH(QString, kind);
        storeSetting(QStringLiteral("Base/SpiralType"), 2);
        const QString path =
            QSettings(QStringLiteral("Ostrel"), QStringLiteral("Torvane")).fileName();
        QVERIFY(QFile::remove(path));
        unusableFile = path;
        QTemporaryDir dir;
        const QString fifo = kind == "link" ? dir.filePath("fifo") : path;
        if (kind == "large") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("[Base]\nSpiralType=2\n" + QByteArray(largestSettingsFile, 'x')) >
                    0);
        } else {
            QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        }
        if (kind == "link")
            QVERIFY(QFile::link(fifo, path));
        const QFileInfo before(path);
        {
            ScriptedPrompts prompts;
            MainWindow window(prompts);
            QCOMPARE(form(window).tabWidget->currentIndex(), 0);
            window.close();
        }
        const QFileInfo after(path);
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(QFileInfo(fifo).isFile(), kind == "large");
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.lastModified(), before.lastModified());
    }
};

TORVANE_GUI_TEST_MAIN(SettingsTest)
#include "test_gui_settings.moc"
