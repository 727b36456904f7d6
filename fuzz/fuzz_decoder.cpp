// Arbitrary records and names through the decoder: never a crash, and decoded text recompiles to
// the same records whenever the records are ones the compiler could have made.
#include "compiler.h"
#include "decoder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto *bytes = reinterpret_cast<const char *>(data);
    if (size < size_t(ProgramImage::NameLength))
        return 0;
    const QString name = QString::fromLatin1(bytes, ProgramImage::NameLength);
    InstructionList records;
    for (size_t at = ProgramImage::NameLength; at + Instruction::PackedSize <= size;
         at += Instruction::PackedSize)
        records.append(Instruction::unpack(bytes + at));

    const DecodeResult decoded = decodeProgram(name, records);
    if (decoded.ok != decoded.error.isEmpty())
        abort();
    // A name line only when something of the name is left to show.
    const int nameLines = Decoder::editorName(name).isEmpty() ? 0 : 1;
    if (decoded.ok && decoded.paragraphs.size() != records.size() + nameLines)
        abort();
    if (decoded.ok) {
        for (const QString &line : decoded.paragraphs) {
            if (line.contains(QChar(0)))
                abort();
        }
        // Whatever the records hold, the text never compiles into something else silently:
        // either it is refused, or it has exactly one record per decoded record.
        const CompileResult again = compileProgram(decoded.text());
        if (again.ok && again.instructions.size() != records.size())
            abort();
    }
    return 0;
}
