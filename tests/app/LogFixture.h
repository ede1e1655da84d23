#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Reading what the diagnostic log wrote, and running the log probe.
namespace LogFixture {

// The file's bytes; empty when it cannot be read.
QByteArray readAll(const QString& path);

// The lines of `text` that a category wrote.
QStringList linesOf(const QByteArray& text, const char* category);

// The environment of a probe: a configuration folder of its own, so that the
// user's rules do not count, and Qt's messages on stderr.
QProcessEnvironment probeEnvironment(const QString& config, const QString& rules);

// Stops the log, drops the logging rules and the run's failure warning, and
// removes the log at `path` with its older copy.
void reset(const QString& path);

} // namespace LogFixture
