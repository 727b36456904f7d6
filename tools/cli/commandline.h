#pragma once

#include "interfacelanguage.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// The process's exit statuses, as scripts see them.
enum ExitStatus : int
{
    ExitSuccess = 0,
    // The operation ran and failed: compile error, device refused or silent, decode error,
    // verify mismatch.
    ExitFailed = 1,
    // The operation could not start: bad options, unreadable file, port that does not open.
    ExitBadInput = 2,
};

// What the user asked for, checked: a command with its files and device settings.
struct Invocation
{
    enum class Command
    {
        Compile,
        Write,
        Read,
        Compare,
        Ports,
        Run,
        Lsp,
        Scan,
        Monitor,
        SetRegister,
    };

    Command command = Command::Compile;
    QStringList files;
    QString port;
    // scan: every --port given, in order; empty for every port present.
    QStringList ports;
    // scan: how long each probe listens for an answer, in ms.
    int waitMs = 0;
    // The targets are every slave with every cell, served slave by slave in the order given.
    QVector<quint8> slaveIds = {0};
    // The library's cell indices 0..3; the command line numbers cells 1..4 like the window's box.
    QVector<int> cells = {0};
    bool records = false;
    // write reads the cell back unless --no-verify is given.
    bool verify = true;
    bool trace = false;
    bool json = false;
    // Only one result line per target (per file for compile).
    bool quiet = false;
    // Where read puts the program; empty for standard output. May hold {slave} and {cell}.
    QString outputFile;
    // run: the --set NAME=VALUE texts in the order given, the --until text, and --csv.
    QStringList startValues;
    QString until;
    bool csv = false;
    // compile, run and write: the operands' limits file; write goes on past them with
    // --ignore-limits.
    QString limitsFile;
    bool ignoreLimits = false;
    // monitor: the register blocks, the poll interval, when to end (0: not by that) and the
    // register map file. set-register takes its register and values as `files`.
    QStringList registers;
    int intervalMs = 500;
    int sampleCount = 0;
    qint64 durationMs = 0;
    QString mapFile;
    // monitor: the access code of A8 and AB.
    quint8 access = 1;

    int targetCount() const { return slaveIds.size() * cells.size(); }
};

// The outcome of reading the command line: an invocation, or the one-line reason why not.
struct ParsedCommandLine
{
    std::optional<Invocation> invocation;
    QString error;
    // For --help and --version: the text to print on standard output before ending with status 0.
    QString text;

    Q_DECLARE_TR_FUNCTIONS(ParsedCommandLine)
};

// The language of the tool's messages: --lang's when it names one, else the system's. Looked up
// before the command line is parsed, since --help's texts are translated as they are made.
InterfaceLanguage::Language languageFromArguments(const QStringList &arguments);

// Reads the arguments (the program's name first).
ParsedCommandLine parseCommandLine(const QStringList &arguments);
