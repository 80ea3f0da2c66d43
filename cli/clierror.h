#pragma once

#include <QString>

#include <stdexcept>

// A command-line failure: one sentence for stderr; the tool exits non-zero.
class CliError : public std::runtime_error
{
public:
    explicit CliError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// Exit code for usage errors, as distinct from failures to read or write files.
inline constexpr int usageExitCode = 2;
inline constexpr int failureExitCode = 1;
// `check` found at least one error in the layout.
inline constexpr int findingsExitCode = 3;
