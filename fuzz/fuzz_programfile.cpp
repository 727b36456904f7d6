// Arbitrary file contents opened as a program file and compiled, as the window and the tool do.
#include "compiler.h"
#include "programtext.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const QString text = ProgramText::normalizeLineEnds(ProgramText::fromFileBytes(bytes));
    if (text.contains(QChar(0)) || text.contains(QLatin1Char('\r')))
        abort();
    compileProgram(text);
    // Saving and opening again gives the same text.
    if (ProgramText::fromFileBytes(ProgramText::toFileBytes(text)) != text)
        abort();
    return 0;
}
