#include "lsplimits.h"

#include "programtext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(LspLimits)
};

} // namespace

void LspLimits::setNamedFile(const QString &path)
{
    m_named = path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

const LspLimits::Source &LspLimits::forProgram(const QString &programPath)
{
    if (!m_named.isEmpty())
        return load(m_named, true);
    if (programPath.isEmpty())
        return m_none;
    const QString beside = QDir::cleanPath(QFileInfo(programPath).absolutePath() +
                                           QLatin1Char('/') + besideFileName());
    return load(beside, false);
}

bool LspLimits::isLimitsFile(const QString &path) const
{
    if (path.isEmpty())
        return false;
    if (!m_named.isEmpty())
        return QDir::cleanPath(path) == m_named;
    return QFileInfo(path).fileName() == besideFileName();
}

const LspLimits::Source &LspLimits::update(const QString &path, const QString &text)
{
    Source &source = m_sources[QDir::cleanPath(path)];
    source.path = QDir::cleanPath(path);
    const ParsedLimits parsed = OperandLimits::parse(text);
    source.limits = parsed.limits;
    source.errors = parsed.errors;
    source.problem.clear();
    return source;
}

const LspLimits::Source &LspLimits::load(const QString &path, bool mustExist)
{
    const auto known = m_sources.constFind(path);
    if (known != m_sources.cend())
        return known.value();
    if (!mustExist && !QFileInfo::exists(path)) {
        // No file beside the program: nothing to check against. Remembered, so that the next
        // change does not look again.
        Source &none = m_sources[path];
        return none;
    }
    const ProgramText::LoadedFile file = ProgramText::loadFile(path);
    if (!file.ok()) {
        Source &source = m_sources[path];
        source.path = path;
        source.problem = Texts::tr("Не удается открыть файл пределов %1. %2")
                             .arg(path, ProgramText::problemText(file, path));
        return source;
    }
    return update(path, file.text);
}
