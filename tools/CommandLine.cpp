#include "CommandLine.h"

#include <cmath>
#include <csignal>
#include <cstdio>

CommandLine::CommandLine(const QStringList &args, const QSet<QString> &valued,
                         const QSet<QString> &flags)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (!arg.startsWith(QLatin1String("--"))) {
            m_positional << arg;
        } else if (flags.contains(arg)) {
            m_flags.insert(arg);
        } else if (valued.contains(arg)) {
            if (i + 1 >= args.size()) {
                fail(arg + QStringLiteral(" needs a value"));
                return;
            }
            m_values[arg] << args.at(++i);
        } else {
            throw UnknownOption{arg};
        }
    }
}

void CommandLine::fail(const QString &message)
{
    if (m_error.isEmpty())
        m_error = message;
}

double CommandLine::real(const QString &name, double fallback, double min, double max)
{
    if (!m_values.contains(name))
        return fallback;
    bool ok = false;
    const double v = m_values.value(name).last().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < min || v > max) {
        fail(QStringLiteral("%1 must be a number from %2 to %3").arg(name).arg(min).arg(max));
        return fallback;
    }
    return v;
}

qint64 CommandLine::integer(const QString &name, qint64 fallback, qint64 min, qint64 max)
{
    if (!m_values.contains(name))
        return fallback;
    bool ok = false;
    const qint64 v = m_values.value(name).last().toLongLong(&ok);
    if (!ok || v < min || v > max) {
        fail(QStringLiteral("%1 must be an integer from %2 to %3").arg(name).arg(min).arg(max));
        return fallback;
    }
    return v;
}

void reportError(const QString &message)
{
    std::fprintf(stderr, "orma-tool: %s\n", message.toLocal8Bit().constData());
}

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void onInterrupt(int) { g_interrupted = 1; }

} // namespace

void catchInterrupts()
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
}

bool interruptRequested() { return g_interrupted != 0; }
