// Arbitrary text through the compiler; whatever compiles must decode and compile back to itself.
#include "compiler.h"
#include "decoder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const CompileResult compiled = compileProgram(text);
    if (compiled.report.isEmpty())
        abort();
    if (!compiled.ok)
        return 0;

    const DecodeResult decoded = decodeProgram(compiled.programName, compiled.instructions);
    // An else branch that points at record 0 is refused by the compiler, so every compiled
    // program has sound references and must decode.
    if (!decoded.ok)
        abort();
    const CompileResult again = compileProgram(decoded.text());
    if (!again.ok || again.instructions != compiled.instructions ||
        again.programName != compiled.programName)
        abort();
    return 0;
}
