#pragma once

class Console;
struct Invocation;

// The tool's commands; each gives the process's exit status (ExitStatus).
int runCompile(const Invocation &invocation, Console &console);
int runWrite(const Invocation &invocation, Console &console);
int runRead(const Invocation &invocation, Console &console);
int runCompare(const Invocation &invocation, Console &console);
int runPorts(const Invocation &invocation, Console &console);
// In runcommand.cpp.
int runProgram(const Invocation &invocation, Console &console);
