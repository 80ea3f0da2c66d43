// The forms every command line accepts, and the one sentence each refusal gives.
#include "clitestsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class CliOptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void formsAndRefusals_data();
    void formsAndRefusals();
};

void CliOptionsTest::formsAndRefusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("refusal"); // empty: estimates as "--turns 3 --length-unit mil" does
    const struct
    {
        const char *name;
        QString arguments; // split at spaces; '' is an empty argument
        const char *refusal;
    } rows[] = {
        {"inline values", "estimate --shape=round --turns=3 --length-unit=mil", ""},
        {"one dash", "estimate -shape round -turns 3 -length-unit mil", ""},
        {"unknown inline", "create --shape round --colour=red",
         "unknown option '--colour=red'; see torvane-cli --help."},
        {"switch with a value", "create --shape round --json=1",
         "unknown option '--json=1'; see torvane-cli --help."},
        {"lone dash", "check --shape round -", "unknown option '-'; see torvane-cli --help."},
        {"positional", "check --shape round x", "unexpected argument 'x'."},
        {"missing value", "create --shape round -o", "-o needs a value."},
        {"empty value",
         "create --shape round --output=", "--output needs a value, not an empty one."},
        {"dashed export file", "export -in.son out.gds",
         "cannot read '-in.son': No such file or directory."},
        {"export value", "export in.son out.gds --dbu", "--dbu needs a value."},
        {"empty sweep folder",
         "sweep --shape round -o=", "sweep needs a folder for its projects: -o DIR."},
        {"empty value list", "sweep --shape round -o d --turns ''",
         "--turns: '' has an empty entry."},
        {"sweep value after the first", "sweep --shape diffround -o d --turns 2,2.5",
         "--turns must be a whole number from 1 to 99 for the differential shapes, not 2.5."},
        {"sweep width for the shape", "sweep --shape diffnsided -o d --width 10,10.005",
         "--width takes at most 2 decimals, not 10.005."},
        {"sweep value missing", "sweep --shape round -o d --shape", "--shape needs a value."},
        {"empty target",
         "synthesize --shape round --target=", "--target needs a value, not an empty one."},
        {"synthesize output", "synthesize --shape round --target 2 -o x",
         "synthesize writes a project only with --create OUT.son; drop -o."},
        {"synthesize output twice", "synthesize --shape round --target 2 --create a -o b",
         "synthesize writes its project to --create's file; drop -o."}};
    for (const auto &row : rows) {
        QStringList arguments = row.arguments.split(' ');
        arguments.replaceInStrings(QRegularExpression("^''$"), QString());
        QTest::newRow(row.name) << arguments << QString::fromUtf8(row.refusal);
    }
}

void CliOptionsTest::formsAndRefusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, refusal);
    QTemporaryDir dir;
    const Run run = runCliIn(dir.path(), arguments);
    if (refusal.isEmpty()) {
        const Run reference = runCliIn(
            dir.path(), {"estimate", "--shape", "round", "--turns", "3", "--length-unit", "mil"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(reference.out.contains(" mil\n"));
        QCOMPARE(run.out, reference.out);
        return;
    }
    QCOMPARE(run.err, "torvane-cli: " + refusal + '\n');
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

QTEST_GUILESS_MAIN(CliOptionsTest)
#include "test_cli_options.moc"
