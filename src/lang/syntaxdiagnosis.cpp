#include "syntaxdiagnosis.h"

#include "diagnostic.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace SyntaxDiagnosis {

namespace {

// Names the translation context for lupdate and the run time alike.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(SyntaxDiagnosis)
};

constexpr qint64 Int32Min = std::numeric_limits<qint32>::min();
constexpr qint64 Int32Max = std::numeric_limits<qint32>::max();
const QString Blk = QStringLiteral("Blk");
const QString Else = QStringLiteral("else");

// The character classes of the statement patterns: \s, \d and \w as the patterns read them.
bool isSpace(QChar c)
{
    return c.isSpace();
}
bool isDigit(QChar c)
{
    return c.isDigit();
}
bool isWord(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_');
}

// The words that open a statement form of their own.
const QStringList &keywords()
{
    static const QStringList words{QStringLiteral("nop"),     QStringLiteral("if"),
                                   QStringLiteral("jmp"),     QStringLiteral("delay_ms"),
                                   QStringLiteral("delay_s"), QStringLiteral("prgName")};
    return words;
}

const QStringList &operands()
{
    static const QStringList names = Language::operandCodes().keys();
    return names;
}

// The left side of an if names any operand but Blk.
const QStringList &leftOperands()
{
    static const QStringList names = [] {
        QStringList all = operands();
        all.removeAll(Blk);
        return all;
    }();
    return names;
}

// How many leading characters of word could still begin one of the candidates.
int viablePrefix(const QString &word, const QStringList &candidates)
{
    int best = 0;
    for (const QString &candidate : candidates) {
        int k = 0;
        while (k < word.size() && k < candidate.size() && word.at(k) == candidate.at(k))
            ++k;
        best = std::max(best, k);
    }
    return best;
}

// Reads one line along the statement forms; every method returns false once the line has
// failed, and the first failure is the finding.
class Reader
{
public:
    Reader(const QString &line, bool firstLine, const Language::CodeTable &compareCodes)
        : m_line(line), m_firstLine(firstLine), m_compareCodes(compareCodes)
    {
    }

    Finding read()
    {
        skipSpaces();
        if (atEnd())
            return {};
        if (peek() == QLatin1Char('#')) {
            ++m_at;
            if (labelNumber())
                endOfStatement();
            return m_finding;
        }
        const int start = m_at;
        const QString first = word();
        if (first.isEmpty()) {
            fail(start, notAStatement());
            return m_finding;
        }
        if (keywords().contains(first)) {
            keywordForm(first);
        } else if (operands().contains(first)) {
            m_at += first.size();
            assignment();
        } else {
            unknownFirstWord(first);
        }
        return m_finding;
    }

private:
    bool atEnd() const { return m_at >= m_line.size(); }
    QChar peek(int ahead = 0) const
    {
        return m_at + ahead < m_line.size() ? m_line.at(m_at + ahead) : QChar();
    }
    int skipSpaces()
    {
        const int from = m_at;
        while (!atEnd() && isSpace(peek()))
            ++m_at;
        return m_at - from;
    }
    // The run of word characters at the reading place, which stays where it is.
    QString word() const
    {
        int end = m_at;
        while (end < m_line.size() && isWord(m_line.at(end)))
            ++end;
        return m_line.mid(m_at, end - m_at);
    }
    bool fail(int at, const QString &reason)
    {
        if (!m_finding.found())
            m_finding = {at + 1, reason};
        return false;
    }
    bool expect(QChar c, const QString &reason)
    {
        if (atEnd() || peek() != c)
            return fail(m_at, reason);
        ++m_at;
        return true;
    }

    void keywordForm(const QString &keyword)
    {
        const int start = m_at;
        m_at += keyword.size();
        if (keyword == QLatin1String("nop"))
            endOfStatement();
        else if (keyword == QLatin1String("if"))
            ifStatement();
        else if (keyword == QLatin1String("jmp"))
            jump();
        else if (keyword == QLatin1String("prgName"))
            programName(start);
        else
            delay(keyword);
    }

    void unknownFirstWord(const QString &first)
    {
        const int start = m_at;
        const int viable = start + viablePrefix(first, keywords() + operands());
        m_at += first.size();
        skipSpaces();
        const QChar c = peek();
        const bool assigns =
            (c == QLatin1Char('=') && peek(1) != QLatin1Char('=')) ||
            (QStringLiteral("+-*/").contains(c) && !c.isNull() && peek(1) == QLatin1Char('='));
        if (assigns) {
            fail(viable, Texts::tr("неизвестный операнд %1").arg(Diagnostic::excerpt(first)));
            return;
        }
        // A keyword run into what follows it ("ifUs", "jmp1"): its own form says what is missing.
        for (const QString &keyword : keywords()) {
            if (first.startsWith(keyword)) {
                m_at = start;
                keywordForm(keyword);
                return;
            }
        }
        for (const QString &known : keywords() + operands()) {
            if (first.compare(known, Qt::CaseInsensitive) == 0) {
                fail(viable,
                     Texts::tr("ожидается %1: большие и малые буквы различаются").arg(known));
                return;
            }
        }
        fail(viable, notAStatement());
    }

    // The rest of a statement after its last part: \s*;\s*$.
    bool endOfStatement()
    {
        skipSpaces();
        if (!expect(QLatin1Char(';'), Texts::tr("ожидается ';' в конце оператора")))
            return false;
        skipSpaces();
        if (!atEnd())
            return fail(m_at, Texts::tr("после ';' в строке ничего не должно быть"));
        return true;
    }

    // Digits of a number, value checked as it grows; the sign is read by the caller.
    bool digits(bool negative, qint64 lowest, qint64 highest, const QString &rangeReason)
    {
        qint64 value = 0;
        while (!atEnd() && isDigit(peek())) {
            const QChar c = peek();
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return fail(m_at, Texts::tr("в числе допустимы только цифры 0–9"));
            value = value * 10 + (c.unicode() - '0');
            if ((negative && -value < lowest) || (!negative && value > highest))
                return fail(m_at, rangeReason);
            ++m_at;
        }
        return true;
    }

    // A number or an operand name: the second operand of an assignment, the right side of an if.
    bool source()
    {
        const QString expected = Texts::tr("ожидается число или операнд");
        if (atEnd())
            return fail(m_at, expected);
        const QChar c = peek();
        if (c == QLatin1Char('-') || isDigit(c)) {
            const bool negative = c == QLatin1Char('-');
            if (negative)
                ++m_at;
            if (atEnd() || !isDigit(peek()))
                return fail(m_at, Texts::tr("ожидается число"));
            return digits(negative, Int32Min, Int32Max,
                          Texts::tr("число вне диапазона −2147483648…2147483647"));
        }
        if (!isWord(c))
            return fail(m_at, expected);
        return operand(operands());
    }

    bool operand(const QStringList &allowed)
    {
        const QString name = word();
        if (name.isEmpty() || name.at(0).isDigit())
            return fail(m_at, Texts::tr("ожидается операнд"));
        if (allowed.contains(name)) {
            m_at += name.size();
            return true;
        }
        if (name == Blk)
            return fail(m_at, Texts::tr("слева в if не может стоять Blk"));
        return fail(m_at + viablePrefix(name, allowed),
                    Texts::tr("неизвестный операнд %1").arg(Diagnostic::excerpt(name)));
    }

    // \d\d? after a "#".
    bool labelNumber()
    {
        const QString reason = Texts::tr("метка — одна или две цифры");
        int count = 0;
        while (!atEnd() && isDigit(peek())) {
            if (count == 2)
                return fail(m_at, reason);
            if (peek() < QLatin1Char('0') || peek() > QLatin1Char('9'))
                return fail(m_at, Texts::tr("в числе допустимы только цифры 0–9"));
            ++count;
            ++m_at;
        }
        return count > 0 || fail(m_at, reason);
    }

    // Exactly one white-space character, as after "if" and "else".
    bool oneSpace(const QString &reason)
    {
        if (atEnd() || !isSpace(peek()))
            return fail(m_at, reason);
        ++m_at;
        if (!atEnd() && isSpace(peek()))
            return fail(m_at, reason);
        return true;
    }

    // "#" and a label number.
    bool reference()
    {
        return expect(QLatin1Char('#'), Texts::tr("ожидается #метка")) && labelNumber();
    }

    void assignment()
    {
        skipSpaces();
        const QString expected = Texts::tr("ожидается =, +=, -=, *= или /=");
        const QChar c = peek();
        if (c == QLatin1Char('=')) {
            ++m_at;
        } else if (!c.isNull() && QStringLiteral("+-*/").contains(c)) {
            ++m_at;
            if (!expect(QLatin1Char('='), expected))
                return;
        } else {
            fail(m_at, expected);
            return;
        }
        skipSpaces();
        if (source())
            endOfStatement();
    }

    void ifStatement()
    {
        if (!oneSpace(Texts::tr("после if нужен ровно один пробел")) || !operand(leftOperands()))
            return;
        skipSpaces();
        const QString expected = Texts::tr("ожидается сравнение: ==, !=, <, <=, > или >=");
        QString op = m_line.mid(m_at, 2);
        if (op != QLatin1String("==") && op != QLatin1String("!=") && op != QLatin1String("<=") &&
            op != QLatin1String(">=")) {
            op = m_line.mid(m_at, 1);
            if (op == QLatin1String("=") || op == QLatin1String("!")) {
                fail(m_at + 1, expected);
                return;
            }
            if (op != QLatin1String("<") && op != QLatin1String(">")) {
                fail(m_at, expected);
                return;
            }
        }
        if (!m_compareCodes.contains(op)) {
            fail(m_at, Texts::tr("неизвестное сравнение %1").arg(op));
            return;
        }
        m_at += op.size();
        skipSpaces();
        if (!source())
            return;
        const bool spaced = skipSpaces() > 0;
        if (!spaced && peek() == QLatin1Char('#')) {
            fail(m_at, Texts::tr("перед # нужен пробел"));
            return;
        }
        if (!spaced) {
            fail(m_at, Texts::tr("ожидается #метка"));
            return;
        }
        if (!reference())
            return;
        const int beforeElse = m_at;
        const bool spacedElse = skipSpaces() > 0;
        const QString next = word();
        if (next == Else) {
            if (!spacedElse) {
                fail(m_at, Texts::tr("перед else нужен пробел"));
                return;
            }
            m_at += Else.size();
            if (!oneSpace(Texts::tr("после else нужен ровно один пробел")) || !reference())
                return;
        } else if (spacedElse && !next.isEmpty() && viablePrefix(next, {Else}) > 0) {
            fail(m_at + viablePrefix(next, {Else}), Texts::tr("ожидается else или ';'"));
            return;
        } else {
            m_at = beforeElse;
        }
        endOfStatement();
    }

    void jump()
    {
        if (skipSpaces() == 0 && !atEnd() && peek() != QLatin1Char(';')) {
            fail(m_at, Texts::tr("после jmp нужен пробел"));
            return;
        }
        if (reference())
            endOfStatement();
    }

    void delay(const QString &keyword)
    {
        if (skipSpaces() == 0 && !atEnd() && peek() != QLatin1Char(';')) {
            fail(m_at, Texts::tr("после %1 нужен пробел").arg(keyword));
            return;
        }
        if (atEnd() || !isDigit(peek())) {
            fail(m_at, Texts::tr("ожидается число"));
            return;
        }
        if (digits(false, 0, Int32Max, Texts::tr("число вне диапазона 0…2147483647")))
            endOfStatement();
    }

    void programName(int start)
    {
        skipSpaces();
        if (!expect(QLatin1Char('='), Texts::tr("ожидается '='")))
            return;
        skipSpaces();
        const QString quote = Texts::tr("ожидается '\"'");
        if (!expect(QLatin1Char('"'), quote))
            return;
        const QString reason = Texts::tr("имя программы — от 1 до 5 букв, цифр или знаков _");
        int count = 0;
        while (!atEnd() && isWord(peek())) {
            if (count == 5) {
                fail(m_at, reason);
                return;
            }
            ++count;
            ++m_at;
        }
        const bool unclosed = atEnd() || peek() == QLatin1Char(';');
        if (count == 0 || (!unclosed && peek() != QLatin1Char('"'))) {
            fail(m_at, reason);
            return;
        }
        if (!expect(QLatin1Char('"'), quote) || !endOfStatement())
            return;
        if (!m_firstLine)
            fail(start, Texts::tr("prgName должен быть в первой строке"));
    }

    const QString &m_line;
    const bool m_firstLine;
    const Language::CodeTable &m_compareCodes;
    int m_at = 0;
    Finding m_finding;
};

} // namespace

QString notAStatement()
{
    return Texts::tr("строка не является оператором языка");
}

Finding diagnose(const QString &line, bool firstLine, const Language::CodeTable &compareCodes)
{
    return Reader(line, firstLine, compareCodes).read();
}

} // namespace SyntaxDiagnosis
