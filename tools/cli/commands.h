#pragma once

#include <QCoreApplication>

class Console;
class DeviceSession;
struct Invocation;

// The translation context of the commands' messages.
class Commands
{
    Q_DECLARE_TR_FUNCTIONS(Commands)
};

// The tool's commands; each gives the process's exit status (ExitStatus).
int runCompile(const Invocation &invocation, Console &console);
int runWrite(const Invocation &invocation, Console &console);
int runRead(const Invocation &invocation, Console &console);
int runCompare(const Invocation &invocation, Console &console);
int runPorts(const Invocation &invocation, Console &console);
// Opens the invocation's port with the exchange log on standard error when asked for, and a line
// there when it is lost; false, said on standard error, when it does not open.
bool openConnection(DeviceSession &connection, const Invocation &invocation, Console &console);
// In monitorcommand.cpp.
int runMonitor(const Invocation &invocation, Console &console);
int runSetRegister(const Invocation &invocation, Console &console);
// In runcommand.cpp.
int runProgram(const Invocation &invocation, Console &console);
// In lspcommand.cpp: the language server on standard input and output.
int runLanguageServer(const Invocation &invocation, Console &console);
// In scancommand.cpp.
int runScan(const Invocation &invocation, Console &console);
