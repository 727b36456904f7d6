#include "highlighter.h"
#include "language.h"
#include "statementkind.h"

#include <QDir>
#include <QFont>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
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
    // The KDE engine's definition, through its own renderer: the window's table, and the sample
    // programs against this highlighter.
    void definitionColours_data();
    void definitionColours();
    void definitionColoursSamples_data();
    void definitionColoursSamples();
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
    row("line comment inside a block comment runs on", {"/* // */ x", "nop;"},
        {"rrrrrrrrgg", "bbbb"}, "00");
    row("tab and no-break space are blanks", {"\tUs\u00a0=\u00a05;"}, {"bbbbbbbb"}, "0");
    row("Cyrillic name and comment", {"prgName = \"Тест\";", "Us = 1; // тест"},
        {"BBBBBBBBBBBBBBBBB", "........ggggggg"}, "00");
    // Two UTF-16 units, neither a letter to the pattern.
    row("name beyond the Basic Multilingual Plane", {"prgName = \"\U0001D400\";"},
        {"..............."}, "0");
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

namespace {

// The renderer runs on a private data folder that holds the definition and a theme giving each
// of its styles a colour of its own, so that its HTML says which style each character got.
class Renderer
{
public:
    Renderer()
    {
        const QString share = m_home.path() + QStringLiteral("/org.kde.syntax-highlighting");
        QDir().mkpath(share + QStringLiteral("/syntax"));
        QDir().mkpath(share + QStringLiteral("/themes"));
        QFile::copy(QStringLiteral(QUORVEL_SYNTAX_DEFINITION),
                    share + QStringLiteral("/syntax/quorvel.xml"));
        QFile theme(share + QStringLiteral("/themes/probe.theme"));
        if (theme.open(QIODevice::WriteOnly)) {
            theme.write(R"({"metadata": {"name": "Probe", "revision": 1},
 "text-styles": {"Normal": {"text-color": "#000000"}},
 "custom-styles": {"Quorvel": {
  "Statement": {"text-color": "#000001"}, "Label": {"text-color": "#000002"},
  "Program Name": {"text-color": "#000003"}, "Comment": {"text-color": "#000004"},
  "Block Comment": {"text-color": "#000005"}}}})");
        }
    }

    // Renders text as a file named *.prgb, so that the engine has to pick the definition by its
    // own mapping; the letters of each line as describe() gives them, or an error.
    bool render(const QString &text, QStringList &letters, QString &error)
    {
        const QString path = m_home.path() + QStringLiteral("/sample.prgb");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            error = file.errorString();
            return false;
        }
        file.write(text.toUtf8());
        file.close();

        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "HOME"})
            env.insert(QString::fromLatin1(name), m_home.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QUORVEL_SYNTAX_RENDERER),
                      {QStringLiteral("-t"), QStringLiteral("Probe"), path});
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            error = QString::fromUtf8(process.readAllStandardError());
            return false;
        }
        const QString html = QString::fromUtf8(process.readAllStandardOutput());
        if (!html.contains(QStringLiteral("Definition (Quorvel)"))) {
            error = QStringLiteral("*.prgb not mapped to Quorvel: ") + html.left(400);
            return false;
        }
        const int start = html.indexOf(QStringLiteral("<pre>\n")) + 6;
        const int end = html.lastIndexOf(QStringLiteral("</pre>"));
        letters = decode(html.mid(start, end - start));
        return true;
    }

private:
    static QString unescape(QString text)
    {
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
        text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        return text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    }

    static QStringList decode(const QString &body)
    {
        static const QRegularExpression span(
            QStringLiteral("<span style=\"color:#00000(\\d)[^\"]*\">([^<]*)</span>"));
        const QString styles = QStringLiteral(".bmBgr");
        QString letters;
        int at = 0;
        for (QRegularExpressionMatchIterator it = span.globalMatch(body); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            letters += QString(unescape(body.mid(at, match.capturedStart() - at)).size(),
                               QLatin1Char('.'));
            letters +=
                QString(unescape(match.captured(2)).size(), styles.at(match.captured(1).toInt()));
            at = match.capturedEnd();
        }
        letters += QString(unescape(body.mid(at)).size(), QLatin1Char('.'));
        // The text's own line ends, kept as they are in the letters.
        QStringList lines;
        const QString plain =
            unescape(QString(body).remove(QRegularExpression(QStringLiteral("<[^>]*>"))));
        int from = 0;
        for (int i = 0; i <= plain.size(); ++i) {
            if (i == plain.size() || plain.at(i) == QLatin1Char('\n')) {
                lines << letters.mid(from, i - from);
                from = i + 1;
            }
        }
        // The renderer ends every line, the last one included.
        if (!lines.isEmpty() && lines.constLast().isEmpty())
            lines.removeLast();
        return lines;
    }

    QTemporaryDir m_home;
};

} // namespace

void TestHighlighter::definitionColours_data()
{
    colours_data();
}

void TestHighlighter::definitionColours()
{
    if (QStringLiteral(QUORVEL_SYNTAX_RENDERER).isEmpty())
        QSKIP("no KDE highlighting renderer: scripts/deps.sh installs it");
    QFETCH(QStringList, lines);
    QFETCH(QStringList, colours);

    Renderer renderer;
    QStringList letters;
    QString error;
    QVERIFY2(renderer.render(lines.join(QLatin1Char('\n')), letters, error), qPrintable(error));
    QCOMPARE(letters, colours);
}

void TestHighlighter::definitionColoursSamples_data()
{
    QTest::addColumn<QString>("path");
    const QDir samples(QStringLiteral(QUORVEL_TEST_DATA "/compile"));
    const QStringList files = samples.entryList({QStringLiteral("*.prgb")}, QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString &name : files)
        QTest::newRow(qPrintable(name)) << samples.filePath(name);
}

void TestHighlighter::definitionColoursSamples()
{
    if (QStringLiteral(QUORVEL_SYNTAX_RENDERER).isEmpty())
        QSKIP("no KDE highlighting renderer: scripts/deps.sh installs it");
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());

    QTextDocument doc;
    Highlighter highlighter(&doc);
    setText(doc, highlighter, text);
    QStringList window;
    QString states;
    describe(doc, window, states);
    // The file's final line end is no line of its own to the renderer.
    if (text.endsWith(QLatin1Char('\n')))
        window.removeLast();

    Renderer renderer;
    QStringList letters;
    QString error;
    QVERIFY2(renderer.render(text, letters, error), qPrintable(error));
    QCOMPARE(letters, window);
    // A sample that shows nothing coloured would prove nothing.
    QVERIFY(window.join(QString()).contains(QLatin1Char('b')));
}

QTEST_MAIN(TestHighlighter)
#include "tst_highlighter.moc"
