#include "tools/FleetDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/IniFile.h"
#include "platform/PortEnum.h"
#include "platform/ProgramDir.h"
#include "tools/FleetList.h"
#include "tools/FleetRun.h"

TdlgFleet::TdlgFleet(const QList<TformIncl *> &pages, QObject *memo, TOutArray *windowOut,
                     QWidget *parent)
    : QDialog(parent), pages_(pages), memo_(memo), windowOut_(windowOut)
{
    setObjectName(QStringLiteral("dlgFleet"));
    setWindowTitle(QStringLiteral("Записать в несколько устройств"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    stack_ = new QStackedWidget(this);
    layout->addWidget(stack_);

    // ---- set-up
    auto *setup = new QWidget(stack_);
    auto *form = new QFormLayout(setup);
    auto *fileRow = new QHBoxLayout;
    btnSettings = new QPushButton(QStringLiteral("Выбрать…"), setup);
    btnSettings->setObjectName(QStringLiteral("btnSettings"));
    lbSettings = new QLabel(QStringLiteral("(не выбран)"), setup);
    lbSettings->setObjectName(QStringLiteral("lbSettings"));
    fileRow->addWidget(lbSettings, 1);
    fileRow->addWidget(btnSettings);
    auto *fileLabel = new QLabel(QStringLiteral("Файл настроек:"), setup);
    fileLabel->setBuddy(btnSettings);
    btnSettings->setAccessibleName(QStringLiteral("Файл настроек: ") + lbSettings->text());
    form->addRow(fileLabel, fileRow);

    meNumbers = new QPlainTextEdit(setup);
    meNumbers->setObjectName(QStringLiteral("meNumbers"));
    meNumbers->setPlaceholderText(QStringLiteral("по одному номеру в строке"));
    meNumbers->setAccessibleName(QStringLiteral("Номера телефонов"));
    btnNumbersFile = new QPushButton(QStringLiteral("Загрузить список из файла…"), setup);
    btnNumbersFile->setObjectName(QStringLiteral("btnNumbersFile"));
    auto *numbersBox = new QVBoxLayout;
    numbersBox->addWidget(meNumbers);
    numbersBox->addWidget(btnNumbersFile, 0, Qt::AlignLeft);
    auto *numbersLabel = new QLabel(QStringLiteral("Номера телефонов:"), setup);
    numbersLabel->setBuddy(meNumbers);
    form->addRow(numbersLabel, numbersBox);

    ComPorts = new QComboBox(setup);
    ComPorts->setObjectName(QStringLiteral("ComPorts"));
    ComPorts->setEditable(true);
    ComPorts->setAccessibleName(QStringLiteral("Com-порт"));
    ComPorts->addItems(EnumSerialPorts());
    cbRegWait = new QCheckBox(QStringLiteral("Ждать регистрации в сети GSM?"), setup);
    cbRegWait->setObjectName(QStringLiteral("cbRegWait"));
    {
        // The connection dialog's last choices.
        const TIniFile ini(ProgramDir() + QStringLiteral("current.ini"));
        ComPorts->setEditText(
            ini.ReadString(QStringLiteral("Connect"), QStringLiteral("ComPort"), QStringLiteral(" ")));
        cbRegWait->setChecked(
            ini.ReadBool(QStringLiteral("Connect"), QStringLiteral("WaitCREG"), true));
    }
    auto *portLabel = new QLabel(QStringLiteral("Com-порт:"), setup);
    portLabel->setBuddy(ComPorts);
    form->addRow(portLabel, ComPorts);
    form->addRow(QString(), cbRegWait);
    btnStart = new QPushButton(QStringLiteral("Начать запись"), setup);
    btnStart->setObjectName(QStringLiteral("btnStart"));
    form->addRow(QString(), btnStart);
    stack_->addWidget(setup);

    // ---- progress
    auto *progress = new QWidget(stack_);
    auto *pl = new QFormLayout(progress);
    lbNumber = new QLabel(progress);
    lbNumber->setObjectName(QStringLiteral("lbNumber"));
    lbStep = new QLabel(progress);
    lbStep->setObjectName(QStringLiteral("lbStep"));
    lbStep->setWordWrap(true);
    lbCount = new QLabel(progress);
    lbCount->setObjectName(QStringLiteral("lbCount"));
    pbDone = new QProgressBar(progress);
    pbDone->setObjectName(QStringLiteral("pbDone"));
    pbDone->setAccessibleName(QStringLiteral("Обработано устройств"));
    btnCancel = new QPushButton(QStringLiteral("Отмена"), progress);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    pl->addRow(QStringLiteral("Номер:"), lbNumber);
    pl->addRow(QStringLiteral("Шаг:"), lbStep);
    pl->addRow(QStringLiteral("Обработано:"), lbCount);
    pl->addRow(pbDone);
    pl->addRow(QString(), btnCancel);
    stack_->addWidget(progress);

    // ---- report
    auto *report = new QWidget(stack_);
    auto *rl = new QVBoxLayout(report);
    lbReport = new QLabel(report);
    lbReport->setObjectName(QStringLiteral("lbReport"));
    lbReport->setWordWrap(true);
    Report = new QTableWidget(0, 3, report);
    Report->setObjectName(QStringLiteral("Report"));
    Report->setAccessibleName(QStringLiteral("Отчёт о записи"));
    Report->setHorizontalHeaderLabels(FleetReport::Header());
    Report->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Report->setSelectionBehavior(QAbstractItemView::SelectRows);
    Report->verticalHeader()->setVisible(false);
    Report->horizontalHeader()->setStretchLastSection(true);
    auto *rb = new QHBoxLayout;
    btnSaveCsv = new QPushButton(QStringLiteral("Сохранить отчёт как…"), report);
    btnSaveCsv->setObjectName(QStringLiteral("btnSaveCsv"));
    btnClose = new QPushButton(QStringLiteral("Закрыть"), report);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    rb->addWidget(btnSaveCsv);
    rb->addStretch(1);
    rb->addWidget(btnClose);
    rl->addWidget(lbReport);
    rl->addWidget(Report, 1);
    rl->addLayout(rb);
    stack_->addWidget(report);

    const auto choose = [this](bool csv) -> QString {
        if (ChooseFile)
            return ChooseFile(csv);
        if (csv)
            return QFileDialog::getSaveFileName(this, QStringLiteral("Отчёт"), csvPath_,
                                                QStringLiteral("Отчёт (*.csv)"));
        return QFileDialog::getOpenFileName(this, QStringLiteral("Файл"), ProgramDir(),
                                            QStringLiteral("Файлы (*.ini *.txt *.csv);;Все файлы (*)"));
    };
    connect(btnSettings, &QPushButton::clicked, this, [this, choose] {
        const QString path = choose(false);
        if (!path.isEmpty())
            SetSettingsFile(path);
    });
    connect(btnNumbersFile, &QPushButton::clicked, this, [this, choose] {
        const QString path = choose(false);
        if (!path.isEmpty())
            LoadNumbersFile(path);
    });
    connect(btnStart, &QPushButton::clicked, this, [this] { Start(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        if (run_) {
            run_->Cancel();
            btnCancel->setEnabled(false);
            lbStep->setText(QStringLiteral("Отмена: текущий шаг заканчивается, связь разрывается…"));
        }
    });
    connect(btnSaveCsv, &QPushButton::clicked, this, [this, choose] {
        const QString path = choose(true);
        if (!path.isEmpty())
            SaveCsv(path);
    });
    connect(btnClose, &QPushButton::clicked, this, &TdlgFleet::reject);

    drain_ = new QTimer(this);
    drain_->setInterval(50);
    connect(drain_, &QTimer::timeout, this, [this] {
        if (run_)
            run_->Drain();
    });
    resize(640, 420);
}

TdlgFleet::~TdlgFleet()
{
    run_.reset();
}

void TdlgFleet::Error(const QString &text)
{
    if (ShowError)
        ShowError(text);
    else
        QMessageBox::warning(this, windowTitle(), text);
}

void TdlgFleet::SetSettingsFile(const QString &path)
{
    settingsFile_ = path;
    lbSettings->setText(QDir::toNativeSeparators(path));
    btnSettings->setAccessibleName(QStringLiteral("Файл настроек: ") + lbSettings->text());
}

bool TdlgFleet::LoadNumbersFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        Error(QStringLiteral("Файл %1 не читается").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    const TFleetList list = ParseFleetFile(f.read(1 << 20));
    if (!list.Ok()) {
        Error(QStringLiteral("Список номеров в файле %1 не принят:\n%2")
                  .arg(QDir::toNativeSeparators(path), list.errors.join(QLatin1Char('\n'))));
        return false;
    }
    meNumbers->setPlainText(list.numbers.join(QLatin1Char('\n')));
    return true;
}

bool TdlgFleet::Running() const
{
    return run_ && run_->isRunning();
}

bool TdlgFleet::Start()
{
    if (run_)
        return false;
    if (settingsFile_.isEmpty()) {
        Error(QStringLiteral("Выберите файл настроек."));
        return false;
    }
    const TFleetList list = ParseFleetList(meNumbers->toPlainText());
    if (!list.Ok()) {
        Error(QStringLiteral("Список номеров не принят:\n") + list.errors.join(QLatin1Char('\n')));
        return false;
    }
    const QString port = PortNameOf(ComPorts->currentText());
    if (port.isEmpty()) {
        Error(QStringLiteral("Укажите Com-порт."));
        return false;
    }
    TFleetRun::TSetup setup{settingsFile_, list.numbers, port, cbRegWait->isChecked()};
    auto run = std::make_unique<TFleetRun>(setup, pages_, memo_, windowOut_);
    QString error;
    if (!run->Prepare(&error)) {
        Error(error + QStringLiteral("\nНи один номер не набран."));
        return false;
    }
    run_ = std::move(run);
    connect(run_.get(), &TFleetRun::Progress, this, &TdlgFleet::UpdateProgress);
    connect(run_.get(), &QThread::finished, this, &TdlgFleet::Finished);
    pbDone->setRange(0, list.numbers.size());
    pbDone->setValue(0);
    stack_->setCurrentIndex(1);
    drain_->start();
    run_->start();
    UpdateProgress();
    return true;
}

void TdlgFleet::UpdateProgress()
{
    if (!run_)
        return;
    const QString number = run_->Number();
    const QString step = run_->Step();
    const QString count = QStringLiteral("%1 из %2").arg(run_->Done()).arg(run_->Planned());
    lbNumber->setText(number);
    lbStep->setText(step);
    lbCount->setText(count);
    lbNumber->setAccessibleName(QStringLiteral("Номер ") + number);
    lbStep->setAccessibleName(QStringLiteral("Шаг ") + step);
    lbCount->setAccessibleName(QStringLiteral("Обработано ") + count);
    pbDone->setValue(run_->Done());
}

void TdlgFleet::Finished()
{
    if (!run_)
        return;
    drain_->stop();
    run_->Drain();
    results_ = run_->Results();
    const int planned = run_->Planned();
    Report->setRowCount(results_.size());
    for (int i = 0; i < results_.size(); ++i) {
        const QStringList cells = FleetReport::Row(results_[i]);
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[c]);
            if (results_[i].outcome != TFleetResult::Verified)
                item->setForeground(results_[i].outcome == TFleetResult::Failed ? QColor(Qt::red)
                                                                                : QColor(160, 90, 0));
            Report->setItem(i, c, item);
        }
    }
    Report->resizeColumnsToContents();
    QString text = FleetReport::Summary(results_, planned);
    // The report is kept beside the settings file, named by the time of the run.
    const QFileInfo settings(settingsFile_);
    const QString path =
        settings.absoluteDir().filePath(settings.completeBaseName() + QStringLiteral("-отчёт-") +
                                        QDateTime::currentDateTime().toString(
                                            QStringLiteral("yyyyMMdd-HHmmss")) +
                                        QStringLiteral(".csv"));
    if (SaveCsv(path))
        text += QStringLiteral("\nОтчёт сохранён: ") + QDir::toNativeSeparators(path);
    lbReport->setText(text);
    lbReport->setAccessibleName(text);
    stack_->setCurrentIndex(2);
    run_.reset();
}

bool TdlgFleet::SaveCsv(const QString &path)
{
    QString error;
    if (WriteFileAtomically(path, FleetReport::Csv(results_), &error)) {
        csvPath_ = path;
        return true;
    }
    Error(QStringLiteral("Отчёт не сохранён в %1:\n%2").arg(QDir::toNativeSeparators(path), error));
    return false;
}

void TdlgFleet::reject()
{
    // Closing waits for the call to go down, never leaves it up.
    if (Running()) {
        run_->Cancel();
        btnCancel->setEnabled(false);
        return;
    }
    QDialog::reject();
}
