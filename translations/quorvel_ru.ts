<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru" sourcelanguage="ru">
<context>
    <name>Commands</name>
    <message numerus="yes">
        <source>%1: скомпилирована, записей: %n</source>
        <translation>
            <numerusform>%1: скомпилирована, записей: %n</numerusform>
            <numerusform>%1: скомпилирована, записей: %n</numerusform>
            <numerusform>%1: скомпилирована, записей: %n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>записано записей: %n</source>
        <translation>
            <numerusform>записано записей: %n</numerusform>
            <numerusform>записано записей: %n</numerusform>
            <numerusform>записано записей: %n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>записано и проверено записей: %n</source>
        <translation>
            <numerusform>записано и проверено записей: %n</numerusform>
            <numerusform>записано и проверено записей: %n</numerusform>
            <numerusform>записано и проверено записей: %n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>совпадает, записей: %n</source>
        <translation>
            <numerusform>совпадает, записей: %n</numerusform>
            <numerusform>совпадает, записей: %n</numerusform>
            <numerusform>совпадает, записей: %n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>считано записей: %n</source>
        <translation>
            <numerusform>считано записей: %n</numerusform>
            <numerusform>считано записей: %n</numerusform>
            <numerusform>считано записей: %n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>считано записей: %n, в файл %1</source>
        <translation>
            <numerusform>считано записей: %n, в файл %1</numerusform>
            <numerusform>считано записей: %n, в файл %1</numerusform>
            <numerusform>считано записей: %n, в файл %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Compiler</name>
    <message numerus="yes">
        <source>%n записей: в ячейку прибора помещается не более 100</source>
        <translation>
            <numerusform>%n запись: в ячейку прибора помещается не более 100</numerusform>
            <numerusform>%n записи: в ячейку прибора помещается не более 100</numerusform>
            <numerusform>%n записей: в ячейку прибора помещается не более 100</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>EditorAids</name>
    <message numerus="yes">
        <source>%n ошибок</source>
        <translation>
            <numerusform>%n ошибка</numerusform>
            <numerusform>%n ошибки</numerusform>
            <numerusform>%n ошибок</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n предупреждений</source>
        <translation>
            <numerusform>%n предупреждение</numerusform>
            <numerusform>%n предупреждения</numerusform>
            <numerusform>%n предупреждений</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ProgramOutline</name>
    <message numerus="yes">
        <source>операнд %1, код %2; используется в %n строках</source>
        <translation>
            <numerusform>операнд %1, код %2; используется в %n строке</numerusform>
            <numerusform>операнд %1, код %2; используется в %n строках</numerusform>
            <numerusform>операнд %1, код %2; используется в %n строках</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TransferWording</name>
    <message numerus="yes">
        <source>Проверка пройдена: %n записей совпадают</source>
        <translation>
            <numerusform>Проверка пройдена: %n запись совпадает</numerusform>
            <numerusform>Проверка пройдена: %n записи совпадают</numerusform>
            <numerusform>Проверка пройдена: %n записей совпадают</numerusform>
        </translation>
    </message>
</context>
</TS>
