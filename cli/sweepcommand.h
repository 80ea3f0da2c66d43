#pragma once

#include <QStringList>
#include <QTextStream>

// `sweep -o DIR`: the options of create, any numeric one as a list or START:STOP:STEP range;
// one project per combination into DIR, each as create writes it, and DIR/index.csv. Progress
// goes to err. Exit 0 only when every combination was written.
int runSweep(const QStringList &arguments, QTextStream &out, QTextStream &err);
