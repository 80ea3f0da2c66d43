#include "cli/terminaltext.h"

#include <QRegularExpression>

#include <algorithm>

namespace {
constexpr qsizetype longestWord = 100;
constexpr qsizetype keptEnd = 30;
} // namespace

QString visibleText(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

QString shortenedMessage(const QString &message)
{
    static const QRegularExpression word(QStringLiteral("\\S{%1,}").arg(longestWord + 1));
    QString shown = visibleText(message);
    QList<QRegularExpressionMatch> longWords;
    for (auto it = word.globalMatch(shown); it.hasNext();)
        longWords.append(it.next());
    // From the back, so that the positions ahead stay valid.
    for (qsizetype i = longWords.size() - 1; i >= 0; --i) {
        const qsizetype start = longWords[i].capturedStart();
        const qsizetype length = longWords[i].capturedLength();
        shown.replace(start + keptEnd, length - 2 * keptEnd,
                      QStringLiteral("...(%1 characters)...").arg(length - 2 * keptEnd));
    }
    return shown;
}

void writeAlignedRows(QTextStream &out, const QList<QStringList> &rows, bool namesFirst)
{
    QList<qsizetype> widths;
    for (const QStringList &row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    }
    for (const QStringList &row : rows) {
        QStringList cells;
        for (qsizetype i = 0; i < row.size(); ++i)
            cells.append(i == 0 && namesFirst ? row[i].leftJustified(widths[i])
                                              : row[i].rightJustified(widths[i]));
        out << cells.join(QStringLiteral("  ")) << '\n';
    }
}
