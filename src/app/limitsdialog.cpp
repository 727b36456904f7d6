#include "limitsdialog.h"
#include "ui_limitsdialog.h"

#include "language.h"
#include "programtext.h"
#include "userdialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace {

enum Column
{
    NameColumn,
    MinColumn,
    MaxColumn,
    ColumnCount
};

// The operands in code order, as the language lists them.
QStringList operandNames()
{
    const Language::CodeTable codes = Language::operandCodes();
    QStringList names = codes.keys();
    std::sort(names.begin(), names.end(), [&codes](const QString &a, const QString &b) {
        return codes.value(a) < codes.value(b);
    });
    return names;
}

} // namespace

QString LimitsDialog::fileFilter()
{
    return tr("Пределы операндов (*.limits)") + QStringLiteral(";;") + tr("Все файлы (*)");
}

LimitsDialog::LimitsDialog(const OperandLimits &limits, UserDialogs *dialogs, QWidget *parent)
    : QDialog(parent), ui(new Ui::LimitsDialog), m_dialogs(dialogs), m_directory(QDir::homePath())
{
    ui->setupUi(this);
    // No translation of Qt's own is installed: the buttons get the window's words.
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("ОК"));
    ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(tr("Отмена"));
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &LimitsDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &LimitsDialog::reject);
    connect(ui->importButton, &QPushButton::clicked, this, &LimitsDialog::importFile);
    connect(ui->exportButton, &QPushButton::clicked, this, &LimitsDialog::exportFile);
    connect(ui->clearButton, &QPushButton::clicked, this, [this] { setLimits(OperandLimits()); });

    QTableWidget *table = ui->limitsTable;
    const QStringList names = operandNames();
    table->setColumnCount(ColumnCount);
    table->setRowCount(names.size());
    table->setHorizontalHeaderLabels({tr("Операнд"), tr("Минимум"), tr("Максимум")});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Rows a line high: most of the 19 operands in view at once.
    table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    for (int row = 0; row < names.size(); ++row) {
        auto *name = new QTableWidgetItem(names.at(row));
        name->setFlags(Qt::ItemIsEnabled);
        table->setItem(row, NameColumn, name);
        table->setItem(row, MinColumn, new QTableWidgetItem);
        table->setItem(row, MaxColumn, new QTableWidgetItem);
    }
    // A wrong cell's reason goes away once the user edits again.
    connect(table, &QTableWidget::itemChanged, ui->problemLabel, &QLabel::clear);
    setLimits(limits);
}

LimitsDialog::~LimitsDialog() = default;

QTableWidget *LimitsDialog::table() const
{
    return ui->limitsTable;
}

QString LimitsDialog::problem() const
{
    return ui->problemLabel->text();
}

void LimitsDialog::setLimits(const OperandLimits &limits)
{
    const Language::CodeTable codes = Language::operandCodes();
    QTableWidget *table = ui->limitsTable;
    const auto bound = [](const std::optional<qint32> &value) {
        return value ? QString::number(*value) : QString();
    };
    for (int row = 0; row < table->rowCount(); ++row) {
        const OperandRange range = limits.range(codes.value(table->item(row, NameColumn)->text()));
        table->item(row, MinColumn)->setText(bound(range.min));
        table->item(row, MaxColumn)->setText(bound(range.max));
    }
    ui->problemLabel->clear();
}

LimitsDialog::TableReading LimitsDialog::parseTable() const
{
    const Language::CodeTable codes = Language::operandCodes();
    const QTableWidget *table = ui->limitsTable;
    TableReading reading;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString name = table->item(row, NameColumn)->text();
        OperandRange range;
        for (const int column : {MinColumn, MaxColumn}) {
            const QString text = table->item(row, column)->text().trimmed();
            if (text.isEmpty())
                continue;
            bool ok = false;
            const qint32 value = text.toInt(&ok, 10);
            if (!ok) {
                reading.problem =
                    tr("%1: «%2» не целое число от -2147483648 до 2147483647").arg(name, text);
                reading.row = row;
                reading.column = column;
                return reading;
            }
            (column == MinColumn ? range.min : range.max) = value;
        }
        if (range.min && range.max && *range.min > *range.max) {
            reading.problem =
                tr("%1: минимум %2 больше максимума %3").arg(name).arg(*range.min).arg(*range.max);
            reading.row = row;
            reading.column = MinColumn;
            return reading;
        }
        reading.limits.setRange(codes.value(name), range);
    }
    return reading;
}

std::optional<OperandLimits> LimitsDialog::readTable()
{
    const TableReading reading = parseTable();
    ui->problemLabel->setText(reading.problem);
    if (reading.problem.isEmpty())
        return reading.limits;
    ui->limitsTable->setCurrentCell(reading.row, reading.column);
    return std::nullopt;
}

OperandLimits LimitsDialog::limits() const
{
    return parseTable().limits;
}

void LimitsDialog::accept()
{
    if (readTable())
        QDialog::accept();
}

void LimitsDialog::importFile()
{
    const QString path =
        m_dialogs->openFileName(this, tr("Импорт пределов"), m_directory, fileFilter());
    if (path.isEmpty())
        return;
    m_directory = QFileInfo(path).absolutePath();
    const ProgramText::LoadedFile file = ProgramText::loadFile(path);
    if (!file.ok()) {
        m_dialogs->warning(this, tr("Импорт пределов"),
                           tr("Не удается открыть файл %1.").arg(QDir::toNativeSeparators(path)),
                           ProgramText::problemText(file, path));
        return;
    }
    const ParsedLimits parsed = OperandLimits::parse(file.text);
    if (!parsed.ok()) {
        // The table stays as it was: half a file is not what the bench tolerates.
        m_dialogs->warning(this, tr("Импорт пределов"),
                           tr("Пределы не загружены: в файле есть ошибки."),
                           parsed.errorLines(QFileInfo(path).fileName()).join(QLatin1Char('\n')));
        return;
    }
    setLimits(parsed.limits);
}

void LimitsDialog::exportFile()
{
    const std::optional<OperandLimits> limits = readTable();
    if (!limits)
        return;
    const QString path = m_dialogs->saveFileName(this, tr("Экспорт пределов"), m_directory,
                                                 fileFilter(), QStringLiteral("limits"));
    if (path.isEmpty())
        return;
    m_directory = QFileInfo(path).absolutePath();
    QString error;
    if (!ProgramText::saveFile(path, limits->toText(), &error)) {
        m_dialogs->warning(this, tr("Экспорт пределов"),
                           tr("Не удается записать файл %1.").arg(QDir::toNativeSeparators(path)),
                           error);
    }
}
