// Loading and saving project files, the result folder, and the geometry operations.
#include "core/files/checkedsavefile.h"
#include "core/files/mappedfile.h"
#include "core/sonnet/projectdocument.h"
#include "tests/support/filesizelimit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>

using namespace torvane;

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

ProjectDocument smallProject()
{
    ProjectDocument document = parseProject("FTYP SONPROJ 4\nVER 12\nHEADER\nLIC x\nEND HEADER\n"
                                            "GEO\nBOX 1 10 10 20 20 20 0\n 1 1 1 0 0 0 0 \"A\"\n"
                                            " 2 1 1 0 0 0 0 \"B\"\nEND GEO\n");
    Polygon polygon(10, 0, -1, QStringLiteral("V"));
    polygon.points = {{0, 0}, {1, 0}, {1, 1}, {0, 0}};
    document.geometry.polygons.append(polygon);
    return document;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
} // namespace

class SonnetFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void saveAndLoadRoundTrip();
    void largeFilesKeepEveryByte();
    void polygonCountsReserveOnlyWhatTheTextHolds();
    void loadFailureLeavesDocument_data();
    void loadFailureLeavesDocument();
    void resultFolder_data();
    void resultFolder();
    void resultFolderEmptiesOnlyPlainFiles();
    void resultFolderNeverFollowsLinks();
    void failedSaveKeepsOldFileAndFolder();
    void reservedRoomBeyondTheTextIsGivenBack();
    void resultFolderNeedsAPlainBaseName();
    void resultFolderSurvivesLinkSwaps();
    void fileCutWhileMappedIsReported();
    void referencePlanesReplaceBySide();
    void clearAndStaircase();
    void metalTypeIndexIsExactAndFirst();
};

void SonnetFilesTest::saveAndLoadRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("demo.son");
    const ProjectDocument document = smallProject();
    QCOMPARE(saveProject(path, document), 0);
    ProjectDocument loaded;
    QCOMPARE(loadProject(path, loaded), 0);
    QCOMPARE(loaded, document);
    QCOMPARE(readAll(path), serializeProject(document));
    QVERIFY(readAll(path).endsWith("END GEO\n\n"));
}

void SonnetFilesTest::largeFilesKeepEveryByte()
{
    // Some 15 MB: written in batches by several threads, read through a window of pages that
    // are brought in ahead and handed back behind.
    ProjectDocument document = smallProject();
    QRandomGenerator random(5);
    for (int i = 0; i < 50000; ++i) {
        Polygon polygon(i, static_cast<unsigned>(i % 2), 0, i % 3 ? "N" : "V");
        for (int k = 0; k < 10; ++k)
            polygon.points.append({random.bounded(5000.0) - 500, random.bounded(5000.0)});
        if (i % 9 == 0)
            polygon.makeVia(0, 1);
        document.geometry.polygons.append(polygon);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("large.son");
    QCOMPARE(writeProjectFile(path, document), 0);
    QCOMPARE(readAll(path), serializeProject(document));
    ProjectDocument loaded;
    QCOMPARE(loadProject(path, loaded), 0);
    QCOMPARE(loaded, parseProject(readAll(path)));
    QCOMPARE(serializeProject(loaded), readAll(path));
}

void SonnetFilesTest::polygonCountsReserveOnlyWhatTheTextHolds()
{
    // One polygon, padded by a long keyword line so that the text could hold a few.
    const QByteArray polygon =
        "0 2 0 N 1 1 1 100 100 0 0 0 Y\nTLAYNAM " + QByteArray(200, 'M') + "\n1 2\n3 4\nEND\n";
    const ProjectDocument absurd = parseProject("GEO\nNUM 2147483648\n" + polygon);
    QCOMPARE(absurd.geometry.polygons.size(), 1);
    QVERIFY(absurd.geometry.polygons.capacity() < 1000);
    // A count the text could hold but does not: the room made for it is given back.
    const ProjectDocument fewer = parseProject("GEO\nNUM 3\n" + polygon);
    QCOMPARE(fewer.geometry.polygons.size(), 1);
    QCOMPARE(fewer.geometry.polygons.capacity(), 1);
}

void SonnetFilesTest::loadFailureLeavesDocument_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "missing.son";
    QTest::newRow("folder") << ".";
}

void SonnetFilesTest::loadFailureLeavesDocument()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    ProjectDocument document = smallProject();
    QString reason;
    QCOMPARE(loadProject(dir.filePath(name), document, &reason), 1);
    QVERIFY(!reason.isEmpty());
    QCOMPARE(document, smallProject());
}

void SonnetFilesTest::resultFolder_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("existsBefore");
    QTest::newRow("created") << "demo.son"
                             << "sondata/demo" << false;
    QTest::newRow("emptied") << "demo.son"
                             << "sondata/demo" << true;
    QTest::newRow("last extension only") << "demo.old.son"
                                         << "sondata/demo.old" << false;
    QTest::newRow("no extension") << "plain"
                                  << "sondata/plain" << true;
}

void SonnetFilesTest::resultFolder()
{
    QFETCH(QString, fileName);
    QFETCH(QString, folder);
    QFETCH(bool, existsBefore);
    QTemporaryDir dir;
    if (existsBefore) {
        QVERIFY(QDir(dir.path()).mkpath(folder));
        writeFile(dir.filePath(folder + "/old.s2p"), "stale");
    }
    QCOMPARE(saveProject(dir.filePath(fileName), smallProject()), 0);
    QVERIFY(QFileInfo(dir.filePath(folder)).isDir());
    QCOMPARE(entries(dir.filePath(folder)), QStringList());
    QCOMPARE(resultFolderPath(dir.filePath(fileName)), QDir(dir.path()).absoluteFilePath(folder));
}

void SonnetFilesTest::resultFolderEmptiesOnlyPlainFiles()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("sondata/demo");
    QVERIFY(QDir().mkpath(folder + "/sub"));
    writeFile(folder + "/a.csv", "1");
    writeFile(folder + "/.hidden", "2");
    writeFile(folder + "/sub/b.csv", "3");
    QCOMPARE(saveProject(dir.filePath("demo.son"), smallProject()), 0);
    QCOMPARE(entries(folder), QStringList({".hidden", "sub"}));
    QCOMPARE(readAll(folder + "/sub/b.csv"), QByteArray("3"));
}

void SonnetFilesTest::resultFolderNeverFollowsLinks()
{
    QTemporaryDir dir;
    const QString outside = dir.filePath("outside");
    QVERIFY(QDir().mkpath(outside));
    writeFile(outside + "/precious.txt", "keep me");

    // A link inside the result folder, and the result folder itself being a link.
    QVERIFY(QDir().mkpath(dir.filePath("p/sondata/demo")));
    QVERIFY(QFile::link(outside + "/precious.txt", dir.filePath("p/sondata/demo/link.txt")));
    QVERIFY(QDir().mkpath(dir.filePath("q/sondata")));
    QVERIFY(QFile::link(outside, dir.filePath("q/sondata/demo")));

    QCOMPARE(saveProject(dir.filePath("p/demo.son"), smallProject()), 0);
    QCOMPARE(saveProject(dir.filePath("q/demo.son"), smallProject()), 0);
    QCOMPARE(readAll(outside + "/precious.txt"), QByteArray("keep me"));
    QCOMPARE(entries(outside), QStringList{"precious.txt"});
}

void SonnetFilesTest::reservedRoomBeyondTheTextIsGivenBack()
{
    // A file that takes room on the disk for more than is written holds only what was written
    // and keeps no more of the disk; writing past the room simply goes on.
    QTemporaryDir dir;
    const QString path = dir.filePath("room.son");
    for (const qint64 size : {qint64(10), qint64(3) << 20}) {
        CheckedSaveFile file(path);
        QVERIFY(file.open());
        if (!file.reserve(qint64(1) << 20))
            QSKIP("this file system takes no room in advance");
        const QByteArray text(size, 'x');
        QCOMPARE(file.write(text), size);
        QVERIFY(file.commit());
        QCOMPARE(readAll(path), text);
        struct stat status
        {
        };
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
        QVERIFY2(status.st_blocks * 512 < size + (qint64(256) << 10),
                 qPrintable(QStringLiteral("%1 bytes on the disk").arg(status.st_blocks * 512)));
    }
}

void SonnetFilesTest::failedSaveKeepsOldFileAndFolder()
{
    QTemporaryDir dir;
    // The target is a folder: the save cannot replace it, and must say so.
    const QString target = dir.filePath("demo.son");
    QVERIFY(QDir().mkpath(target));
    QVERIFY(QDir().mkpath(dir.filePath("sondata/demo")));
    writeFile(dir.filePath("sondata/demo/result.csv"), "old results");
    QString reason;
    QCOMPARE(saveProject(target, smallProject(), &reason), 1);
    QVERIFY(!reason.isEmpty());
    QCOMPARE(readAll(dir.filePath("sondata/demo/result.csv")), QByteArray("old results"));

    // A missing folder on the way: nothing is created.
    QCOMPARE(saveProject(dir.filePath("nowhere/demo.son"), smallProject()), 1);
    QVERIFY(!QFileInfo::exists(dir.filePath("nowhere")));

    // A good file stays as it was when a save over it fails midway is not reproducible here;
    // what is: no temporary files are left beside it after a successful save.
    const QString good = dir.filePath("good.son");
    QCOMPARE(writeProjectFile(good, smallProject()), 0);
    QCOMPARE(entries(dir.path()), QStringList({"demo.son", "good.son", "sondata"}));

    // A full disk, for output within the writer's buffer (it reaches the file only at the end)
    // and beyond it: the cause is named, and the old file and results stay.
    writeFile(dir.filePath("sondata/good.csv"), "good results");
    for (const int points : {300, 60000}) {
        ProjectDocument large = smallProject();
        large.geometry.polygons[0].points.fill({100.5, 200.5}, points);
        const FileSizeLimit limit(4096);
        QCOMPARE(saveProject(good, large, &reason), 1);
        QCOMPARE(reason, QStringLiteral("File too large"));
    }
    // Some file systems report a full disk only at the final sync.
    {
        CheckedSaveFile failingSync(good, [](int) {
            errno = ENOSPC;
            return -1;
        });
        QCOMPARE(writeProjectFile(failingSync, smallProject(), &reason), 1);
        QCOMPARE(reason, QStringLiteral("No space left on device"));
    }
    QCOMPARE(readAll(good), serializeProject(smallProject()));
    QCOMPARE(entries(dir.filePath("sondata")), QStringList({"demo", "good.csv"}));
    QCOMPARE(entries(dir.path()), QStringList({"demo.son", "good.son", "sondata"}));
}

void SonnetFilesTest::resultFolderNeedsAPlainBaseName()
{
    // Base names "", "." and "..": sondata itself or the project's folder would be emptied.
    for (const QString name : {".son", "..son", "...son"}) {
        QTemporaryDir dir;
        writeFile(dir.filePath("notes.txt"), "notes");
        QVERIFY(QDir().mkpath(dir.filePath("sondata")));
        writeFile(dir.filePath("sondata/other.csv"), "other results");
        QCOMPARE(saveProject(dir.filePath(name), smallProject()), 0);
        QCOMPARE(entries(dir.path()), QStringList({name, "notes.txt", "sondata"}));
        QCOMPARE(entries(dir.filePath("sondata")), QStringList{"other.csv"});
    }
}

void SonnetFilesTest::resultFolderSurvivesLinkSwaps()
{
    // sondata/demo swapped with a link to an outside folder over and over while cleaning up.
    QTemporaryDir dir;
    const QString outside = dir.filePath("outside");
    QVERIFY(QDir().mkpath(outside) && QDir().mkpath(dir.filePath("sondata/demo")));
    QVERIFY(QFile::link(outside, dir.filePath("sondata/link")));
    const QByteArray folder = QFile::encodeName(dir.filePath("sondata/demo"));
    const QByteArray link = QFile::encodeName(dir.filePath("sondata/link"));
    std::atomic<bool> stop = false;
    std::thread swapper([&] {
        while (!stop)
            renameat2(AT_FDCWD, folder.constData(), AT_FDCWD, link.constData(), RENAME_EXCHANGE);
    });
    writeFile(outside + "/precious.txt", "keep me");
    for (int round = 0; round < 20000; ++round)
        prepareResultFolder(dir.filePath("demo.son"));
    stop = true;
    swapper.join();
    QCOMPARE(readAll(outside + "/precious.txt"), QByteArray("keep me"));
}

// A file cut short while it is read through its mapping would stop the program with SIGBUS.
void SonnetFilesTest::fileCutWhileMappedIsReported()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("cut.son");
    writeFile(path, QByteArray(256 * 1024, 'x'));
    QFile file(path);
    MappedFile mapped;
    QVERIFY(file.open(QIODevice::ReadOnly) && mapped.map(file).ok());
    QVERIFY(mapped.isUnchanged());
    QVERIFY(QFile::resize(path, 4096));
    qint64 sum = 0; // every page touched, as a reader touches them
    for (const char *byte = mapped.begin(); byte < mapped.end(); byte += 512)
        sum += *byte;
    QCOMPARE(sum, 'x' * 4096 / 512);
    QVERIFY(!mapped.isUnchanged());
}

void SonnetFilesTest::referencePlanesReplaceBySide()
{
    GeometryBlock geometry;
    geometry.setReferencePlane("LEFT", 1);
    geometry.setReferencePlane("RIGHT", 2);
    geometry.setReferencePlane("LEFT", 3);
    QCOMPARE(geometry.referencePlanes.size(), 2);
    QCOMPARE(geometry.referencePlanes[0].side, QStringLiteral("RIGHT"));
    QCOMPARE(geometry.referencePlanes[1].side, QStringLiteral("LEFT"));
    QCOMPARE(geometry.referencePlanes[1].length, 3.0);
    QCOMPARE(geometry.referencePlanes[1].type, QStringLiteral("FIX"));
}

void SonnetFilesTest::clearAndStaircase()
{
    ProjectDocument document = parseProject(
        "GEO\nMET \"A\" 1 NOR 1\nBOX 1 10 10 20 20 20 0\n 1 1 1 0 0 0 0 \"A\"\n"
        " 2 1 1 0 0 0 0 \"B\"\nDRP1 LEFT FIX 1\nEVIA 1 2 3\nPOR1 STD\nPOLY 1 1\n2\n1 50 0 0 0 0 0\n"
        "NUM 2\n0 2 0 V 1 1 1 100 100 0 0 0 Y\n1 1\n2 2\nEND\n0 1 0 T 2 1 1 100 100 0 0 0 Y\n3 3\n"
        "END\nEND GEO\n");
    document.geometry.setStaircaseFill();
    for (const Polygon &polygon : document.geometry.polygons)
        QCOMPARE(polygon.fillType, QStringLiteral("N"));
    const GeometryBlock before = document.geometry;
    document.geometry.clearGeometry();
    const GeometryBlock &after = document.geometry;
    QVERIFY(after.polygons.isEmpty() && after.ports.isEmpty() && after.eviaRecords.isEmpty() &&
            after.referencePlanes.isEmpty());
    QCOMPARE(after.box, before.box);
    QCOMPARE(after.dielectricLayers, before.dielectricLayers);
    QCOMPARE(after.metalTypes, before.metalTypes);
    const QByteArray written = serializeProject(document);
    QVERIFY(written.contains("NUM 0\nEND GEO\n"));
    QVERIFY(!written.contains("DRP1") && !written.contains("POR1"));
}

void SonnetFilesTest::metalTypeIndexIsExactAndFirst()
{
    const GeometryBlock geometry =
        parseProject("GEO\nMET \"Cu\" 1 NOR 1\nMET \"Al\" 2 NOR 1\nMET \"Cu\" 3 NOR 2\nEND GEO\n")
            .geometry;
    QCOMPARE(geometry.metalTypeIndex("Cu"), 0);
    QCOMPARE(geometry.metalTypeIndex("Al"), 1);
    QCOMPARE(geometry.metalTypeIndex("cu"), -1);
    QCOMPARE(geometry.metalTypeIndex(""), -1);
    GeometryBlock changed = geometry;
    changed.metalTypes.removeFirst();
    QCOMPARE(changed.metalTypeIndex("Cu"), 1);

    // Tens of thousands of levels and types: each level's lookup must not scan them all.
    GeometryBlock many;
    for (int i = 0; i < 60000; ++i)
        many.metalTypes.append(MetalType{"MET", QString::number(i), 0, "SUP", {}});
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 60000; ++i)
        QCOMPARE(many.metalTypeIndex(QString::number(i)), i);
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(SonnetFilesTest)
#include "test_sonnet_files.moc"
