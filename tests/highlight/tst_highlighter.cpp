#include "highlighter.h"
#include "language.h"
#include "statementkind.h"

#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>

// The colours the highlighter gives each character, line by line.
class TestHighlighter : public QObject
{
    Q_OBJECT

private slots:
    void colours_data();
    void colours();
    void deletingCommentEndColoursFollowingLines();
    void openingCommentColoursFollowingLines();
    void sharesTheCompilersPatterns();
    void everyKindIsColoured_data();
    void everyKindIsColoured();
};

namespace {

QStringList utf8Lines(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *item : items)
        out << QString::fromUtf8(item);
    return out;
}

// One letter per format: '.' default, 'b' blue, 'B' bold blue, 'm' magenta, 'g' dark green,
// 'r' red; '?' for anything else (a wrong weight included).
QChar letterOf(const QTextCharFormat &format)
{
    if (!format.hasProperty(QTextFormat::ForegroundBrush))
        return format.hasProperty(QTextFormat::FontWeight) ? QLatin1Char('?') : QLatin1Char('.');
    const QColor colour = format.foreground().color();
    const bool bold = format.fontWeight() == QFont::Bold;
    if (!bold && format.fontWeight() != QFont::Normal)
        return QLatin1Char('?');
    if (colour == QColor(Qt::blue))
        return bold ? QLatin1Char('B') : QLatin1Char('b');
    if (bold)
        return QLatin1Char('?');
    if (colour == QColor(Qt::magenta))
        return QLatin1Char('m');
    if (colour == QColor(Qt::darkGreen))
        return QLatin1Char('g');
    if (colour == QColor(Qt::red))
        return QLatin1Char('r');
    return QLatin1Char('?');
}

// The letters of every character of every line, and the block states as digits.
void describe(const QTextDocument &doc, QStringList &colours, QString &states)
{
    colours.clear();
    states.clear();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QString letters(block.length() - 1, QLatin1Char('.'));
        const QVector<QTextLayout::FormatRange> ranges = block.layout()->formats();
        for (const QTextLayout::FormatRange &range : ranges) {
            for (int i = range.start; i < range.start + range.length && i < letters.size(); ++i)
                letters[i] = letterOf(range.format);
        }
        colours << letters;
        states += QString::number(block.userState());
    }
}

// As in the editor: a document with a layout, which is what makes it announce its changes to the
// highlighter, and the highlighter's first pass done.
void setText(QTextDocument &doc, Highlighter &highlighter, const QString &text)
{
    doc.documentLayout();
    doc.setPlainText(text);
    highlighter.rehighlight();
}

} // namespace

void TestHighlighter::colours_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("colours");
    // Per line: 1 when it ends inside an open block comment.
    QTest::addColumn<QString>("states");

    const auto row = [](const char *name, std::initializer_list<const char *> lines,
                        std::initializer_list<const char *> colours, const char *states) {
        QTest::newRow(name) << utf8Lines(lines) << utf8Lines(colours) << QString::fromUtf8(states);
    };

    row("statement with its leading blanks", {"  Us = 5;"}, {"bbbbbbbbb"}, "0");
    row("if with else", {"if Us > 5 #1 else #2;"}, {"bbbbbbbbbbbbbbbbbbbbb"}, "0");
    row("label", {"#3;", "  #12 ;"}, {"mmm", "mmmmmmm"}, "00");
    row("program name in bold", {"prgName = \"Prg1\";"}, {"BBBBBBBBBBBBBBBBB"}, "0");
    row("comment after a statement", {"Us = 5; // set"}, {"........gggggg"}, "0");
    row("comment alone", {"// note"}, {"ggggggg"}, "0");
    row("two blanks after if", {"if  Us > 5 #1;"}, {".............."}, "0");
    row("line in error", {"Us = 0x10;"}, {".........."}, "0");
    row("block comment across lines", {"/* a", "Us = 1; */", "nop;"},
        {"rrrr", "rrrrrrrrrr", "bbbb"}, "100");
    row("comment end shares the star", {"/*/", "nop;"}, {"rrr", "bbbb"}, "00");
    row("comment end shares the star mid line", {"x /*/ y"}, {"..rrr.."}, "0");
    row("statement inside an open comment", {"/*", "Us = 5;", "*/", "nop;"},
        {"rr", "rrrrrrr", "rr", "bbbb"}, "1100");
    row("name inside an open comment loses bold", {"/*", "prgName = \"P\";", "*/"},
        {"rr", "rrrrrrrrrrrrrr", "rr"}, "110");
    row("two comments on one line", {"a /* b */ c /* d", "nop;"}, {"..rrrrrrr...rrrr", "rrrr"},
        "11");
    row("block comment over a line comment", {"// a /* b", "nop;"}, {"gggggrrrr", "rrrr"}, "11");
    row("comment end without a start", {"*/", "nop;"}, {"..", "bbbb"}, "00");
    row("empty lines keep the comment open", {"/*", "", "", "x */", "#1;"},
        {"rr", "", "", "rrrr", "mmm"}, "11100");
}

void TestHighlighter::colours()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, colours);
    QFETCH(QString, states);

    QTextDocument doc;
    Highlighter highlighter(&doc);
    setText(doc, highlighter, lines.join(QLatin1Char('\n')));

    QStringList actualColours;
    QString actualStates;
    describe(doc, actualColours, actualStates);
    QCOMPARE(actualColours, colours);
    QCOMPARE(actualStates, states);
}

void TestHighlighter::deletingCommentEndColoursFollowingLines()
{
    QTextDocument doc;
    Highlighter highlighter(&doc);
    setText(doc, highlighter, QStringLiteral("/* a */\nnop;\n#1;\nb */\nnop;"));

    QStringList colours;
    QString states;
    describe(doc, colours, states);
    QCOMPARE(colours, utf8Lines({"rrrrrrr", "bbbb", "mmm", "....", "bbbb"}));
    QCOMPARE(states, QStringLiteral("00000"));

    // Remove the "*/" of the first line, as the user would with the keyboard.
    QTextCursor cursor(&doc);
    cursor.setPosition(5);
    cursor.setPosition(7, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    describe(doc, colours, states);
    QCOMPARE(colours, utf8Lines({"rrrrr", "rrrr", "rrr", "rrrr", "bbbb"}));
    QCOMPARE(states, QStringLiteral("11100"));

    // Putting it back restores the lines below.
    cursor.insertText(QStringLiteral("*/"));
    describe(doc, colours, states);
    QCOMPARE(colours, utf8Lines({"rrrrrrr", "bbbb", "mmm", "....", "bbbb"}));
    QCOMPARE(states, QStringLiteral("00000"));
}

void TestHighlighter::openingCommentColoursFollowingLines()
{
    QTextDocument doc;
    Highlighter highlighter(&doc);
    setText(doc, highlighter, QStringLiteral("nop;\nUs = 1;\n*/ x\nnop;"));

    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("/*"));
    QStringList colours;
    QString states;
    describe(doc, colours, states);
    QCOMPARE(colours, utf8Lines({"rrrrrr", "rrrrrrr", "rr..", "bbbb"}));
    QCOMPARE(states, QStringLiteral("1100"));
}

void TestHighlighter::sharesTheCompilersPatterns()
{
    QTextDocument doc;
    const Highlighter highlighter(&doc);
    const Language::StatementKindTable &ours = highlighter.statementKinds();
    const Language::StatementKindTable &compilers = Language::statementKinds();
    QCOMPARE(ours.size(), 12);
    QCOMPARE(ours.size(), compilers.size());
    for (int i = 0; i < ours.size(); ++i) {
        QCOMPARE(ours.at(i).pattern, compilers.at(i).pattern);
        QCOMPARE(ours.at(i).kind, compilers.at(i).kind);
    }
}

void TestHighlighter::everyKindIsColoured_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QChar>("letter");

    const auto row = [](const char *line, char letter) {
        QTest::newRow(line) << QString::fromUtf8(line) << QChar(QLatin1Char(letter));
    };
    row("nop;", 'b');
    row("M1 = -5;", 'b');
    row("if Us == Blk #1;", 'b');
    row("jmp #99;", 'b');
    row("delay_ms 500;", 'b');
    row("delay_s 3;", 'b');
    row("Us += Uo;", 'b');
    row("Us -= 1;", 'b');
    row("Us /= 2;", 'b');
    row("Us *= 3;", 'b');
    row("#05;", 'm');
    row("prgName = \"Тест\";", 'B');
}

void TestHighlighter::everyKindIsColoured()
{
    QFETCH(QString, line);
    QFETCH(QChar, letter);

    QTextDocument doc;
    Highlighter highlighter(&doc);
    setText(doc, highlighter, line);

    QStringList colours;
    QString states;
    describe(doc, colours, states);
    QCOMPARE(colours, QStringList{QString(line.size(), letter)});
}

QTEST_MAIN(TestHighlighter)
#include "tst_highlighter.moc"
