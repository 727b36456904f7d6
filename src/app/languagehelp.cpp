#include "languagehelp.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QKeySequence>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace LanguageHelp {

namespace {

constexpr int Width = 640;
constexpr int Height = 560;

} // namespace

QString html()
{
    return QCoreApplication::translate(
               "MainWindow",
               "<h3>Язык программ</h3>"
               "<p>Одна инструкция в строке, каждая заканчивается знаком <code>;</code>. "
               "Строка, в которой есть <code>//</code>, целиком считается комментарием. "
               "Текст между <code>/*</code> и <code>*/</code> только выделяется цветом, "
               "а компилируется как обычная строка. Регистр букв важен.</p>"
               "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">"
               "<tr><th>Инструкция</th><th>Что делает</th></tr>"
               "<tr><td><code>prgName = \"Prg1\";</code></td><td>имя программы, от 1 до 5 букв, "
               "цифр или знаков _; только в первой строке</td></tr>"
               "<tr><td><code>X = V;</code></td><td>присвоить операнду X число или другой "
               "операнд V</td></tr>"
               "<tr><td><code>X += V;</code> <code>X -= V;</code><br><code>X *= V;</code> "
               "<code>X /= V;</code></td><td>прибавить, вычесть, умножить, разделить</td></tr>"
               "<tr><td><code>if X op V #t;</code><br><code>if X op V #t else #e;</code></td>"
               "<td>сравнить X с V; если верно, перейти к метке t, иначе к метке e (или к "
               "следующей строке). Сравнения: <code>== != &lt; &lt;= &gt; &gt;=</code>. "
               "После <code>if</code> и после <code>else</code> ровно один пробел</td></tr>"
               "<tr><td><code>jmp #t;</code></td><td>перейти к метке t</td></tr>"
               "<tr><td><code>#t;</code></td><td>метка с номером t от 0 до 99</td></tr>"
               "<tr><td><code>delay_ms n;</code></td><td>пауза n миллисекунд</td></tr>"
               "<tr><td><code>delay_s n;</code></td><td>пауза n секунд</td></tr>"
               "<tr><td><code>nop;</code></td><td>ничего не делать</td></tr>"
               "</table>"
               "<p>Операнды: <code>Us Uo Is Io Out Ro</code>, <code>M1</code>–<code>M8</code>, "
               "<code>T1</code>–<code>T4</code>, <code>Blk</code> (<code>Blk</code> не может "
               "стоять слева в <code>if</code>). Числа десятичные, целые, от -2147483648 до "
               "2147483647, без знака +. В программе не больше 100 инструкций; метки тоже "
               "считаются, а строка с именем программы — нет.</p>") +
           QCoreApplication::translate(
               "MainWindow",
               "<h4>Подсказки редактора</h4>"
               "<p><b>Ctrl+Пробел</b> — дополнение: что может стоять у курсора по уже "
               "написанному началу строки (инструкции, операнды, сравнения, после "
               "<code>#</code> — метки программы с их строками). Список открывается и сам "
               "после двух букв слова или после <code>#</code>; Enter или Tab вставляет, Esc "
               "закрывает. Шаблон <code>if</code> сам ставит нужные одиночные пробелы.</p>"
               "<p>Наведите мышь на <code>#n</code>, метку или операнд — подсказка скажет, где "
               "метка и кто на нее ссылается, код операнда. <b>F12</b> или Ctrl+щелчок по "
               "<code>#n</code> — перейти к метке, <b>Shift+F12</b> — строки, которые ведут на "
               "метку, <b>F2</b> — новый номер метки вместе со всеми ссылками. <b>Ctrl+F</b> — "
               "найти (с учетом регистра), <b>Ctrl+H</b> — заменить.</p>") +
           QCoreApplication::translate(
               "MainWindow",
               "<h4>Пример</h4>"
               "<p>Поднимать напряжение до 1000 шагами по 10 каждые полсекунды, затем "
               "выключить выход:</p>") +
           QStringLiteral("<pre>") + example().toHtmlEscaped() + QStringLiteral("</pre>");
}

QString example()
{
    // Only the comment is the reader's language; the statements are the device's.
    return QStringLiteral("prgName = \"Ramp\";\n// ") +
           QCoreApplication::translate("MainWindow", "Начать с нуля") +
           QStringLiteral("\n"
                          "Us = 0;\n"
                          "#1;\n"
                          "Us += 10;\n"
                          "delay_ms 500;\n"
                          "if Us < 1000 #1 else #2;\n"
                          "#2;\n"
                          "Out = 0;\n");
}

void show(QWidget *parent, const std::function<void()> &openExample)
{
    auto *window = parent->findChild<QWidget *>(QStringLiteral("languageHelpWindow"));
    if (!window) {
        // A window of its own, not modal: the user writes the program while reading it.
        window = new QWidget(parent, Qt::Window);
        window->setObjectName(QStringLiteral("languageHelpWindow"));
        window->setWindowTitle(
            QCoreApplication::translate("MainWindow", "Язык программ — Quorvel"));
        window->resize(Width, Height);
        auto *layout = new QVBoxLayout(window);
        auto *text = new QTextBrowser(window);
        text->setObjectName(QStringLiteral("languageHelp"));
        text->setHtml(html());
        layout->addWidget(text);
        auto *buttons = new QDialogButtonBox(window);
        QPushButton *example =
            buttons->addButton(QCoreApplication::translate("MainWindow", "Вставить пример"),
                               QDialogButtonBox::ActionRole);
        example->setObjectName(QStringLiteral("openExampleButton"));
        QObject::connect(example, &QPushButton::clicked, window, openExample);
        QPushButton *close = buttons->addButton(QDialogButtonBox::Close);
        close->setText(QCoreApplication::translate("MainWindow", "Закрыть"));
        QObject::connect(close, &QPushButton::clicked, window, &QWidget::close);
        layout->addWidget(buttons);
        // Closed as a dialog would be: Esc, and Ctrl+W as a document window.
        auto *closeKeys = new QAction(window);
        closeKeys->setObjectName(QStringLiteral("closeLanguageHelpAction"));
        closeKeys->setShortcuts(
            {QKeySequence(Qt::Key_Escape),
             QKeySequence(QCoreApplication::translate("MainWindow", "Ctrl+W"))});
        closeKeys->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(closeKeys, &QAction::triggered, window, &QWidget::close);
        window->addAction(closeKeys);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace LanguageHelp
