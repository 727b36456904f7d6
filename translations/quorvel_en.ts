<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>CodeAssist</name>
    <message>
        <source>Здесь нечего дополнить</source>
        <translation>Nothing to complete here</translation>
    </message>
    <message>
        <source>Под курсором нет ссылки на метку: поставьте его на #n в jmp или if</source>
        <translation>There is no label reference under the cursor: put it on #n in a jmp or if</translation>
    </message>
    <message>
        <source>Метки #%1 в программе нет</source>
        <translation>The program has no label #%1</translation>
    </message>
    <message>
        <source>Под курсором нет метки: поставьте его на #n в метке, jmp или if</source>
        <translation>There is no label under the cursor: put it on #n in a label, jmp or if</translation>
    </message>
    <message>
        <source>На метку #%1 никто не ссылается</source>
        <translation>Nothing refers to label #%1</translation>
    </message>
    <message>
        <source>Строка %1: %2</source>
        <translation>Line %1: %2</translation>
    </message>
    <message numerus="yes">
        <source>На метку #%1 ссылаются строк: %n</source>
        <translation>
            <numerusform>%n line refers to label #%1</numerusform>
            <numerusform>%n lines refer to label #%1</numerusform>
        </translation>
    </message>
    <message>
        <source>Переименовать метку</source>
        <translation>Rename Label</translation>
    </message>
    <message>
        <source>Новый номер метки #%1 (0–99):</source>
        <translation>New number for label #%1 (0–99):</translation>
    </message>
    <message>
        <source>Метку #%1 нельзя переименовать в #%2</source>
        <translation>Label #%1 cannot be renamed to #%2</translation>
    </message>
    <message numerus="yes">
        <source>Метка #%1 стала #%2, заменено ссылок и меток: %n</source>
        <translation>
            <numerusform>Label #%1 is now #%2, %n place changed</numerusform>
            <numerusform>Label #%1 is now #%2, %n places changed</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>%1: не компилируется</source>
        <translation>%1: does not compile</translation>
    </message>
    <message>
        <source>Порт	Описание	Производитель	Серийный номер	USB</source>
        <translation>Port	Description	Manufacturer	Serial number	USB</translation>
    </message>
    <message>
        <source>Последовательные порты не найдены</source>
        <translation>No serial ports found</translation>
    </message>
    <message>
        <source>--set «%1»: нужно ИМЯ=ЗНАЧЕНИЕ, например Uo=5000</source>
        <translation>--set &apos;%1&apos; is not NAME=VALUE, e.g. Uo=5000</translation>
    </message>
    <message>
        <source>--set «%1»: нет операнда «%2» (операнды: %3)</source>
        <translation>--set &apos;%1&apos;: no operand named &apos;%2&apos; (operands: %3)</translation>
    </message>
    <message>
        <source>--set «%1»: значение не целое число от -2147483648 до 2147483647</source>
        <translation>--set &apos;%1&apos;: the value is not a whole number from -2147483648 to 2147483647</translation>
    </message>
    <message>
        <source>--until «%1»: не длительность вида 500ms, 90s, 5m или 1h</source>
        <translation>--until &apos;%1&apos;: not a duration such as 500ms, 90s, 5m or 1h</translation>
    </message>
    <message>
        <source>--csv и --json исключают друг друга</source>
        <translation>--csv and --json exclude each other</translation>
    </message>
    <message>
        <source>%1 не компилируется, прогон не выполнен</source>
        <translation>%1 does not compile; nothing was run</translation>
    </message>
    <message>
        <source>время, мс</source>
        <translation>time, ms</translation>
    </message>
    <message>
        <source>строка</source>
        <translation>line</translation>
    </message>
    <message>
        <source>операнд</source>
        <translation>operand</translation>
    </message>
    <message>
        <source>значение</source>
        <translation>value</translation>
    </message>
    <message>
        <source>%1 (порт %2: %3)</source>
        <translation>%1 (port %2: %3)</translation>
    </message>
    <message>
        <source>Не удается открыть порт %1: %2</source>
        <translation>Cannot open port %1: %2</translation>
    </message>
    <message>
        <source>проверка нашла отличия</source>
        <translation>verify found differences</translation>
    </message>
    <message>
        <source>Не удается записать файл %1: %2</source>
        <translation>Cannot write the file %1: %2</translation>
    </message>
    <message>
        <source>Не удается записать файл %1</source>
        <translation>Cannot write the file %1</translation>
    </message>
    <message numerus="yes">
        <source>%1: скомпилирована, записей: %n</source>
        <translation>
            <numerusform>%1: compiled, %n record</numerusform>
            <numerusform>%1: compiled, %n records</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>записано записей: %n</source>
        <translation>
            <numerusform>written, %n record</numerusform>
            <numerusform>written, %n records</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>записано и проверено записей: %n</source>
        <translation>
            <numerusform>written and verified, %n record</numerusform>
            <numerusform>written and verified, %n records</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>совпадает, записей: %n</source>
        <translation>
            <numerusform>equal, %n record</numerusform>
            <numerusform>equal, %n records</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>считано записей: %n</source>
        <translation>
            <numerusform>read, %n record</numerusform>
            <numerusform>read, %n records</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>считано записей: %n, в файл %1</source>
        <translation>
            <numerusform>read, %n record into %1</numerusform>
            <numerusform>read, %n records into %1</numerusform>
        </translation>
    </message>
    <message>
        <source>текст не даёт той же программы, что в приборе</source>
        <translation>the text does not give the program in the device</translation>
    </message>
    <message>
        <source>Поиск приборов: %1 из %2 адресов, %3</source>
        <translation>Finding supplies: %1 of %2 addresses, %3</translation>
    </message>
    <message>
        <source>Ни один последовательный порт не открылся</source>
        <translation>No serial port opened</translation>
    </message>
    <message>
        <source>Не удается открыть карту регистров %1: %2</source>
        <translation>Cannot open the register map %1: %2</translation>
    </message>
    <message>
        <source>файл больше 1 МБ</source>
        <translation>the file is larger than 1 MB</translation>
    </message>
    <message>
        <source>Карта регистров %1 не прочитана: %2</source>
        <translation>The register map %1 was not read: %2</translation>
    </message>
    <message>
        <source>нет ответа: %1</source>
        <translation>no answer: %1</translation>
    </message>
    <message>
        <source>Опросов: %1, с ответом: %2, неудачных: %3</source>
        <translation>Polls: %1, answered: %2, failed: %3</translation>
    </message>
    <message>
        <source>Записать можно регистр 03 (два значения) или 07 (одно), не «%1»</source>
        <translation>Register 03 (two values) or 07 (one) can be written, not &apos;%1&apos;</translation>
    </message>
    <message>
        <source>set-register пишет в один прибор: --slave N</source>
        <translation>set-register writes to one device: --slave N</translation>
    </message>
</context>
<context>
    <name>Compiler</name>
    <message>
        <source>error: повтор ссылки #%1</source>
        <translation>error: duplicate label #%1</translation>
    </message>
    <message>
        <source>error if: ссылка #%1 не найдена</source>
        <translation>error if: reference #%1 not found</translation>
    </message>
    <message>
        <source>error if-else: ссылка #%1 не найдена</source>
        <translation>error if-else: reference #%1 not found</translation>
    </message>
    <message>
        <source>error if-else: ссылка #%1 не может указывать на первую запись</source>
        <translation>error if-else: reference #%1 cannot point to the first record</translation>
    </message>
    <message>
        <source>error jmp: ссылка #%1 не найдена</source>
        <translation>error jmp: reference #%1 not found</translation>
    </message>
    <message>
        <source> должен быть в первой строке</source>
        <translation> must be on the first line</translation>
    </message>
    <message>
        <source>Компиляция:</source>
        <translation>Compiling:</translation>
    </message>
    <message>
        <source>оператор перед // не компилируется: строка с // целиком считается комментарием</source>
        <translation>the statement before // is not compiled: a line with // is a comment as a whole</translation>
    </message>
    <message>
        <source>имя программы содержит символы, которых нет в приборе</source>
        <translation>the program name contains characters the device cannot store</translation>
    </message>
    <message>
        <source>нет строки prgName: в прибор будет записано пустое имя</source>
        <translation>no prgName line: an empty name will be written to the device</translation>
    </message>
    <message>
        <source>до этой строки программа не доходит</source>
        <translation>the program never reaches this line</translation>
    </message>
    <message>
        <source>цикл без задержки</source>
        <translation>loop without a delay</translation>
    </message>
    <message numerus="yes">
        <source>%n записей: в ячейку прибора помещается не более 100</source>
        <translation>
            <numerusform>%n record: a device cell holds at most 100</numerusform>
            <numerusform>%n records: a device cell holds at most 100</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Completion</name>
    <message>
        <source>операнд, код %1</source>
        <translation>operand, code %1</translation>
    </message>
    <message>
        <source>строка %1</source>
        <translation>line %1</translation>
    </message>
    <message>
        <source>ничего не делает</source>
        <translation>does nothing</translation>
    </message>
    <message>
        <source>переход на метку</source>
        <translation>jump to a label</translation>
    </message>
    <message>
        <source>пауза в миллисекундах</source>
        <translation>pause in milliseconds</translation>
    </message>
    <message>
        <source>пауза в секундах</source>
        <translation>pause in seconds</translation>
    </message>
    <message>
        <source>условный переход</source>
        <translation>conditional jump</translation>
    </message>
    <message>
        <source>имя программы, до 5 букв и цифр</source>
        <translation>program name, up to 5 letters and digits</translation>
    </message>
    <message>
        <source>равно</source>
        <translation>equal</translation>
    </message>
    <message>
        <source>не равно</source>
        <translation>not equal</translation>
    </message>
    <message>
        <source>меньше</source>
        <translation>less</translation>
    </message>
    <message>
        <source>меньше или равно</source>
        <translation>less or equal</translation>
    </message>
    <message>
        <source>больше</source>
        <translation>greater</translation>
    </message>
    <message>
        <source>больше или равно</source>
        <translation>greater or equal</translation>
    </message>
    <message>
        <source>куда идти, если условие не выполнено</source>
        <translation>where to go when the comparison fails</translation>
    </message>
    <message>
        <source>присвоить</source>
        <translation>assign</translation>
    </message>
    <message>
        <source>прибавить</source>
        <translation>add</translation>
    </message>
    <message>
        <source>вычесть</source>
        <translation>subtract</translation>
    </message>
    <message>
        <source>умножить</source>
        <translation>multiply</translation>
    </message>
    <message>
        <source>разделить</source>
        <translation>divide</translation>
    </message>
</context>
<context>
    <name>Console</name>
    <message>
        <source>он закрыт</source>
        <translation>it is closed</translation>
    </message>
    <message>
        <source>Не удается записать в стандартный вывод: %1</source>
        <translation>Cannot write standard output: %1</translation>
    </message>
</context>
<context>
    <name>Decoder</name>
    <message>
        <source>Внимание: имя программы в приборе («%1») нельзя записать обратно — исправьте строку prgName</source>
        <translation>Warning: the program name in the device (&quot;%1&quot;) cannot be written back — correct the prgName line</translation>
    </message>
    <message>
        <source>error: повтор ссылки #%1</source>
        <translation>error: duplicate label #%1</translation>
    </message>
    <message>
        <source>error: некорректная ссылка if</source>
        <translation>error: invalid if reference</translation>
    </message>
    <message>
        <source>error: некорректная ссылка #</source>
        <translation>error: invalid # reference</translation>
    </message>
    <message>
        <source>error: некорректная ссылка if-else</source>
        <translation>error: invalid if-else reference</translation>
    </message>
    <message>
        <source>error: некорректная ссылка else #</source>
        <translation>error: invalid else # reference</translation>
    </message>
    <message>
        <source>error: некорректная ссылка jmp</source>
        <translation>error: invalid jmp reference</translation>
    </message>
    <message>
        <source>error: некорректная ссылка jmp #</source>
        <translation>error: invalid jmp # reference</translation>
    </message>
</context>
<context>
    <name>DeviceActivity</name>
    <message>
        <source>Закрыть окно</source>
        <translation>Close Window</translation>
    </message>
    <message>
        <source>Идёт обмен с прибором. Прервать и закрыть окно?</source>
        <translation>An exchange with the device is in progress. Stop it and close the window?</translation>
    </message>
    <message>
        <source>Нет связи</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>%v/%m</source>
        <translation>%v/%m</translation>
    </message>
    <message>
        <source>осталось %1 с</source>
        <translation>%1 s left</translation>
    </message>
    <message>
        <source>Подключено: %1, 9600 8N1</source>
        <translation>Connected: %1, 9600 8N1</translation>
    </message>
</context>
<context>
    <name>DeviceConnection</name>
    <message>
        <source>Порт занят другой программой: закройте ее и подключитесь снова</source>
        <translation>The port is in use by another program: close it and connect again</translation>
    </message>
    <message>
        <source>Порт занят другой программой (%1, PID %2): закройте ее и подключитесь снова</source>
        <translation>The port is in use by another program (%1, PID %2): close it and connect again</translation>
    </message>
    <message>
        <source>Нет прав на доступ к порту (%1).
В Linux доступ к порту дает членство в группе dialout: sudo usermod -aG dialout $USER, затем войдите в систему заново.</source>
        <translation>No permission to access the port (%1).
On Linux, port access comes with membership in the dialout group: sudo usermod -aG dialout $USER, then log in again.</translation>
    </message>
    <message>
        <source>Такого порта нет: проверьте имя порта и подключение адаптера</source>
        <translation>No such port: check the port name and the adapter connection</translation>
    </message>
    <message>
        <source>ошибка чтения</source>
        <translation>read error</translation>
    </message>
    <message>
        <source>ошибка записи</source>
        <translation>write error</translation>
    </message>
    <message>
        <source>устройство отключено</source>
        <translation>device gone</translation>
    </message>
    <message>
        <source>ошибка %1</source>
        <translation>error %1</translation>
    </message>
</context>
<context>
    <name>DeviceControls</name>
    <message>
        <source>Пор&amp;т</source>
        <translation>Po&amp;rt</translation>
    </message>
    <message>
        <source>I&amp;D</source>
        <translation>&amp;ID</translation>
    </message>
    <message>
        <source>&amp;Ячейка</source>
        <translation>&amp;Cell</translation>
    </message>
    <message>
        <source>Slave ID: адрес прибора на линии, 0–255</source>
        <translation>Slave ID: device address on the serial line, 0–255</translation>
    </message>
</context>
<context>
    <name>EditorAids</name>
    <message>
        <source>Перейти к строке</source>
        <translation>Go to Line</translation>
    </message>
    <message>
        <source>Номер строки (1–%1):</source>
        <translation>Line number (1–%1):</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message numerus="yes">
        <source>%n ошибок</source>
        <translation>
            <numerusform>%n error</numerusform>
            <numerusform>%n errors</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n предупреждений</source>
        <translation>
            <numerusform>%n warning</numerusform>
            <numerusform>%n warnings</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>EditorMarks</name>
    <message>
        <source>столбец %1: %2</source>
        <translation>column %1: %2</translation>
    </message>
    <message>
        <source>Строка %1, %2</source>
        <translation>Line %1, %2</translation>
    </message>
</context>
<context>
    <name>ExchangeLog</name>
    <message>
        <source>кому %1, от %2, команда %3, доступ %4</source>
        <translation>to %1, from %2, command %3, access %4</translation>
    </message>
    <message>
        <source>кому %1, от %2, команда %3, статус %4</source>
        <translation>to %1, from %2, command %3, status %4</translation>
    </message>
    <message>
        <source>(отброшена: ответ на другой запрос)</source>
        <translation>(dropped: reply to another request)</translation>
    </message>
    <message>
        <source>(отброшена: запоздавший ответ)</source>
        <translation>(dropped: late reply)</translation>
    </message>
    <message>
        <source>(отброшена: эхо запроса)</source>
        <translation>(dropped: request echo)</translation>
    </message>
    <message>
        <source>(второй ответ: обмен %1 под сомнением)</source>
        <translation>(second reply: exchange %1 in doubt)</translation>
    </message>
    <message>
        <source>тайм-аут: нет ответа за %1 мс</source>
        <translation>timeout: no reply within %1 ms</translation>
    </message>
    <message>
        <source>повтор: попытка %1 из %2</source>
        <translation>retry: attempt %1 of %2</translation>
    </message>
    <message>
        <source>отброшено символов на входе: %1</source>
        <translation>input characters dropped: %1</translation>
    </message>
</context>
<context>
    <name>ExchangeLogDock</name>
    <message>
        <source>Журнал обмена</source>
        <translation>Exchange Log</translation>
    </message>
    <message>
        <source>Сохранить журнал...</source>
        <translation>Save Log...</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Сохранить журнал</source>
        <translation>Save Log</translation>
    </message>
    <message>
        <source>Текстовый файл (*.txt *.log)</source>
        <translation>Text files (*.txt *.log)</translation>
    </message>
    <message>
        <source>Не удается сохранить журнал</source>
        <translation>Cannot save the log</translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>Предыдущее (Shift+F3)</source>
        <translation>Previous (Shift+F3)</translation>
    </message>
    <message>
        <source>Следующее (F3)</source>
        <translation>Next (F3)</translation>
    </message>
    <message>
        <source>Закрыть (Esc)</source>
        <translation>Close (Esc)</translation>
    </message>
    <message>
        <source>Найти:</source>
        <translation>Find:</translation>
    </message>
    <message>
        <source>&amp;Учитывать регистр</source>
        <translation>Match &amp;case</translation>
    </message>
    <message>
        <source>Заменить</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>Заменить все</source>
        <translation>Replace All</translation>
    </message>
    <message>
        <source>Заменить на:</source>
        <translation>Replace with:</translation>
    </message>
    <message numerus="yes">
        <source>Заменено совпадений: %n</source>
        <translation>
            <numerusform>Replaced %n match</numerusform>
            <numerusform>Replaced %n matches</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>LabelRename</name>
    <message>
        <source>под курсором нет метки: поставьте его на #n в метке, jmp или if</source>
        <translation>there is no label under the cursor: put it on #n in a label, jmp or if</translation>
    </message>
    <message>
        <source>номер метки — число от 0 до 99</source>
        <translation>a label number is a number from 0 to 99</translation>
    </message>
    <message>
        <source>у метки уже номер %1</source>
        <translation>the label already has number %1</translation>
    </message>
    <message>
        <source>метка #%1 уже есть в строке %2: выберите другой номер</source>
        <translation>label #%1 already stands on line %2: choose another number</translation>
    </message>
</context>
<context>
    <name>LaneChart</name>
    <message>
        <source>ч</source>
        <translation>h</translation>
    </message>
    <message>
        <source>мин</source>
        <translation>min</translation>
    </message>
    <message>
        <source>с</source>
        <translation>s</translation>
    </message>
    <message>
        <source>мс</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>Весь график</source>
        <translation>Show all</translation>
    </message>
    <message>
        <source>Показать всё время (или окно времени) и следовать за новыми значениями; то же — двойной щелчок по графику</source>
        <translation>Show the whole time (or the time window) and follow new values; a double-click on the chart does the same</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>none</translation>
    </message>
    <message>
        <source>ru</source>
        <translation>en</translation>
    </message>
    <message>
        <source>A: %1</source>
        <translation>A: %1</translation>
    </message>
    <message>
        <source>B: %1</source>
        <translation>B: %1</translation>
    </message>
    <message>
        <source>B−A: %1</source>
        <translation>B−A: %1</translation>
    </message>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
    <message>
        <source> (Δ %1)</source>
        <translation> (Δ %1)</translation>
    </message>
    <message>
        <source>нет данных</source>
        <translation>no data</translation>
    </message>
    <message>
        <source>%1 = %2</source>
        <translation>%1 = %2</translation>
    </message>
    <message>
        <source>начиная с %1</source>
        <translation>since %1</translation>
    </message>
    <message>
        <source>Щелчок скрывает дорожку %1</source>
        <translation>Click to hide lane %1</translation>
    </message>
    <message>
        <source>Щелчок показывает дорожку %1</source>
        <translation>Click to show lane %1</translation>
    </message>
    <message>
        <source>колесо — масштаб, перетаскивание — сдвиг, правый щелчок — курсор</source>
        <translation>wheel: zoom, drag: pan, right click: cursor</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>UTC</source>
        <translation>UTC</translation>
    </message>
</context>
<context>
    <name>LanguageMenu</name>
    <message>
        <source>Язык &amp;интерфейса</source>
        <translation>Interface &amp;Language</translation>
    </message>
    <message>
        <source>Язык интерфейса</source>
        <translation>Interface Language</translation>
    </message>
    <message>
        <source>Язык интерфейса сменится при следующем запуске программы.</source>
        <translation>The interface language will change the next time Quorvel starts.</translation>
    </message>
</context>
<context>
    <name>LanguageServer</name>
    <message>
        <source>Сообщение не JSON: %1 (байт %2)</source>
        <translation>The message is not JSON: %1 (byte %2)</translation>
    </message>
    <message>
        <source>Сообщение не объект JSON-RPC</source>
        <translation>The message is not a JSON-RPC object</translation>
    </message>
    <message>
        <source>Сообщение без &quot;jsonrpc&quot;: &quot;2.0&quot;</source>
        <translation>The message lacks &quot;jsonrpc&quot;: &quot;2.0&quot;</translation>
    </message>
    <message>
        <source>Сообщение без имени метода</source>
        <translation>The message names no method</translation>
    </message>
    <message>
        <source>Идентификатор запроса %1 не число и не строка</source>
        <translation>The id of request %1 is neither a number nor a string</translation>
    </message>
    <message>
        <source>Параметры %1 не объект</source>
        <translation>The parameters of %1 are not an object</translation>
    </message>
    <message>
        <source>Сервер еще не получил initialize</source>
        <translation>The server has not received initialize yet</translation>
    </message>
    <message>
        <source>Сервер остановлен запросом shutdown, ждет exit</source>
        <translation>The server was shut down and waits for exit</translation>
    </message>
    <message>
        <source>initialize уже был</source>
        <translation>initialize was already received</translation>
    </message>
    <message>
        <source>Метод %1 не поддерживается</source>
        <translation>Method %1 is not supported</translation>
    </message>
    <message>
        <source>В запросе %1 нет позиции</source>
        <translation>Request %1 gives no position</translation>
    </message>
    <message>
        <source>В запросе не указан документ</source>
        <translation>The request names no document</translation>
    </message>
    <message>
        <source>Документ %1 не открыт</source>
        <translation>Document %1 is not open</translation>
    </message>
</context>
<context>
    <name>LimitCheck</name>
    <message>
        <source>%1 = %2 выше предела %3</source>
        <translation>%1 = %2 above the limit %3</translation>
    </message>
    <message>
        <source>%1 = %2 ниже предела %3</source>
        <translation>%1 = %2 below the limit %3</translation>
    </message>
    <message>
        <source>строка %1: %2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>%1 через %2</source>
        <translation>%1 after %2</translation>
    </message>
    <message>
        <source>%1, остальные 0</source>
        <translation>%1, the others 0</translation>
    </message>
    <message>
        <source>модель: начальные значения %1, за %2</source>
        <translation>model: starting values %1, over %2</translation>
    </message>
    <message>
        <source>; прогон прерван: %1</source>
        <translation>; the run stopped early: %1</translation>
    </message>
    <message>
        <source>%1 и ещё %2</source>
        <translation>%1 and %2 more</translation>
    </message>
    <message>
        <source>Программа выходит за пределы: %1. Записать всё равно?</source>
        <translation>The program goes beyond the limits: %1. Write it all the same?</translation>
    </message>
    <message>
        <source>выходит за пределы: %1 = %2 в строке %3 через %4</source>
        <translation>beyond the limits: %1 = %2 on line %3 after %4</translation>
    </message>
    <message>
        <source>Программа не записана: выходит за пределы</source>
        <translation>Program not written: it goes beyond the limits</translation>
    </message>
    <message>
        <source>%1 через %2 (%3)</source>
        <translation>%1 after %2 (%3)</translation>
    </message>
</context>
<context>
    <name>LimitsDialog</name>
    <message>
        <source>Пределы операндов</source>
        <translation>Operand limits</translation>
    </message>
    <message>
        <source>Что выдерживает стенд, в единицах операндов. Пустая клетка — без предела. Запись в прибор программы, выходящей за пределы, требует подтверждения.</source>
        <translation>What the bench tolerates, in the operands&apos; own units. An empty cell means no limit. Writing a program that goes beyond them asks first.</translation>
    </message>
    <message>
        <source>&amp;Импорт...</source>
        <translation>&amp;Import...</translation>
    </message>
    <message>
        <source>&amp;Экспорт...</source>
        <translation>&amp;Export...</translation>
    </message>
    <message>
        <source>О&amp;чистить</source>
        <translation>&amp;Clear</translation>
    </message>
    <message>
        <source>Пределы операндов (*.limits)</source>
        <translation>Operand limits (*.limits)</translation>
    </message>
    <message>
        <source>Все файлы (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Операнд</source>
        <translation>Operand</translation>
    </message>
    <message>
        <source>Минимум</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>Максимум</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>%1: «%2» не целое число от -2147483648 до 2147483647</source>
        <translation>%1: “%2” is not a whole number from -2147483648 to 2147483647</translation>
    </message>
    <message>
        <source>%1: минимум %2 больше максимума %3</source>
        <translation>%1: minimum %2 is above maximum %3</translation>
    </message>
    <message>
        <source>Импорт пределов</source>
        <translation>Import limits</translation>
    </message>
    <message>
        <source>Не удается открыть файл %1.</source>
        <translation>Cannot open the file %1.</translation>
    </message>
    <message>
        <source>Пределы не загружены: в файле есть ошибки.</source>
        <translation>Limits not loaded: the file has errors.</translation>
    </message>
    <message>
        <source>Экспорт пределов</source>
        <translation>Export limits</translation>
    </message>
    <message>
        <source>Не удается записать файл %1.</source>
        <translation>Cannot write the file %1.</translation>
    </message>
</context>
<context>
    <name>LspFraming</name>
    <message>
        <source>Заголовок сообщения длиннее %1 байт</source>
        <translation>The message header is longer than %1 bytes</translation>
    </message>
    <message>
        <source>В заголовке сообщения нет верного Content-Length</source>
        <translation>The message header has no valid Content-Length</translation>
    </message>
    <message>
        <source>Сообщение длиннее %1 байт</source>
        <translation>The message is longer than %1 bytes</translation>
    </message>
</context>
<context>
    <name>LspLimits</name>
    <message>
        <source>Не удается открыть файл пределов %1. %2</source>
        <translation>Cannot open the limits file %1. %2</translation>
    </message>
</context>
<context>
    <name>LspNavigation</name>
    <message>
        <source>В файле пределов нет меток</source>
        <translation>A limits file has no labels</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Quorvel</source>
        <translation>Quorvel</translation>
    </message>
    <message>
        <source>&amp;Файл</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Правка</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>П&amp;рограмма</source>
        <translation>&amp;Program</translation>
    </message>
    <message>
        <source>Пр&amp;ибор</source>
        <translation>&amp;Device</translation>
    </message>
    <message>
        <source>&amp;Справка</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Язык программ — Quorvel</source>
        <translation>Program Language — Quorvel</translation>
    </message>
    <message>
        <source>Вставить пример</source>
        <translation>Open Example</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Ctrl+W</source>
        <translation>Ctrl+W</translation>
    </message>
    <message>
        <source>&amp;Недавние файлы</source>
        <translation>&amp;Recent Files</translation>
    </message>
    <message>
        <source>Со&amp;здать файл</source>
        <translation>&amp;New File</translation>
    </message>
    <message>
        <source>Создать файл</source>
        <translation>New File</translation>
    </message>
    <message>
        <source>Ctrl+N</source>
        <translation>Ctrl+N</translation>
    </message>
    <message>
        <source>&amp;Открыть файл</source>
        <translation>&amp;Open File...</translation>
    </message>
    <message>
        <source>Открыть файл</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Сохранить файл</source>
        <translation>&amp;Save File</translation>
    </message>
    <message>
        <source>Сохранить файл</source>
        <translation>Save File</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>Сохранить &amp;как ...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>Сохранить как ...</source>
        <translation>Save As...</translation>
    </message>
    <message>
        <source>Ctrl+Shift+S</source>
        <translation>Ctrl+Shift+S</translation>
    </message>
    <message>
        <source>&amp;Выход</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>Закрыть программу</source>
        <translation>Exit Quorvel</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>&amp;Отменить</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>&amp;Повторить</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>Вы&amp;резать</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>&amp;Копировать</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>Вст&amp;авить</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>Выделить &amp;все</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>&amp;Найти...</source>
        <translation>&amp;Find...</translation>
    </message>
    <message>
        <source>Найти...</source>
        <translation>Find...</translation>
    </message>
    <message>
        <source>Ctrl+F</source>
        <translation>Ctrl+F</translation>
    </message>
    <message>
        <source>Перейти к &amp;строке...</source>
        <translation>&amp;Go to Line...</translation>
    </message>
    <message>
        <source>Перейти к строке...</source>
        <translation>Go to Line...</translation>
    </message>
    <message>
        <source>Ctrl+G</source>
        <translation>Ctrl+G</translation>
    </message>
    <message>
        <source>&amp;Скомпилировать</source>
        <translation>&amp;Compile</translation>
    </message>
    <message>
        <source>Скомпилировать</source>
        <translation>Compile</translation>
    </message>
    <message>
        <source>F7</source>
        <translation>F7</translation>
    </message>
    <message>
        <source>Про&amp;гон программы</source>
        <translation>&amp;Run Program</translation>
    </message>
    <message>
        <source>Выполнить программу на ее операндах и показать график</source>
        <translation>Run the program on its operands and show the chart</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>Следующая о&amp;шибка</source>
        <translation>&amp;Next Error</translation>
    </message>
    <message>
        <source>Следующая ошибка</source>
        <translation>Next Error</translation>
    </message>
    <message>
        <source>F8</source>
        <translation>F8</translation>
    </message>
    <message>
        <source>&amp;Предыдущая ошибка</source>
        <translation>&amp;Previous Error</translation>
    </message>
    <message>
        <source>Предыдущая ошибка</source>
        <translation>Previous Error</translation>
    </message>
    <message>
        <source>Shift+F8</source>
        <translation>Shift+F8</translation>
    </message>
    <message>
        <source>&amp;Подключить</source>
        <translation>&amp;Connect</translation>
    </message>
    <message>
        <source>Подключить прибор</source>
        <translation>Connect to the device</translation>
    </message>
    <message>
        <source>F5</source>
        <translation>F5</translation>
    </message>
    <message>
        <source>&amp;Отключить</source>
        <translation>&amp;Disconnect</translation>
    </message>
    <message>
        <source>Отключить прибор</source>
        <translation>Disconnect from the device</translation>
    </message>
    <message>
        <source>Shift+F5</source>
        <translation>Shift+F5</translation>
    </message>
    <message>
        <source>&amp;Записать в прибор</source>
        <translation>&amp;Write to Device</translation>
    </message>
    <message>
        <source>Записать в прибор</source>
        <translation>Write to Device</translation>
    </message>
    <message>
        <source>F6</source>
        <translation>F6</translation>
    </message>
    <message>
        <source>С&amp;читать из прибора</source>
        <translation>&amp;Read from Device</translation>
    </message>
    <message>
        <source>Считать из прибора</source>
        <translation>Read from Device</translation>
    </message>
    <message>
        <source>F9</source>
        <translation>F9</translation>
    </message>
    <message>
        <source>С&amp;равнить с прибором</source>
        <translation>Co&amp;mpare with Device</translation>
    </message>
    <message>
        <source>Сравнить программу в редакторе с ячейкой прибора</source>
        <translation>Compare the program in the editor with the device cell</translation>
    </message>
    <message>
        <source>Shift+F9</source>
        <translation>Shift+F9</translation>
    </message>
    <message>
        <source>Про&amp;верять после записи</source>
        <translation>&amp;Verify After Write</translation>
    </message>
    <message>
        <source>После записи считать ячейку и сравнить с записанным</source>
        <translation>After a write, read the cell back and compare it with what was written</translation>
    </message>
    <message>
        <source>&amp;Журнал обмена</source>
        <translation>Exchange &amp;Log</translation>
    </message>
    <message>
        <source>Кадры и события обмена с прибором</source>
        <translation>Frames and events of the exchange with the device</translation>
    </message>
    <message>
        <source>Ctrl+L</source>
        <translation>Ctrl+L</translation>
    </message>
    <message>
        <source>Пр&amp;ервать</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>Прервать обмен с прибором после текущего запроса</source>
        <translation>Stop the exchange with the device after the current request</translation>
    </message>
    <message>
        <source>Меню</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>F10</source>
        <translation>F10</translation>
    </message>
    <message>
        <source>&amp;Язык программ</source>
        <translation>&amp;Program Language</translation>
    </message>
    <message>
        <source>Операторы языка программ и пример</source>
        <translation>Statements of the program language, with an example</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>&amp;О программе</source>
        <translation>&amp;About Quorvel</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About Quorvel</translation>
    </message>
    <message>
        <source>&lt;h2&gt;Quorvel 1.1&lt;/h2&gt;Программа предназначена для совместного функционирования
с источниками питания Brisca&lt;p&gt;Использование программы с другими приборами не допускается.&lt;p&gt;</source>
        <translation>&lt;h2&gt;Quorvel 1.1&lt;/h2&gt;This program is designed to work together
with Brisca power supplies.&lt;p&gt;Using it with other devices is not permitted.&lt;p&gt;</translation>
    </message>
    <message>
        <source>© 2026 Команда разработчиков Quorvel. Программа поставляется «как есть», без каких-либо гарантий.&lt;p&gt;</source>
        <translation>© 2026 The Quorvel developers. This program is provided &quot;as is&quot;, without warranty of any kind.&lt;p&gt;</translation>
    </message>
    <message>
        <source>Сайт программы: &lt;a href=&quot;https://quorvel.example/&quot;&gt;quorvel.example&lt;/a&gt;</source>
        <translation>Website: &lt;a href=&quot;https://quorvel.example/&quot;&gt;quorvel.example&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Не удается открыть порт</source>
        <translation>Cannot open the port</translation>
    </message>
    <message>
        <source>Начать с нуля</source>
        <translation>Start from zero</translation>
    </message>
    <message>
        <source>Ошибок: %1, первая в строке %2: %3</source>
        <translation>Errors: %1, the first in line %2: %3</translation>
    </message>
    <message>
        <source>Пре&amp;делы операндов…</source>
        <translation>&amp;Operand Limits…</translation>
    </message>
    <message>
        <source>Что выдерживает стенд: пределы операндов для проверки перед записью</source>
        <translation>What the bench tolerates: operand limits checked before a write</translation>
    </message>
    <message>
        <source>Пределы операндов</source>
        <translation>Operand limits</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Язык программ&lt;/h3&gt;&lt;p&gt;Одна инструкция в строке, каждая заканчивается знаком &lt;code&gt;;&lt;/code&gt;. Строка, в которой есть &lt;code&gt;//&lt;/code&gt;, целиком считается комментарием. Текст между &lt;code&gt;/*&lt;/code&gt; и &lt;code&gt;*/&lt;/code&gt; только выделяется цветом, а компилируется как обычная строка. Регистр букв важен.&lt;/p&gt;&lt;table border=&quot;1&quot; cellspacing=&quot;0&quot; cellpadding=&quot;4&quot;&gt;&lt;tr&gt;&lt;th&gt;Инструкция&lt;/th&gt;&lt;th&gt;Что делает&lt;/th&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;prgName = &quot;Prg1&quot;;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;имя программы, от 1 до 5 букв, цифр или знаков _; только в первой строке&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;X = V;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;присвоить операнду X число или другой операнд V&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;X += V;&lt;/code&gt; &lt;code&gt;X -= V;&lt;/code&gt;&lt;br&gt;&lt;code&gt;X *= V;&lt;/code&gt; &lt;code&gt;X /= V;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;прибавить, вычесть, умножить, разделить&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;if X op V #t;&lt;/code&gt;&lt;br&gt;&lt;code&gt;if X op V #t else #e;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;сравнить X с V; если верно, перейти к метке t, иначе к метке e (или к следующей строке). Сравнения: &lt;code&gt;== != &amp;lt; &amp;lt;= &amp;gt; &amp;gt;=&lt;/code&gt;. После &lt;code&gt;if&lt;/code&gt; и после &lt;code&gt;else&lt;/code&gt; ровно один пробел&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;jmp #t;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;перейти к метке t&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;#t;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;метка с номером t от 0 до 99&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;delay_ms n;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;пауза n миллисекунд&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;delay_s n;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;пауза n секунд&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;nop;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;ничего не делать&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;&lt;p&gt;Операнды: &lt;code&gt;Us Uo Is Io Out Ro&lt;/code&gt;, &lt;code&gt;M1&lt;/code&gt;–&lt;code&gt;M8&lt;/code&gt;, &lt;code&gt;T1&lt;/code&gt;–&lt;code&gt;T4&lt;/code&gt;, &lt;code&gt;Blk&lt;/code&gt; (&lt;code&gt;Blk&lt;/code&gt; не может стоять слева в &lt;code&gt;if&lt;/code&gt;). Числа десятичные, целые, от -2147483648 до 2147483647, без знака +. В программе не больше 100 инструкций; метки тоже считаются, а строка с именем программы — нет.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Program Language&lt;/h3&gt;&lt;p&gt;One statement per line, each ending with &lt;code&gt;;&lt;/code&gt;. A line that contains &lt;code&gt;//&lt;/code&gt; is a comment as a whole. Text between &lt;code&gt;/*&lt;/code&gt; and &lt;code&gt;*/&lt;/code&gt; is only shown in a different colour; it is compiled like any other line. Letter case matters.&lt;/p&gt;&lt;table border=&quot;1&quot; cellspacing=&quot;0&quot; cellpadding=&quot;4&quot;&gt;&lt;tr&gt;&lt;th&gt;Statement&lt;/th&gt;&lt;th&gt;What it does&lt;/th&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;prgName = &quot;Prg1&quot;;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;program name, 1 to 5 letters, digits or underscores; first line only&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;X = V;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;assign a number or another operand V to operand X&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;X += V;&lt;/code&gt; &lt;code&gt;X -= V;&lt;/code&gt;&lt;br&gt;&lt;code&gt;X *= V;&lt;/code&gt; &lt;code&gt;X /= V;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;add, subtract, multiply, divide&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;if X op V #t;&lt;/code&gt;&lt;br&gt;&lt;code&gt;if X op V #t else #e;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;compare X with V; if true, go to label t, otherwise to label e (or to the next line). Comparisons: &lt;code&gt;== != &amp;lt; &amp;lt;= &amp;gt; &amp;gt;=&lt;/code&gt;. Exactly one space after &lt;code&gt;if&lt;/code&gt; and after &lt;code&gt;else&lt;/code&gt;&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;jmp #t;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;go to label t&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;#t;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;label number t, from 0 to 99&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;delay_ms n;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;pause for n milliseconds&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;delay_s n;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;pause for n seconds&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;&lt;code&gt;nop;&lt;/code&gt;&lt;/td&gt;&lt;td&gt;do nothing&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;&lt;p&gt;Operands: &lt;code&gt;Us Uo Is Io Out Ro&lt;/code&gt;, &lt;code&gt;M1&lt;/code&gt;–&lt;code&gt;M8&lt;/code&gt;, &lt;code&gt;T1&lt;/code&gt;–&lt;code&gt;T4&lt;/code&gt;, &lt;code&gt;Blk&lt;/code&gt; (&lt;code&gt;Blk&lt;/code&gt; cannot be on the left of an &lt;code&gt;if&lt;/code&gt; comparison). Numbers are decimal integers from -2147483648 to 2147483647, without a + sign. A program holds at most 100 statements; labels count too, the program name line does not.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h4&gt;Подсказки редактора&lt;/h4&gt;&lt;p&gt;&lt;b&gt;Ctrl+Пробел&lt;/b&gt; — дополнение: что может стоять у курсора по уже написанному началу строки (инструкции, операнды, сравнения, после &lt;code&gt;#&lt;/code&gt; — метки программы с их строками). Список открывается и сам после двух букв слова или после &lt;code&gt;#&lt;/code&gt;; Enter или Tab вставляет, Esc закрывает. Шаблон &lt;code&gt;if&lt;/code&gt; сам ставит нужные одиночные пробелы.&lt;/p&gt;&lt;p&gt;Наведите мышь на &lt;code&gt;#n&lt;/code&gt;, метку или операнд — подсказка скажет, где метка и кто на нее ссылается, код операнда. &lt;b&gt;F12&lt;/b&gt; или Ctrl+щелчок по &lt;code&gt;#n&lt;/code&gt; — перейти к метке, &lt;b&gt;Shift+F12&lt;/b&gt; — строки, которые ведут на метку, &lt;b&gt;F2&lt;/b&gt; — новый номер метки вместе со всеми ссылками. &lt;b&gt;Ctrl+F&lt;/b&gt; — найти (с учетом регистра), &lt;b&gt;Ctrl+H&lt;/b&gt; — заменить.&lt;/p&gt;</source>
        <translation>&lt;h4&gt;Editor Aids&lt;/h4&gt;&lt;p&gt;&lt;b&gt;Ctrl+Space&lt;/b&gt; completes: what may stand at the cursor after what the line already holds (statements, operands, comparisons, after &lt;code&gt;#&lt;/code&gt; the program&apos;s labels with their lines). The list also opens by itself after two letters of a word or after &lt;code&gt;#&lt;/code&gt;; Enter or Tab inserts, Esc closes. The &lt;code&gt;if&lt;/code&gt; template writes the single spaces it needs itself.&lt;/p&gt;&lt;p&gt;Rest the mouse on &lt;code&gt;#n&lt;/code&gt;, a label or an operand: the tip tells where the label is and which lines lead to it, or the operand&apos;s code. &lt;b&gt;F12&lt;/b&gt; or Ctrl+click on &lt;code&gt;#n&lt;/code&gt; goes to the label, &lt;b&gt;Shift+F12&lt;/b&gt; lists the lines that lead to it, &lt;b&gt;F2&lt;/b&gt; gives the label a new number together with every reference. &lt;b&gt;Ctrl+F&lt;/b&gt; finds (case-sensitive), &lt;b&gt;Ctrl+H&lt;/b&gt; replaces.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h4&gt;Пример&lt;/h4&gt;&lt;p&gt;Поднимать напряжение до 1000 шагами по 10 каждые полсекунды, затем выключить выход:&lt;/p&gt;</source>
        <translation>&lt;h4&gt;Example&lt;/h4&gt;&lt;p&gt;Raise the voltage to 1000 in steps of 10 every half second, then switch the output off:&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&amp;Заменить...</source>
        <translation>R&amp;eplace...</translation>
    </message>
    <message>
        <source>Найти и заменить</source>
        <translation>Find and replace</translation>
    </message>
    <message>
        <source>Ctrl+H</source>
        <translation>Ctrl+H</translation>
    </message>
    <message>
        <source>&amp;Дополнить</source>
        <translation>Co&amp;mplete</translation>
    </message>
    <message>
        <source>Что может стоять у курсора</source>
        <translation>What may stand at the cursor</translation>
    </message>
    <message>
        <source>Ctrl+Space</source>
        <translation>Ctrl+Space</translation>
    </message>
    <message>
        <source>Перейти к &amp;метке</source>
        <translation>Go to &amp;Label</translation>
    </message>
    <message>
        <source>Перейти к метке, на которую ведет #n</source>
        <translation>Go to the label #n leads to</translation>
    </message>
    <message>
        <source>F12</source>
        <translation>F12</translation>
    </message>
    <message>
        <source>Ссы&amp;лки на метку</source>
        <translation>Label Refere&amp;nces</translation>
    </message>
    <message>
        <source>Строки, которые ведут на метку</source>
        <translation>The lines that lead to the label</translation>
    </message>
    <message>
        <source>Shift+F12</source>
        <translation>Shift+F12</translation>
    </message>
    <message>
        <source>Переименовать ме&amp;тку...</source>
        <translation>Rename La&amp;bel...</translation>
    </message>
    <message>
        <source>Новый номер метки и всех ссылок на нее</source>
        <translation>A new number for the label and every reference to it</translation>
    </message>
    <message>
        <source>&amp;Найти приборы…</source>
        <translation>&amp;Find Supplies…</translation>
    </message>
    <message>
        <source>Опросить адреса порта и показать приборы и их ячейки</source>
        <translation>Ask every address of the port and show the supplies and their cells</translation>
    </message>
    <message>
        <source>&amp;Ячейки прибора</source>
        <translation>Su&amp;pply Cells</translation>
    </message>
    <message>
        <source>Что хранят четыре ячейки подключенного прибора</source>
        <translation>What the four cells of the connected supply hold</translation>
    </message>
    <message>
        <source>Ctrl+Shift+C</source>
        <translation>Ctrl+Shift+C</translation>
    </message>
    <message>
        <source>Ячейка %1: %2</source>
        <translation>Cell %1: %2</translation>
    </message>
    <message>
        <source>Адаптер порта %1 найден снова как %2</source>
        <translation>The adapter of port %1 is back as %2</translation>
    </message>
    <message>
        <source>F2</source>
        <translation>F2</translation>
    </message>
    <message>
        <source>Ре&amp;гистры</source>
        <translation>Re&amp;gisters</translation>
    </message>
    <message>
        <source>Опрос регистров прибора, график и запись в CSV</source>
        <translation>Poll the device registers, chart and CSV logging</translation>
    </message>
    <message>
        <source>Ctrl+M</source>
        <translation>Ctrl+M</translation>
    </message>
</context>
<context>
    <name>OperandLimits</name>
    <message>
        <source>число %1 не помещается в 32 бита (от -2147483648 до 2147483647)</source>
        <translation>the number %1 does not fit 32 bits (-2147483648 to 2147483647)</translation>
    </message>
    <message>
        <source>правило «%1» не вида «ОПЕРАНД МИН..МАКС», например «Us 0..3000»</source>
        <translation>the rule “%1” is not of the form “OPERAND MIN..MAX”, e.g. “Us 0..3000”</translation>
    </message>
    <message>
        <source>нет операнда «%1» (операнды: %2)</source>
        <translation>no operand “%1” (operands: %2)</translation>
    </message>
    <message>
        <source>у правила для %1 нет ни минимума, ни максимума</source>
        <translation>the rule for %1 has neither a minimum nor a maximum</translation>
    </message>
    <message>
        <source>минимум %1 больше максимума %2</source>
        <translation>minimum %1 is above maximum %2</translation>
    </message>
    <message>
        <source>второе правило для %1 (первое в строке %2)</source>
        <translation>a second rule for %1 (the first on line %2)</translation>
    </message>
</context>
<context>
    <name>ParsedCommandLine</name>
    <message>
        <source>команда</source>
        <translation>command</translation>
    </message>
    <message>
        <source>файлы</source>
        <translation>files</translation>
    </message>
    <message>
        <source>[ФАЙЛ...]</source>
        <translation>[FILE...]</translation>
    </message>
    <message>
        <source>compile: показать и каждую запись как ее 14 байт в hex.</source>
        <translation>compile: also print each record as its 14 bytes in hex.</translation>
    </message>
    <message>
        <source>ПОРТ</source>
        <translation>PORT</translation>
    </message>
    <message>
        <source>Slave ID источников, от 0 до 255 (по умолчанию 0), например 1,3,5-8.</source>
        <translation>Slave IDs of the supplies, 0 to 255 (default 0), e.g. 1,3,5-8.</translation>
    </message>
    <message>
        <source>N</source>
        <translation>N</translation>
    </message>
    <message>
        <source>Ячейки памяти, от 1 до 4 (по умолчанию 1), например 1-4.</source>
        <translation>Memory cells, 1 to 4 (default 1), e.g. 1-4.</translation>
    </message>
    <message>
        <source>ЯЧЕЙКА</source>
        <translation>CELL</translation>
    </message>
    <message>
        <source>write: считать ячейку обратно и сравнить с программой (по умолчанию).</source>
        <translation>write: read the cell back and compare it with the program (the default).</translation>
    </message>
    <message>
        <source>write: не считывать ячейку после записи.</source>
        <translation>write: skip the read-back after writing.</translation>
    </message>
    <message>
        <source>Показать журнал обмена (отправленные и принятые кадры, тайм-ауты, повторы) в стандартном потоке ошибок.</source>
        <translation>Print the exchange log (frames sent and received, time-outs, retries) on standard error.</translation>
    </message>
    <message>
        <source>read: сохранить программу в ФАЙЛ вместо стандартного вывода; {slave} и {cell} в имени заменяются номерами цели.</source>
        <translation>read: save the program into FILE instead of standard output; {slave} and {cell} in FILE stand for the target&apos;s numbers.</translation>
    </message>
    <message>
        <source>ФАЙЛ</source>
        <translation>FILE</translation>
    </message>
    <message>
        <source>Выводить по одному объекту JSON на файл или цель вместо строк отчета.</source>
        <translation>Print one JSON object per file or target on standard output instead of the report lines.</translation>
    </message>
    <message>
        <source>Выводить только строку итога по каждому файлу или цели.</source>
        <translation>Print only the result line of each file or target.</translation>
    </message>
    <message>
        <source>ИМЯ=ЗНАЧЕНИЕ</source>
        <translation>NAME=VALUE</translation>
    </message>
    <message>
        <source>ДЛИТЕЛЬНОСТЬ</source>
        <translation>DURATION</translation>
    </message>
    <message>
        <source>run: вывести ход операндов в CSV: time_ms,line,operand,value.</source>
        <translation>run: print the trace as CSV: time_ms,line,operand,value.</translation>
    </message>
    <message>
        <source>Неизвестная команда «%1»; см. --help</source>
        <translation>Unknown command &apos;%1&apos;; see --help</translation>
    </message>
    <message>
        <source>Параметр --%1 не относится к команде %2</source>
        <translation>Option --%1 does not apply to %2</translation>
    </message>
    <message>
        <source>Команде %1 нужен файл программы</source>
        <translation>%1 needs a program file</translation>
    </message>
    <message>
        <source>Команда %1 не принимает файлов: «%2»</source>
        <translation>%1 takes no file: &apos;%2&apos;</translation>
    </message>
    <message>
        <source>Команда %1 принимает один файл программы</source>
        <translation>%1 takes one program file</translation>
    </message>
    <message>
        <source>--verify и --no-verify исключают друг друга</source>
        <translation>--verify and --no-verify exclude each other</translation>
    </message>
    <message>
        <source>Для --output нужно имя файла</source>
        <translation>--output needs a file name</translation>
    </message>
    <message>
        <source>Команде %1 нужен --port ПОРТ</source>
        <translation>%1 needs --port PORT</translation>
    </message>
    <message>
        <source>Slave ID «%1» не число от 0 до %2 и не список таких чисел</source>
        <translation>Slave ID &apos;%1&apos; is not a number from 0 to %2 or a list of them</translation>
    </message>
    <message>
        <source>Ячейка «%1» не число от %2 до %3 и не список таких чисел</source>
        <translation>Cell &apos;%1&apos; is not a number from %2 to %3 or a list of them</translation>
    </message>
    <message>
        <source>Чтению из нескольких целей нужен --output с {slave} и {cell} в имени файла</source>
        <translation>Reading from several targets needs --output with {slave} and {cell} in the file name</translation>
    </message>
    <message>
        <source>Язык сообщений: ru или en; без него — язык системы (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), русский, если это не английский.</source>
        <translation>Language of the messages: ru or en; without it, the system&apos;s (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), Russian unless that is English.</translation>
    </message>
    <message>
        <source>ЯЗЫК</source>
        <translation>LANG</translation>
    </message>
    <message>
        <source>Язык «%1» не поддерживается: --lang ru или --lang en</source>
        <translation>Language &quot;%1&quot; is not supported: --lang ru or --lang en</translation>
    </message>
    <message>
        <source>run, write: начальное значение ЗНАЧЕНИЕ операнда ИМЯ (например Uo) вместо 0 в модели; можно повторять.</source>
        <translation>run, write: start operand NAME (e.g. Uo) at VALUE instead of 0 in the model; repeatable.</translation>
    </message>
    <message>
        <source>run, write: предел времени модели, число с ms, s, m или h (без единицы — секунды); по умолчанию 1h.</source>
        <translation>run, write: the model&apos;s time limit, a number with ms, s, m or h (bare: seconds); default 1h.</translation>
    </message>
    <message>
        <source>compile, run, write: пределы операндов из ФАЙЛА, правило в строке: Us 0..3000, Is ..500, M1 -100..</source>
        <translation>compile, run, write: operand limits from FILE, one rule a line: Us 0..3000, Is ..500, M1 -100..</translation>
    </message>
    <message>
        <source>write: записать и программу, выходящую за пределы --limits; нарушения выводятся как предупреждения.</source>
        <translation>write: write a program beyond the --limits too; the findings are printed as warnings.</translation>
    </message>
    <message>
        <source>Для --limits нужно имя файла</source>
        <translation>--limits needs a file name</translation>
    </message>
    <message>
        <source>Последовательный порт источника, например ttyUSB0 или /dev/ttyUSB0; scan принимает несколько.</source>
        <translation>Serial port of the supply, for example ttyUSB0 or /dev/ttyUSB0; scan takes several.</translation>
    </message>
    <message>
        <source>scan: сколько ждать ответа на каждый адрес, мс (по умолчанию %1; 244 для медленных приборов).</source>
        <translation>scan: how long to wait for an answer at each address, in ms (default %1; 244 for slow supplies).</translation>
    </message>
    <message>
        <source>МС</source>
        <translation>MS</translation>
    </message>
    <message>
        <source>Для --port нужно имя порта</source>
        <translation>--port needs a port name</translation>
    </message>
    <message>
        <source>--wait «%1» не число от %2 до %3</source>
        <translation>--wait “%1” is not a number from %2 to %3</translation>
    </message>
    <message>
        <source>--csv и --json исключают друг друга</source>
        <translation>--csv and --json exclude each other</translation>
    </message>
    <message>
        <source>Регистра «%1» нет: --registers из 01, 10, 03, A8, AB, ABs</source>
        <translation>No register &apos;%1&apos;: --registers from 01, 10, 03, A8, AB, ABs</translation>
    </message>
    <message>
        <source>Период «%1» без единицы: например --interval 500ms или 2s</source>
        <translation>Interval &apos;%1&apos; has no unit: e.g. --interval 500ms or 2s</translation>
    </message>
    <message>
        <source>Период «%1» не длительность: например 500ms или 2s</source>
        <translation>Interval &apos;%1&apos; is not a duration: e.g. 500ms or 2s</translation>
    </message>
    <message>
        <source>Период %1 мс короче, чем линия успевает для регистров %2: не меньше %3 мс</source>
        <translation>Interval %1 ms is shorter than the line can carry for registers %2: at least %3 ms</translation>
    </message>
    <message>
        <source>--count и --duration исключают друг друга</source>
        <translation>--count and --duration exclude each other</translation>
    </message>
    <message>
        <source>--count «%1» не целое число больше нуля</source>
        <translation>--count &apos;%1&apos; is not a whole number above zero</translation>
    </message>
    <message>
        <source>--duration «%1» не длительность: например 90s или 10m</source>
        <translation>--duration &apos;%1&apos; is not a duration: e.g. 90s or 10m</translation>
    </message>
    <message>
        <source>Для --map нужно имя файла</source>
        <translation>--map needs a file name</translation>
    </message>
    <message>
        <source>monitor опрашивает один прибор: --slave N</source>
        <translation>monitor polls one device: --slave N</translation>
    </message>
    <message>
        <source>monitor: опрашиваемые регистры, например 01,10,03 (по умолчанию); еще A8, AB и ABs (короткая форма AB).</source>
        <translation>monitor: the registers to poll, e.g. 01,10,03 (the default); also A8, AB and ABs (the short form of AB).</translation>
    </message>
    <message>
        <source>СПИСОК</source>
        <translation>LIST</translation>
    </message>
    <message>
        <source>monitor: период опроса с единицей: 500ms, 2s (по умолчанию 500ms), не короче, чем линия успевает для регистров.</source>
        <translation>monitor: the poll interval with its unit: 500ms, 2s (default 500ms), no shorter than the line can carry for the registers.</translation>
    </message>
    <message>
        <source>ПЕРИОД</source>
        <translation>INTERVAL</translation>
    </message>
    <message>
        <source>monitor: закончить после N опросов.</source>
        <translation>monitor: end after N polls.</translation>
    </message>
    <message>
        <source>monitor: закончить через ДЛИТЕЛЬНОСТЬ (ms, s, m, h; без единицы — секунды).</source>
        <translation>monitor: end after DURATION (ms, s, m, h; without a unit, seconds).</translation>
    </message>
    <message>
        <source>monitor: карта регистров (JSON, как ее экспортирует окно): названия, масштабы и единицы полей.</source>
        <translation>monitor: register map (JSON as the window exports it): labels, scales and units of the fields.</translation>
    </message>
    <message>
        <source>Код доступа «%1» не число от 0 до 255</source>
        <translation>Access code &apos;%1&apos; is not a number from 0 to 255</translation>
    </message>
    <message>
        <source>monitor: код доступа для A8 и AB, от 0 до 255 (по умолчанию 1).</source>
        <translation>monitor: access code for A8 and AB, 0 to 255 (default 1).</translation>
    </message>
    <message>
        <source>compile, write, read, compare, ports, run, scan, monitor, set-register или lsp.</source>
        <translation>compile, write, read, compare, ports, run, scan, monitor, set-register or lsp.</translation>
    </message>
    <message>
        <source>Файлы программ: один или несколько для compile, один для write, compare и run, ни одного для read, ports, scan, monitor и lsp; set-register берет номер регистра и значения.</source>
        <translation>Program files: one or more for compile, one for write, compare and run, none for read, ports, scan, monitor and lsp; set-register takes a register number and values.</translation>
    </message>
    <message>
        <source>Не указана команда (compile, write, read, compare, ports, run, scan, monitor, set-register или lsp); см. --help</source>
        <translation>No command given (compile, write, read, compare, ports, run, scan, monitor, set-register or lsp); see --help</translation>
    </message>
    <message>
        <source>Компилирует управляющие программы источников питания Brisca, записывает их в ячейку
памяти источника и считывает обратно по последовательной линии, как окно Quorvel.

Команды:
  compile ФАЙЛ...              показать отчет компиляции каждого файла
  write ФАЙЛ --port ПОРТ       скомпилировать ФАЙЛ и записать его в ячейку памяти
  read --port ПОРТ             считать программу из ячейки памяти
  compare ФАЙЛ --port ПОРТ     скомпилировать ФАЙЛ и сравнить с ячейкой памяти
  ports                        показать последовательные порты
  run ФАЙЛ                     выполнить модель программы, показать ход операндов
  scan [--port ПОРТ]...        найти приборы на портах и показать их ячейки
  monitor --port ПОРТ          опрашивать регистры прибора, по строке на опрос
  set-register --port ПОРТ 03 V1 V2 | 07 V   записать регистр 03 или 07
  lsp                          сервер языка (LSP) для редакторов на stdin и stdout

--slave и --cell принимают списки вида 1,3,5-8: каждый прибор обслуживается с каждой
ячейкой по очереди. read с несколькими целями требует --output с {slave} и {cell}.
run: 0, когда программа завершилась или дошла до предела времени, 1 при делении на
ноль или цикле без задержки, 2, когда она не компилируется.
scan опрашивает каждый Slave ID из --slave (по умолчанию 0-255) на каждом --port (без
него — на всех портах системы) и ждет ответа --wait мс (по умолчанию 80, для медленных
приборов 244); код 0, когда ответил хоть один прибор, 1, когда ни один.

--limits ФАЙЛ задает допустимые значения операндов, по правилу в строке:
Us 0..3000, Is ..500, M1 -100..; строки с // и пустые не считаются. compile
предупреждает о константах вне пределов, run сообщает, где модель выходит за
пределы (код 1), write тогда ничего не записывает (код 1), если не задан
--ignore-limits. Ошибка в файле пределов — код 2.

monitor: 0, когда ответил хотя бы один опрос, 1, когда ни один; Ctrl+C завершает
опрос после запроса на линии, итог — в стандартном потоке ошибок.
set-register: отрицательное значение — после «--»: set-register -p ПОРТ 07 -- -1.

Код завершения: 0 успех, 1 операция не удалась, 2 неверный вызов или входные данные.</source>
        <translation>Compiles control programs of Brisca power supplies and writes them into a memory cell
of a supply or reads them back, over a serial line, like the Quorvel window.

Commands:
  compile FILE...              print each file&apos;s compile report
  write FILE --port PORT       compile FILE and write it into a memory cell
  read --port PORT             read the program of a memory cell
  compare FILE --port PORT     compile FILE and compare it with a memory cell
  ports                        list the serial ports
  run FILE                     run FILE&apos;s model on its operands, print the trace
  scan [--port PORT]...        find the supplies on the ports and show their cells
  monitor --port PORT          poll the device&apos;s registers, one line a poll
  set-register --port PORT 03 V1 V2 | 07 V   write register 03 or 07
  lsp                          language server (LSP) for editors on stdin and stdout

--slave and --cell take lists such as 1,3,5-8: every slave with every cell is served
in turn. read with several targets needs --output with {slave} and {cell} in it.
run: 0 when the program ends or reaches the time limit, 1 on a division by zero or a
loop without delay, 2 when it does not compile.
scan probes every Slave ID of --slave (default 0-255) on every --port (without one, on
every port of the system) and waits --wait ms for an answer (default 80, 244 for slow
supplies); status 0 when any supply answered, 1 when none did.

--limits FILE gives the operands&apos; allowed values, one rule a line:
Us 0..3000, Is ..500, M1 -100..; blank lines and lines with // are ignored. compile
warns of constants beyond them, run says where the model leaves them (status 1),
and write then writes nothing (status 1) unless --ignore-limits is given. An error
in the limits file is status 2.

monitor: 0 when at least one poll was answered, 1 when none was; Ctrl+C ends it
after the request on the line, with a summary on standard error.
set-register: a negative value follows &quot;--&quot;: set-register -p PORT 07 -- -1.

Exit status: 0 success, 1 the operation failed, 2 bad usage or input.</translation>
    </message>
</context>
<context>
    <name>PortBox</name>
    <message>
        <source>%1
Описание: %2
Производитель: %3
Серийный номер: %4</source>
        <translation>%1
Description: %2
Manufacturer: %3
Serial number: %4</translation>
    </message>
</context>
<context>
    <name>ProgramDocument</name>
    <message>
        <source>Файл программы (*.prgb)</source>
        <translation>Program files (*.prgb)</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>Все файлы (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Не удается открыть файл</source>
        <translation>Cannot open the file</translation>
    </message>
    <message>
        <source>Предупреждение</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Файл содержит байты, которые не читаются как текст UTF-8, или нулевые байты.</source>
        <translation>The file contains bytes that are not valid UTF-8 text, or zero bytes.</translation>
    </message>
    <message>
        <source>Они показаны знаком «�». Файл сохраняется только под новым именем, и в нем эти байты будут заменены.</source>
        <translation>They are shown as &quot;�&quot;. The file can only be saved under a new name, and these bytes will be replaced in it.</translation>
    </message>
    <message>
        <source>Quorvel[*]</source>
        <translation>Quorvel[*]</translation>
    </message>
    <message>
        <source>%1[*] — Quorvel</source>
        <translation>%1[*] — Quorvel</translation>
    </message>
    <message>
        <source>&amp;Очистить список</source>
        <translation>&amp;Clear List</translation>
    </message>
    <message>
        <source>Quorvel</source>
        <translation>Quorvel</translation>
    </message>
    <message>
        <source>Программа была изменена.
Сохранить изменения?</source>
        <translation>The program has been modified.
Do you want to save your changes?</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Save File</translation>
    </message>
    <message>
        <source>Не удается сохранить файл</source>
        <translation>Cannot save the file</translation>
    </message>
</context>
<context>
    <name>ProgramFiles</name>
    <message>
        <source>Не удается открыть файл %1. %2</source>
        <translation>Cannot open the file %1. %2</translation>
    </message>
    <message>
        <source>Не удалось записать в стандартный вывод</source>
        <translation>Standard output failed</translation>
    </message>
</context>
<context>
    <name>ProgramOutline</name>
    <message>
        <source>на метку никто не ссылается</source>
        <translation>nothing refers to this label</translation>
    </message>
    <message>
        <source>сюда ведут строки %1</source>
        <translation>lines %1 lead here</translation>
    </message>
    <message>
        <source>метка #%1, строка %2</source>
        <translation>label #%1, line %2</translation>
    </message>
    <message>
        <source>метки #%1 нет</source>
        <translation>there is no label #%1</translation>
    </message>
    <message numerus="yes">
        <source>операнд %1, код %2; используется в %n строках</source>
        <translation>
            <numerusform>operand %1, code %2; used on %n line</numerusform>
            <numerusform>operand %1, code %2; used on %n lines</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ProgramRun</name>
    <message>
        <source>программа завершилась за %1</source>
        <translation>program finished in %1</translation>
    </message>
    <message>
        <source>достигнут предел времени %1</source>
        <translation>time limit %1 reached</translation>
    </message>
    <message>
        <source>деление на ноль в строке %1, время программы %2</source>
        <translation>division by zero on line %1, program time %2</translation>
    </message>
    <message>
        <source>цикл без задержки в строке %1</source>
        <translation>loop without a delay on line %1</translation>
    </message>
    <message>
        <source>цикл без задержки в строках %1–%2</source>
        <translation>loop without a delay on lines %1–%2</translation>
    </message>
    <message>
        <source>%1, время программы %2</source>
        <translation>%1, program time %2</translation>
    </message>
    <message>
        <source>прогон остановлен после %1 записей и %2 изменений операндов, время программы %3: уменьшите предел времени</source>
        <translation>run stopped after %1 records and %2 operand changes, program time %3: reduce the time limit</translation>
    </message>
    <message>
        <source>%1 мс</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>%1 с</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 ч</source>
        <translation>%1 h</translation>
    </message>
    <message>
        <source>%1 мин</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>ru</source>
        <extracomment>The locale whose numbers these texts use: its decimal point stands in durations.</extracomment>
        <translation>en</translation>
    </message>
</context>
<context>
    <name>ProgramRunDock</name>
    <message>
        <source>Прогон</source>
        <translation>Program Run</translation>
    </message>
    <message>
        <source>Значение</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Программа не компилируется</source>
        <translation>The program does not compile</translation>
    </message>
    <message>
        <source>Начальные значения:</source>
        <translation>Initial values:</translation>
    </message>
    <message>
        <source>Операнд</source>
        <translation>Operand</translation>
    </message>
    <message>
        <source>Операнды, которые программа читает раньше, чем присваивает</source>
        <translation>Operands the program reads before it assigns them</translation>
    </message>
    <message>
        <source>Предел времени:</source>
        <translation>Time limit:</translation>
    </message>
    <message>
        <source>Число с ms, s, m или h; число без единицы — секунды</source>
        <translation>A number with ms, s, m or h; a number without a unit means seconds</translation>
    </message>
    <message>
        <source>Экспорт CSV...</source>
        <translation>Export CSV...</translation>
    </message>
    <message>
        <source>Сохранить изображение...</source>
        <translation>Save Image...</translation>
    </message>
    <message>
        <source>Модель программы: значения операндов по тексту программы, без поведения прибора</source>
        <translation>Program model: operand values from the program text alone, without the behaviour of the device</translation>
    </message>
    <message>
        <source>%1: начальное значение %2</source>
        <translation>%1: initial value %2</translation>
    </message>
    <message>
        <source>%1 = %2
время %3
строка %4</source>
        <translation>%1 = %2
time %3
line %4</translation>
    </message>
    <message>
        <source>Экспорт CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>Файл CSV (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>Не удается записать файл %1</source>
        <translation>Cannot write the file %1</translation>
    </message>
    <message>
        <source>Сохранить изображение</source>
        <translation>Save Image</translation>
    </message>
    <message>
        <source>Изображение PNG (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <source>%1: предел %2</source>
        <translation>%1: limit %2</translation>
    </message>
    <message>
        <source>Параметры</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Начальные значения, предел времени, экспорт</source>
        <translation>Start values, time limit, export</translation>
    </message>
</context>
<context>
    <name>ProgramText</name>
    <message>
        <source>Это не обычный файл, а папка, канал или устройство.</source>
        <translation>This is not a regular file but a folder, pipe or device file.</translation>
    </message>
    <message>
        <source>Файл больше %1 КиБ. Файл программы занимает несколько килобайт.</source>
        <translation>The file is larger than %1 KiB. A program file takes only a few kilobytes.</translation>
    </message>
    <message>
        <source>Файл не найден.</source>
        <translation>File not found.</translation>
    </message>
    <message>
        <source>Ошибка чтения: %1</source>
        <translation>Read error: %1</translation>
    </message>
    <message>
        <source>ссылка ведёт по кругу или на файл, которого нет</source>
        <translation>the link goes round in a loop or to a file that does not exist</translation>
    </message>
</context>
<context>
    <name>ProgramTransfer</name>
    <message>
        <source>Внимание: в ячейке %1 теперь часть новой программы и прежние число строк и имя — запишите программу снова</source>
        <translation>Warning: cell %1 now holds part of the new program with the old line count and name — write the program again</translation>
    </message>
    <message>
        <source>Прибор ответил дважды на один запрос, и его ответам нельзя доверять — проверьте линию (помехи, повторитель RS-485, второй прибор с тем же Slave ID) и повторите</source>
        <translation>The device answered one request twice, and its replies cannot be trusted — check the line (noise, RS-485 repeater, a second device with the same Slave ID) and try again</translation>
    </message>
    <message>
        <source>Нет данных для записи</source>
        <translation>No data to write</translation>
    </message>
    <message>
        <source>error: некорректное кол-во строк</source>
        <translation>error: invalid line count</translation>
    </message>
    <message>
        <source>error: некорректное имя программы</source>
        <translation>error: invalid program name</translation>
    </message>
    <message>
        <source>Ошибка записи</source>
        <translation>Write error</translation>
    </message>
    <message>
        <source>Ошибка записи size</source>
        <translation>Error writing size</translation>
    </message>
    <message>
        <source>Ошибка записи prgName</source>
        <translation>Error writing prgName</translation>
    </message>
    <message>
        <source>Строка %1 записана</source>
        <translation>Line %1 written</translation>
    </message>
    <message>
        <source>Size записан</source>
        <translation>Size written</translation>
    </message>
    <message>
        <source>PrgName &quot;%1&quot; записан
</source>
        <translation>PrgName &quot;%1&quot; written
</translation>
    </message>
    <message>
        <source>Данные успешно записаны</source>
        <translation>Data written successfully</translation>
    </message>
    <message>
        <source>error: ошибка чтения size</source>
        <translation>error: error reading size</translation>
    </message>
    <message>
        <source>error: ошибка чтения prgName</source>
        <translation>error: error reading prgName</translation>
    </message>
    <message>
        <source>error: ошибка чтения строки</source>
        <translation>error: error reading a line</translation>
    </message>
    <message>
        <source>Строка %1 при трёх чтениях пришла по-разному — проверьте линию и повторите чтение</source>
        <translation>Line %1 came back different in three reads — check the line and read again</translation>
    </message>
    <message>
        <source>Нет записей для чтения</source>
        <translation>No records to read</translation>
    </message>
    <message>
        <source>Всего строк %1</source>
        <translation>Total lines: %1</translation>
    </message>
    <message>
        <source>Строка %1 считана</source>
        <translation>Line %1 read</translation>
    </message>
    <message>
        <source>Внимание: в ячейке %1 теперь строки новой программы, число строк, возможно, тоже новое, а имя прежнее — запишите программу снова</source>
        <translation>Warning: cell %1 now holds the lines of the new program, perhaps the new line count too, and the old name — write the program again</translation>
    </message>
    <message>
        <source>Внимание: в ячейке %1 теперь строки и число строк новой программы, а имя прежнее — запишите программу снова</source>
        <translation>Warning: cell %1 now holds the lines and the line count of the new program with the old name — write the program again</translation>
    </message>
    <message>
        <source>Внимание: в ячейке %1 строки и число строк новые, а имя ушло без ответа: программа, возможно, записана полностью — проверьте: Shift+F9 / compare</source>
        <translation>Warning: in cell %1 the lines and the line count are new, and the name went out unanswered: the program may be written completely — check: Shift+F9 / compare</translation>
    </message>
</context>
<context>
    <name>QInputDialog</name>
    <message>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>QMessageBox</name>
    <message>
        <source>Прервать</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Не сохранять</source>
        <translation>Don&apos;t Save</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Не записывать</source>
        <translation>Do not write</translation>
    </message>
</context>
<context>
    <name>RegisterDock</name>
    <message>
        <source>Регистры</source>
        <translation>Registers</translation>
    </message>
    <message>
        <source>Регистры:</source>
        <translation>Registers:</translation>
    </message>
    <message>
        <source>Короткая форма чтения регистра AB</source>
        <translation>Short read form of register AB</translation>
    </message>
    <message>
        <source>Регистр %1</source>
        <translation>Register %1</translation>
    </message>
    <message>
        <source>Код доступа для регистров A8 и AB</source>
        <translation>Access code for registers A8 and AB</translation>
    </message>
    <message>
        <source> мс</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>Опрашивать</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>30 с</source>
        <translation>30 s</translation>
    </message>
    <message>
        <source>5 мин</source>
        <translation>5 min</translation>
    </message>
    <message>
        <source>1 ч</source>
        <translation>1 h</translation>
    </message>
    <message>
        <source>все</source>
        <translation>all</translation>
    </message>
    <message>
        <source>Окно времени графика</source>
        <translation>Time window of the chart</translation>
    </message>
    <message>
        <source>Период:</source>
        <translation>Interval:</translation>
    </message>
    <message>
        <source>Окно:</source>
        <translation>Window:</translation>
    </message>
    <message>
        <source>Записывать в CSV…</source>
        <translation>Log to CSV…</translation>
    </message>
    <message>
        <source>Карта регистров</source>
        <translation>Register Map</translation>
    </message>
    <message>
        <source>Экспорт…</source>
        <translation>Export…</translation>
    </message>
    <message>
        <source>Импорт…</source>
        <translation>Import…</translation>
    </message>
    <message>
        <source>Поле</source>
        <translation>Field</translation>
    </message>
    <message>
        <source>Тип</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Сырое</source>
        <translation>Raw</translation>
    </message>
    <message>
        <source>Название</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>Масштаб</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>Единица</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>Значение</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Название, масштаб и единица правятся; флажок поля — на графике</source>
        <translation>Label, scale and unit can be edited; a checked field goes on the chart</translation>
    </message>
    <message>
        <source>Записать регистр…</source>
        <translation>Write Register…</translation>
    </message>
    <message>
        <source>Запись:</source>
        <translation>Write:</translation>
    </message>
    <message>
        <source>Опрос остановлен: %1</source>
        <translation>Polling stopped: %1</translation>
    </message>
    <message>
        <source>Опрос остановлен: порт закрыт</source>
        <translation>Polling stopped: the port is closed</translation>
    </message>
    <message>
        <source>Масштаб поля %1 должен быть числом, не равным нулю</source>
        <translation>The scale of field %1 must be a number other than zero</translation>
    </message>
    <message>
        <source>Изменение карты войдет в следующий файл CSV</source>
        <translation>The map change goes into the next CSV file</translation>
    </message>
    <message>
        <source>Не выбран ни один регистр</source>
        <translation>No register chosen</translation>
    </message>
    <message>
        <source>Опрос на паузе</source>
        <translation>Polling paused</translation>
    </message>
    <message>
        <source>опросов: %1, неудачных: %2</source>
        <translation>polls: %1, failed: %2</translation>
    </message>
    <message>
        <source>Запись в CSV остановлена: %1: %2</source>
        <translation>CSV logging stopped: %1: %2</translation>
    </message>
    <message>
        <source>Нет ответа на чтение регистров %1</source>
        <translation>No answer to the read of registers %1</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Остановить запись CSV</source>
        <translation>Stop CSV Logging</translation>
    </message>
    <message>
        <source>Записано в %1 строк: %2</source>
        <translation>Written to %1, lines: %2</translation>
    </message>
    <message>
        <source>Записывать в CSV</source>
        <translation>Log to CSV</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>Не удается записать файл %1</source>
        <translation>Cannot write the file %1</translation>
    </message>
    <message>
        <source>Запись в %1</source>
        <translation>Logging to %1</translation>
    </message>
    <message>
        <source>Экспорт карты регистров</source>
        <translation>Export Register Map</translation>
    </message>
    <message>
        <source>Карта регистров (*.json)</source>
        <translation>Register maps (*.json)</translation>
    </message>
    <message>
        <source>Карта регистров сохранена в %1</source>
        <translation>Register map saved to %1</translation>
    </message>
    <message>
        <source>Импорт карты регистров</source>
        <translation>Import Register Map</translation>
    </message>
    <message>
        <source>файл больше 1 МБ</source>
        <translation>the file is larger than 1 MB</translation>
    </message>
    <message>
        <source>Карта регистров %1 не прочитана</source>
        <translation>The register map %1 was not read</translation>
    </message>
    <message>
        <source>Карта регистров прочитана из %1</source>
        <translation>Register map read from %1</translation>
    </message>
    <message>
        <source>Запись регистра</source>
        <translation>Write Register</translation>
    </message>
    <message>
        <source>Запись регистра %1…</source>
        <translation>Writing register %1…</translation>
    </message>
    <message>
        <source>Опрос остановлен: %1: %2</source>
        <translation>Polling stopped: %1: %2</translation>
    </message>
    <message>
        <source>Доступ A8, AB:</source>
        <translation>Access A8, AB:</translation>
    </message>
    <message>
        <source>от %1 мс</source>
        <translation>from %1 ms</translation>
    </message>
    <message>
        <source>Короче линия не успевает для выбранных регистров</source>
        <translation>The line cannot carry the chosen registers any faster</translation>
    </message>
</context>
<context>
    <name>RegisterMap</name>
    <message>
        <source>не JSON: %1 (символ %2)</source>
        <translation>not JSON: %1 (character %2)</translation>
    </message>
    <message>
        <source>нет объекта «fields»</source>
        <translation>no &quot;fields&quot; object</translation>
    </message>
    <message>
        <source>поля «%1» нет ни в одном регистре</source>
        <translation>no register has a field &apos;%1&apos;</translation>
    </message>
    <message>
        <source>поле %1: ожидается объект</source>
        <translation>field %1: an object is expected</translation>
    </message>
    <message>
        <source>поле %1: label и unit должны быть строками</source>
        <translation>field %1: label and unit must be strings</translation>
    </message>
    <message>
        <source>поле %1: scale должен быть числом, не равным нулю</source>
        <translation>field %1: scale must be a number other than zero</translation>
    </message>
</context>
<context>
    <name>RegisterPoll</name>
    <message>
        <source>Порт не открыт: подключитесь к прибору</source>
        <translation>The port is not open: connect to the device</translation>
    </message>
    <message>
        <source>Порт закрыт</source>
        <translation>The port is closed</translation>
    </message>
</context>
<context>
    <name>RegisterWrite</name>
    <message>
        <source>Регистру %1 нужны два значения</source>
        <translation>Register %1 needs two values</translation>
    </message>
    <message>
        <source>Регистру %1 нужно одно значение</source>
        <translation>Register %1 needs one value</translation>
    </message>
    <message>
        <source>«%1» не число от -32768 до 65535</source>
        <translation>&apos;%1&apos; is not a number from -32768 to 65535</translation>
    </message>
    <message>
        <source>Записать в регистр %1 прибора %2 значения %3?
Кадр: %4</source>
        <translation>Write the values %3 into register %1 of device %2?
Frame: %4</translation>
    </message>
    <message>
        <source>Регистр %1 записан: %2</source>
        <translation>Register %1 written: %2</translation>
    </message>
    <message>
        <source>Регистр %1 не записан: %2</source>
        <translation>Register %1 not written: %2</translation>
    </message>
    <message>
        <source>Регистр %1 не записан: прибор отверг запись или ответ искажен; повторите запись</source>
        <translation>Register %1 not written: the device refused the write or the answer was corrupted; write again</translation>
    </message>
</context>
<context>
    <name>RoundTrip</name>
    <message>
        <source>нет такой записи</source>
        <translation>no such record</translation>
    </message>
    <message>
        <source>Внимание: запись %1 (строка %2) не получается из текста: строка не компилируется (%3); сохранённый текст в прибор не запишется</source>
        <translation>Warning: record %1 (line %2) does not come from the text: the line does not compile (%3); the saved text will not write to the device</translation>
    </message>
    <message>
        <source>Внимание: запись %1 (строка %2) не получается из текста: в приборе %3, из текста %4; сохранённый текст запишет в прибор другое</source>
        <translation>Warning: record %1 (line %2) does not come from the text: in the device %3, from the text %4; the saved text will write something else to the device</translation>
    </message>
    <message>
        <source>Внимание: имя программы не получается из текста: в приборе «%1», из текста «%2»; сохранённый текст запишет в прибор другое</source>
        <translation>Warning: the program name does not come from the text: in the device &quot;%1&quot;, from the text &quot;%2&quot;; the saved text will write something else to the device</translation>
    </message>
</context>
<context>
    <name>ScanWording</name>
    <message>
        <source>пусто</source>
        <translation>empty</translation>
    </message>
    <message>
        <source>не прочитана</source>
        <translation>not read</translation>
    </message>
    <message>
        <source>два прибора отвечают как Slave ID %1</source>
        <translation>two supplies answer as Slave ID %1</translation>
    </message>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Slave ID</source>
        <translation>Slave ID</translation>
    </message>
    <message>
        <source>Ячейка 1</source>
        <translation>Cell 1</translation>
    </message>
    <message>
        <source>Ячейка 2</source>
        <translation>Cell 2</translation>
    </message>
    <message>
        <source>Ячейка 3</source>
        <translation>Cell 3</translation>
    </message>
    <message>
        <source>Ячейка 4</source>
        <translation>Cell 4</translation>
    </message>
    <message>
        <source>ru</source>
        <extracomment>The locale whose numbers these texts use: its decimal point stands in durations.</extracomment>
        <translation>en</translation>
    </message>
    <message>
        <source>Найдено приборов: %1 (проверено адресов: %2 за %3 с)</source>
        <translation>Supplies found: %1 (addresses probed: %2 in %3 s)</translation>
    </message>
    <message>
        <source>Подключено: %1, прибор %2 отвечает</source>
        <translation>Connected: %1, supply %2 answers</translation>
    </message>
    <message>
        <source>Порт открыт, прибор %1 не отвечает — Прибор → Найти приборы…</source>
        <translation>Port open, supply %1 does not answer — Device → Find Supplies…</translation>
    </message>
    <message>
        <source>Подключено: %1, %2 — Прибор → Найти приборы…</source>
        <translation>Connected: %1, %2 — Device → Find Supplies…</translation>
    </message>
</context>
<context>
    <name>StopSignals</name>
    <message>
        <source>Остановлено сигналом %1</source>
        <translation>Stopped by %1</translation>
    </message>
</context>
<context>
    <name>SupplyCellsDock</name>
    <message>
        <source>Ячейки прибора</source>
        <translation>Supply Cells</translation>
    </message>
    <message>
        <source>&amp;Обновить</source>
        <translation>&amp;Refresh</translation>
    </message>
    <message>
        <source>Программа</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>Записей</source>
        <translation>Records</translation>
    </message>
    <message>
        <source>Считано</source>
        <translation>Read at</translation>
    </message>
    <message>
        <source>Считать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Считать ячейку %1 в редактор</source>
        <translation>Read cell %1 into the editor</translation>
    </message>
    <message>
        <source>Прибор %1</source>
        <translation>Supply %1</translation>
    </message>
    <message>
        <source>Нет связи</source>
        <translation>Not connected</translation>
    </message>
</context>
<context>
    <name>SupplyScanDialog</name>
    <message>
        <source>Найти приборы</source>
        <translation>Find Supplies</translation>
    </message>
    <message>
        <source>Slave ID &amp;от</source>
        <translation>Slave ID &amp;from</translation>
    </message>
    <message>
        <source>&amp;до</source>
        <translation>&amp;to</translation>
    </message>
    <message>
        <source>&amp;Ожидание</source>
        <translation>&amp;Wait</translation>
    </message>
    <message>
        <source>%v/%m</source>
        <translation>%v/%m</translation>
    </message>
    <message>
        <source>&amp;Начать</source>
        <translation>&amp;Start</translation>
    </message>
    <message>
        <source>&amp;Прервать</source>
        <translation>S&amp;top</translation>
    </message>
    <message>
        <source>&amp;Закрыть</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>Порт: %1</source>
        <translation>Port: %1</translation>
    </message>
    <message>
        <source>%1 мс</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>%1 мс (медленные приборы)</source>
        <translation>%1 ms (slow supplies)</translation>
    </message>
    <message>
        <source>Не удается открыть порт %1: %2</source>
        <translation>Cannot open port %1: %2</translation>
    </message>
</context>
<context>
    <name>SyntaxDiagnosis</name>
    <message>
        <source>неизвестный операнд %1</source>
        <translation>unknown operand %1</translation>
    </message>
    <message>
        <source>ожидается %1: большие и малые буквы различаются</source>
        <translation>%1 expected: upper and lower case letters differ</translation>
    </message>
    <message>
        <source>ожидается &apos;;&apos; в конце оператора</source>
        <translation>&apos;;&apos; expected at the end of the statement</translation>
    </message>
    <message>
        <source>после &apos;;&apos; в строке ничего не должно быть</source>
        <translation>nothing may follow &apos;;&apos; on the line</translation>
    </message>
    <message>
        <source>в числе допустимы только цифры 0–9</source>
        <translation>only the digits 0–9 are allowed in a number</translation>
    </message>
    <message>
        <source>ожидается число или операнд</source>
        <translation>number or operand expected</translation>
    </message>
    <message>
        <source>ожидается число</source>
        <translation>number expected</translation>
    </message>
    <message>
        <source>число вне диапазона −2147483648…2147483647</source>
        <translation>number out of range −2147483648…2147483647</translation>
    </message>
    <message>
        <source>ожидается операнд</source>
        <translation>operand expected</translation>
    </message>
    <message>
        <source>слева в if не может стоять Blk</source>
        <translation>Blk cannot be on the left side of if</translation>
    </message>
    <message>
        <source>метка — одна или две цифры</source>
        <translation>a label is one or two digits</translation>
    </message>
    <message>
        <source>ожидается #метка</source>
        <translation>#label expected</translation>
    </message>
    <message>
        <source>ожидается =, +=, -=, *= или /=</source>
        <translation>=, +=, -=, *= or /= expected</translation>
    </message>
    <message>
        <source>после if нужен ровно один пробел</source>
        <translation>exactly one space is needed after if</translation>
    </message>
    <message>
        <source>ожидается сравнение: ==, !=, &lt;, &lt;=, &gt; или &gt;=</source>
        <translation>comparison expected: ==, !=, &lt;, &lt;=, &gt; or &gt;=</translation>
    </message>
    <message>
        <source>неизвестное сравнение %1</source>
        <translation>unknown comparison %1</translation>
    </message>
    <message>
        <source>перед # нужен пробел</source>
        <translation>a space is needed before #</translation>
    </message>
    <message>
        <source>перед else нужен пробел</source>
        <translation>a space is needed before else</translation>
    </message>
    <message>
        <source>после else нужен ровно один пробел</source>
        <translation>exactly one space is needed after else</translation>
    </message>
    <message>
        <source>ожидается else или &apos;;&apos;</source>
        <translation>else or &apos;;&apos; expected</translation>
    </message>
    <message>
        <source>после jmp нужен пробел</source>
        <translation>a space is needed after jmp</translation>
    </message>
    <message>
        <source>после %1 нужен пробел</source>
        <translation>a space is needed after %1</translation>
    </message>
    <message>
        <source>число вне диапазона 0…2147483647</source>
        <translation>number out of range 0…2147483647</translation>
    </message>
    <message>
        <source>ожидается &apos;=&apos;</source>
        <translation>&apos;=&apos; expected</translation>
    </message>
    <message>
        <source>ожидается &apos;&quot;&apos;</source>
        <translation>&apos;&quot;&apos; expected</translation>
    </message>
    <message>
        <source>имя программы — от 1 до 5 букв, цифр или знаков _</source>
        <translation>the program name is 1 to 5 letters, digits or _ characters</translation>
    </message>
    <message>
        <source>prgName должен быть в первой строке</source>
        <translation>prgName must be on the first line</translation>
    </message>
    <message>
        <source>строка не является оператором языка</source>
        <translation>the line is not a statement of the language</translation>
    </message>
</context>
<context>
    <name>TargetRun</name>
    <message>
        <source>Slave ID %1, ячейка %2</source>
        <translation>Slave ID %1, cell %2</translation>
    </message>
    <message>
        <source>%1: %2 из %3, %4</source>
        <translation>%1: %2 of %3, %4</translation>
    </message>
    <message>
        <source>%1: %2 из %3</source>
        <translation>%1: %2 of %3</translation>
    </message>
    <message>
        <source>%1: ошибка: %2</source>
        <translation>%1: failed: %2</translation>
    </message>
</context>
<context>
    <name>TransferWording</name>
    <message>
        <source>Запись данных в устройство</source>
        <translation>Writing data to the device</translation>
    </message>
    <message>
        <source>Чтение данных из устройства</source>
        <translation>Reading data from the device</translation>
    </message>
    <message>
        <source>Сравнение с программой в ячейке %1</source>
        <translation>Comparing with the program in cell %1</translation>
    </message>
    <message>
        <source>Прервано</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>Данные успешно считаны и декодированы</source>
        <translation>Data read and decoded successfully</translation>
    </message>
    <message>
        <source>Связь с прибором потеряна</source>
        <translation>Connection to the device lost</translation>
    </message>
    <message>
        <source>Прибор не отвечает: проверьте Slave ID (%1), кабель и питание</source>
        <translation>The device does not answer: check the Slave ID (%1), the cable and the power</translation>
    </message>
    <message>
        <source>осталось %1 с</source>
        <translation>%1 s left</translation>
    </message>
    <message>
        <source>осталось %1 мин %2 с</source>
        <translation>%1 min %2 s left</translation>
    </message>
    <message>
        <source>error: проверка: </source>
        <translation>error: verification: </translation>
    </message>
    <message>
        <source>в ячейке нет программы</source>
        <translation>the cell holds no program</translation>
    </message>
    <message>
        <source>ячейку не удалось считать</source>
        <translation>the cell could not be read</translation>
    </message>
    <message>
        <source>кол-во записей в программе %1, в приборе %2</source>
        <translation>record count in the program %1, in the device %2</translation>
    </message>
    <message>
        <source>имя в программе &quot;%1&quot;, в приборе &quot;%2&quot;</source>
        <translation>name in the program &quot;%1&quot;, in the device &quot;%2&quot;</translation>
    </message>
    <message>
        <source>запись %1 (строка %2) отличается; всего отличается записей: %3</source>
        <translation>record %1 (line %2) differs; records differing in total: %3</translation>
    </message>
    <message>
        <source>запись %1: в программе %2, в приборе %3</source>
        <translation>record %1: in the program %2, in the device %3</translation>
    </message>
    <message numerus="yes">
        <source>Проверка пройдена: %n записей совпадают</source>
        <translation>
            <numerusform>Verification passed: %n record matches</numerusform>
            <numerusform>Verification passed: %n records match</numerusform>
        </translation>
    </message>
</context>
</TS>
