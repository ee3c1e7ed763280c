#pragma once
// Options of one orma-tool command: "--name value" pairs (repeatable), "--flag" switches and
// positional arguments, with the errors a user needs to see.
#include <QMap>
#include <QSet>
#include <QStringList>

// Thrown by CommandLine for an option its command does not take; main() answers it with the
// command's usage, the one place that knows the command.
struct UnknownOption {
    QString option;
};

class CommandLine {
public:
    CommandLine(const QStringList &args, const QSet<QString> &valued, const QSet<QString> &flags);

    bool ok() const { return m_error.isEmpty(); }
    const QString &error() const { return m_error; }
    const QStringList &positional() const { return m_positional; }
    bool has(const QString &name) const { return m_values.contains(name) || m_flags.contains(name); }
    QStringList values(const QString &name) const { return m_values.value(name); }

    // The option's number, or `fallback` when absent; a malformed or out-of-range value
    // records an error and returns the fallback.
    double real(const QString &name, double fallback, double min, double max);
    qint64 integer(const QString &name, qint64 fallback, qint64 min, qint64 max);
    void fail(const QString &message);

private:
    QStringList m_positional;
    QMap<QString, QStringList> m_values;
    QSet<QString> m_flags;
    QString m_error;
};

// Writes "orma-tool: <message>" to stderr.
void reportError(const QString &message);

// Ctrl-C and SIGTERM end a long-running command's loop instead of the process, so that what it
// made (shared-memory regions, a listening port) is cleaned up.
void catchInterrupts();
bool interruptRequested();
