#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

// What the window benchmarks share: their arguments, and settings kept away from the user's.
namespace Bench {

struct WindowBenchArgs
{
    int seconds = 0;
    QString simulator;
};

// "[seconds] [path of quorvel-sim]", or nothing after the usage line on standard error.
inline std::optional<WindowBenchArgs> windowBenchArgs(const char *name, int defaultSeconds,
                                                      const QString &defaultSimulator)
{
    const QStringList args = QCoreApplication::arguments();
    bool ok = true;
    WindowBenchArgs parsed;
    parsed.seconds = args.size() > 1 ? args.at(1).toInt(&ok) : defaultSeconds;
    parsed.simulator = args.size() > 2 ? args.at(2) : defaultSimulator;
    if (!ok || parsed.seconds <= 0) {
        std::fprintf(stderr, "usage: %s [seconds] [path of quorvel-sim]\n", name);
        return std::nullopt;
    }
    return parsed;
}

// The window's settings live in a folder of their own for as long as this lives.
class IsolatedSettings
{
public:
    IsolatedSettings()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    }

private:
    QTemporaryDir m_dir;
};

} // namespace Bench
