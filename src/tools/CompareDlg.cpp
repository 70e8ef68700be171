#include "tools/CompareDlg.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "device/DevTrevalo.h"
#include "pages/fIn.h"
#include "platform/ProgramDir.h"
#include "session/OutArray.h"
#include "tools/ShadowPages.h"
#include "tools/ToolContext.h"
#include "tools/ToolRunner.h"

using namespace settingscompare;

namespace
{
enum Column { colPage, colSetting, colReference, colTracker, colResult, colCount };

QString CellCaption(const TTarget &t)
{
    auto *grid = qobject_cast<QTableWidget *>(t.control);
    if (!grid)
        return QString();
    const QTableWidgetItem *head = grid->horizontalHeaderItem(t.column);
    const QTableWidgetItem *num = grid->item(t.row, 0);
    return QStringLiteral("%1 %2").arg(head ? head->text() : QString(),
                                       num ? num->text() : QString::number(t.row));
}

QString CellText(const TTarget &t)
{
    auto *grid = qobject_cast<QTableWidget *>(t.control);
    const QTableWidgetItem *item = grid ? grid->item(t.row, t.column) : nullptr;
    return item ? item->text() : QString();
}

bool IsChoice(const QObject *o)
{
    // Radio buttons and toggle buttons: only the chosen one tells the value.
    auto *b = qobject_cast<const QAbstractButton *>(o);
    const auto kind = b ? TformIncl::KindOf(b) : std::nullopt;
    return kind && (*kind == TControlKind::ckRadioButton || *kind == TControlKind::ckRzRadioButton ||
                    *kind == TControlKind::ckSpeedButton);
}

QString ChoiceCaption(const QAbstractButton *b)
{
    if (!b->text().isEmpty())
        return CaptionOf(b);
    if (TformIncl *page = PageOf(b))
        if (QLabel *l = page->labelOf(b))
            return CaptionOf(l);
    return b->toolTip().isEmpty() ? b->objectName() : b->toolTip();
}
} // namespace

TdlgCompare::TdlgCompare(const QList<TformIncl *> &pages, TToolRunner *runner, QWidget *parent)
    : QDialog(parent), pages_(pages), runner_(runner)
{
    setObjectName(QStringLiteral("dlgCompare"));
    setWindowTitle(QStringLiteral("Сравнить с устройством"));
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *source = new QHBoxLayout;
    source->addWidget(new QLabel(QStringLiteral("Сравнить с устройством:"), this));
    rbPages = new QRadioButton(QStringLiteral("значения на страницах"), this);
    rbPages->setObjectName(QStringLiteral("rbPages"));
    rbPages->setChecked(true);
    rbFile = new QRadioButton(QStringLiteral("файл настроек"), this);
    rbFile->setObjectName(QStringLiteral("rbFile"));
    btnFile = new QPushButton(QStringLiteral("Выбрать файл…"), this);
    btnFile->setObjectName(QStringLiteral("btnFile"));
    lbFile = new QLabel(this);
    lbFile->setObjectName(QStringLiteral("lbFile"));
    source->addWidget(rbPages);
    source->addWidget(rbFile);
    source->addWidget(btnFile);
    source->addWidget(lbFile, 1);
    layout->addLayout(source);

    Grid = new QTableWidget(0, colCount, this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setAccessibleName(QStringLiteral("Сравнение настроек"));
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->verticalHeader()->setVisible(false);
    Grid->horizontalHeader()->setStretchLastSection(true);
    Grid->setWordWrap(false);
    layout->addWidget(Grid, 1);

    lbSummary = new QLabel(this);
    lbSummary->setObjectName(QStringLiteral("lbSummary"));
    lbSummary->setWordWrap(true);
    layout->addWidget(lbSummary);

    auto *buttons = new QHBoxLayout;
    btnRead = new QPushButton(QStringLiteral("Прочитать и сравнить"), this);
    btnRead->setObjectName(QStringLiteral("btnRead"));
    btnWrite = new QPushButton(QStringLiteral("Записать отличия в устройство"), this);
    btnWrite->setObjectName(QStringLiteral("btnWrite"));
    btnTake = new QPushButton(QStringLiteral("Взять значения устройства"), this);
    btnTake->setObjectName(QStringLiteral("btnTake"));
    btnClose = new QPushButton(QStringLiteral("Закрыть"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    for (QPushButton *b : {btnRead, btnWrite, btnTake})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);

    connect(btnFile, &QPushButton::clicked, this, [this] {
        const QString path = ChooseFile ? ChooseFile()
                                        : QFileDialog::getOpenFileName(
                                              this, QStringLiteral("Файл настроек"), ProgramDir(),
                                              QStringLiteral("Файл настроек (*.ini);;Все файлы (*)"));
        if (!path.isEmpty())
            SetFile(path);
    });
    connect(rbFile, &QRadioButton::toggled, this, [this] { UpdateButtons(); });
    connect(btnRead, &QPushButton::clicked, this, [this] { StartCompare(); });
    connect(btnWrite, &QPushButton::clicked, this, [this] { StartWriteDifferences(); });
    connect(btnTake, &QPushButton::clicked, this, [this] { TakeTrackerValues(); });
    connect(btnClose, &QPushButton::clicked, this, &TdlgCompare::reject);
    resize(940, 560);
    UpdateButtons();
}

TdlgCompare::~TdlgCompare() = default;

void TdlgCompare::SetFile(const QString &path)
{
    file_ = path;
    lbFile->setText(QFileInfo(path).fileName());
    lbFile->setToolTip(path);
    lbFile->setAccessibleName(QStringLiteral("Файл настроек ") + path);
    rbFile->setChecked(true);
    UpdateButtons();
}

void TdlgCompare::reject()
{
    // Closing while the tracker is read or written would leave the worker
    // filling pages nobody looks at.
    if (busy_) {
        lbSummary->setText(QStringLiteral("Дождитесь окончания обмена с устройством."));
        return;
    }
    QDialog::reject();
}

void TdlgCompare::SetBusy(bool busy, const QString &text)
{
    busy_ = busy;
    if (!text.isEmpty())
        lbSummary->setText(text);
    UpdateButtons();
}

void TdlgCompare::UpdateButtons()
{
    bool differs = false;
    for (const TRow &r : rows_)
        differs = differs || r.state == TState::Differs;
    btnRead->setEnabled(!busy_ && (!rbFile->isChecked() || !file_.isEmpty()));
    btnWrite->setEnabled(!busy_ && compared_ && differs);
    btnTake->setEnabled(!busy_ && compared_);
    btnClose->setEnabled(!busy_);
    rbPages->setEnabled(!busy_);
    rbFile->setEnabled(!busy_);
    btnFile->setEnabled(!busy_);
}

bool TdlgCompare::StartCompare()
{
    if (busy_ || !runner_->Ready()) {
        lbSummary->setText(runner_->Connected()
                               ? QStringLiteral("Устройство занято, повторите позже.")
                               : QStringLiteral("Нет соединения с устройством."));
        return false;
    }
    const bool fromFile = rbFile->isChecked();
    if (fromFile && file_.isEmpty()) {
        lbSummary->setText(QStringLiteral("Выберите файл настроек."));
        return false;
    }
    auto reference = std::make_unique<TShadowPages>();
    QString error;
    if (!reference->CopyFrom(pages_, fromFile ? file_ : QString(), &error)) {
        lbSummary->setText(error);
        return false;
    }
    auto tracker = std::make_unique<TShadowPages>();
    tracker->CopyFrom(pages_);
    for (TformIncl *p : tracker->Pages())
        p->BeginRead();
    auto capture = std::make_unique<TReadCapture>();

    TShadowPages *t = tracker.get();
    TReadCapture *cap = capture.get();
    const bool started = runner_->Start(
        [t, cap](TPageContext &ctx) {
            TRecordingExchange line(&ctx.Link(), [cap](const QString &l) { cap->Sent(l); });
            TDevTrevalo dev(&line);
            TToolContext c;
            c.TakeSessionFrom(ctx);
            c.Dev = &dev;
            c.Out = &cap->Queue();
            c.mark = [cap](QObject *label, bool ok) { cap->Mark(label, ok); };
            c.memo = [&ctx](const QString &text) { ctx.Memo(text); };
            for (TformIncl *p : t->Pages()) {
                if (ctx.Cancelled())
                    return;
                p->Read(c);
            }
        },
        [this](const QString &e) { CompareDone(e); });
    if (!started) {
        lbSummary->setText(QStringLiteral("Устройство занято, повторите позже."));
        return false;
    }
    fromFile_ = fromFile;
    reference_ = std::move(reference);
    tracker_ = std::move(tracker);
    capture_ = std::move(capture);
    rows_.clear();
    outcome_.clear();
    compared_ = false;
    Fill();
    SetBusy(true, QStringLiteral("Чтение настроек из устройства…"));
    return true;
}

void TdlgCompare::CompareDone(const QString &error)
{
    reads_ = capture_->Apply(tracker_->Pages());
    QStringList names;
    for (const TRead &r : reads_)
        names << r.name;
    const int major = runner_->VersionMajor(), minor = runner_->VersionMinor();
    refImage_ = DryWrite(reference_->Pages(), major, minor, names);
    const TWriteImage trk = DryWrite(tracker_->Pages(), major, minor, names);
    rows_ = Compare(reads_, refImage_, trk);
    compared_ = error.isEmpty();
    SetBusy(false);
    Fill();
    if (!error.isEmpty())
        lbSummary->setText(QStringLiteral("Сравнение прервано: ") + error);
}

QList<TformIncl *> TdlgCompare::WritePages() const
{
    if (fromFile_)
        return reference_->Pages();
    QList<TformIncl *> out;
    for (TformIncl *p : pages_)
        if (reference_->Page(p->PageName()))
            out << p;
    return out;
}

QObject *TdlgCompare::VisibleTwin(const QObject *shadow) const
{
    const TformIncl *page = PageOf(shadow);
    if (!page)
        return nullptr;
    for (TformIncl *p : pages_)
        if (p->PageName() == page->PageName())
            return shadow == page ? p : p->findChild<QObject *>(shadow->objectName());
    return nullptr;
}

bool TdlgCompare::StartWriteDifferences()
{
    if (busy_ || !compared_)
        return false;
    QSet<QString> chosen;
    for (const TRow &r : rows_)
        if (r.state == TState::Differs)
            chosen.insert(r.name);
    if (chosen.isEmpty()) {
        lbSummary->setText(QStringLiteral("Отличий нет, записывать нечего."));
        return false;
    }
    if (!runner_->Ready()) {
        lbSummary->setText(QStringLiteral("Устройство занято или не подключено."));
        return false;
    }
    QSet<QObject *> labels;
    for (QObject *l : LabelsOf(rows_, chosen, refImage_))
        if (QObject *target = fromFile_ ? l : VisibleTwin(l))
            labels.insert(target);
    QStringList names;
    for (const TRead &r : reads_)
        names << r.name;
    const QList<TformIncl *> pages = WritePages();
    auto results = std::make_shared<QHash<QString, bool>>();
    const bool started = runner_->Start(
        [pages, names, chosen, labels, results](TPageContext &ctx) {
            TDiffWriteExchange filter(&ctx.Link(), names, chosen);
            TDevTrevalo dev(&filter);
            TToolContext c;
            c.TakeSessionFrom(ctx);
            c.Dev = &dev;
            c.Out = ctx.Out;
            // Marks and refusals of the settings left alone stay off the page.
            bool dropped = false;
            c.mark = [&](QObject *label, bool ok) {
                dropped = !labels.contains(label);
                if (!dropped)
                    ctx.MarkLabel(label, ok);
            };
            c.memo = [&](const QString &text) {
                if (!dropped)
                    ctx.Memo(text);
            };
            try {
                for (TformIncl *p : pages) {
                    if (ctx.Cancelled())
                        break;
                    if (p->WrittenByWriteAll())
                        p->Write(c);
                }
            } catch (...) {
                *results = filter.Results();
                throw;
            }
            *results = filter.Results();
        },
        [this, results](const QString &e) { WriteDone(e, *results); });
    if (!started) {
        lbSummary->setText(QStringLiteral("Устройство занято, повторите позже."));
        return false;
    }
    SetBusy(true, QStringLiteral("Запись отличий в устройство…"));
    return true;
}

void TdlgCompare::WriteDone(const QString &error, const QHash<QString, bool> &results)
{
    int written = 0, total = 0;
    for (const TRow &r : rows_) {
        if (r.state != TState::Differs)
            continue;
        ++total;
        const auto it = results.constFind(r.name);
        if (it == results.constEnd())
            outcome_[r.name] = QStringLiteral("не отправлено");
        else if (*it)
            outcome_[r.name] = QStringLiteral("записано"), ++written;
        else
            outcome_[r.name] = QStringLiteral("не записано");
    }
    SetBusy(false);
    Fill();
    QString text = QStringLiteral("Записано отличий: %1 из %2.").arg(written).arg(total);
    if (!error.isEmpty())
        text += QStringLiteral(" Запись прервана: ") + error;
    lbSummary->setText(text);
}

void TdlgCompare::TakeTrackerValues()
{
    if (busy_ || !compared_)
        return;
    // In page order, so a switch comes before the lists that follow it.
    const QList<QWidget *> order = ValueControls(tracker_->Pages());
    QList<TTarget> targets;
    QSet<QObject *> labels;
    for (const TRow &r : rows_) {
        if (r.state == TState::NotRead)
            continue;
        targets << r.controls;
        for (QObject *l : r.labels)
            labels.insert(l);
    }
    std::stable_sort(targets.begin(), targets.end(), [&order](const TTarget &a, const TTarget &b) {
        return order.indexOf(qobject_cast<QWidget *>(a.control)) <
               order.indexOf(qobject_cast<QWidget *>(b.control));
    });
    int taken = 0;
    for (const TTarget &t : targets) {
        QObject *twin = VisibleTwin(t.control);
        if (!twin)
            continue;
        if (t.row >= 0) {
            if (auto *grid = qobject_cast<QTableWidget *>(twin)) {
                if (QTableWidgetItem *item = grid->item(t.row, t.column))
                    item->setText(CellText(t));
                else
                    grid->setItem(t.row, t.column, new QTableWidgetItem(CellText(t)));
            }
        } else if (auto *w = qobject_cast<QWidget *>(twin)) {
            CopyValue(qobject_cast<QWidget *>(t.control), w);
        }
        ++taken;
    }
    // As after a read: the labels of the values taken turn blue.
    for (QObject *l : labels)
        if (QObject *twin = VisibleTwin(l))
            ApplyColor(twin, QStringLiteral("clBlue"));
    if (!fromFile_) {
        // The pages now hold what the tracker holds; the rows say so.
        reference_->CopyFrom(pages_);
        QStringList names;
        for (const TRead &r : reads_)
            names << r.name;
        const int major = runner_->VersionMajor(), minor = runner_->VersionMinor();
        refImage_ = DryWrite(reference_->Pages(), major, minor, names);
        rows_ = Compare(reads_, refImage_, DryWrite(tracker_->Pages(), major, minor, names));
        outcome_.clear();
    }
    Fill();
    lbSummary->setText(
        QStringLiteral("Значения устройства перенесены на страницы (%1 полей).").arg(taken));
}

QStringList TdlgCompare::RowTexts(int row) const
{
    QStringList out;
    for (int c = 0; c < colCount; ++c) {
        const QTableWidgetItem *item = Grid->item(row, c);
        out << (item ? item->text() : QString());
    }
    return out;
}

void TdlgCompare::Fill()
{
    Grid->clearContents();
    Grid->setRowCount(rows_.size());
    Grid->setHorizontalHeaderLabels(
        {QStringLiteral("Страница"), QStringLiteral("Настройка"),
         fromFile_ ? QStringLiteral("В файле") : QStringLiteral("На страницах"),
         QStringLiteral("В устройстве"), QStringLiteral("Итог")});
    int differs = 0, notRead = 0, equal = 0;
    for (int i = 0; i < rows_.size(); ++i) {
        const TRow &r = rows_[i];
        const QObject *first = !r.labels.isEmpty()     ? r.labels.first()
                               : !r.controls.isEmpty() ? r.controls.first().control
                                                       : nullptr;
        const TformIncl *page = PageOf(first);
        QString setting;
        if (!r.labels.isEmpty())
            setting = CaptionOf(r.labels.first());
        else if (!r.controls.isEmpty())
            setting = r.controls.first().row >= 0 ? CellCaption(r.controls.first())
                                                  : CaptionOf(r.controls.first().control);
        if (setting.isEmpty())
            setting = r.name;

        // The same controls on the reference pages and on the tracker's.
        QStringList refValues, trkValues;
        QList<TTarget> targets = r.controls;
        // A setting that did not arrive still shows what the pages hold.
        if (targets.isEmpty())
            for (QObject *l : r.labels)
                if (auto *label = qobject_cast<QLabel *>(l); label && label->buddy())
                    targets << TTarget{label->buddy()};
        for (const TTarget &t : targets) {
            QObject *ref = nullptr;
            if (const TformIncl *p = PageOf(t.control))
                if (TformIncl *rp = reference_->Page(p->PageName()))
                    ref = rp->findChild<QObject *>(t.control->objectName());
            if (t.row >= 0) {
                trkValues << CellText(t);
                refValues << CellText(TTarget{ref, t.row, t.column});
            } else if (IsChoice(t.control)) {
                auto *tb = qobject_cast<QAbstractButton *>(t.control);
                auto *rb = qobject_cast<QAbstractButton *>(ref);
                if (tb && tb->isChecked())
                    trkValues << ChoiceCaption(tb);
                if (rb && rb->isChecked())
                    refValues << ChoiceCaption(rb);
            } else {
                trkValues << ShownValue(qobject_cast<QWidget *>(t.control));
                refValues << ShownValue(qobject_cast<QWidget *>(ref));
            }
        }
        QString state;
        switch (r.state) {
        case TState::Equal:
            state = QStringLiteral("совпадает");
            ++equal;
            break;
        case TState::Differs:
            state = QStringLiteral("отличается");
            ++differs;
            break;
        case TState::NotRead:
            state = QStringLiteral("не прочитано");
            ++notRead;
            break;
        }
        if (outcome_.contains(r.name))
            state += QStringLiteral(", ") + outcome_.value(r.name);
        const QStringList texts = {
            page ? page->Caption() : QString(), setting, refValues.join(QStringLiteral(", ")),
            r.state == TState::NotRead ? QStringLiteral("не прочитано")
                                       : trkValues.join(QStringLiteral(", ")),
            state};
        for (int c = 0; c < colCount; ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            item->setToolTip(texts[c]);
            if (r.state == TState::Differs) {
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
                item->setBackground(QColor(255, 236, 179));
            } else if (r.state == TState::NotRead) {
                item->setForeground(QColor(Qt::red));
            }
            Grid->setItem(i, c, item);
        }
    }
    Grid->resizeColumnsToContents();
    const int widest[colCount] = {110, 300, 150, 150, 200};
    for (int c = colPage; c < colCount; ++c)
        Grid->setColumnWidth(c, std::min(Grid->columnWidth(c), widest[c]));
    if (compared_ || !rows_.isEmpty())
        lbSummary->setText(QStringLiteral("Отличается: %1; не прочитано: %2; совпадает: %3.")
                               .arg(differs)
                               .arg(notRead)
                               .arg(equal));
    Grid->setAccessibleDescription(lbSummary->text());
    UpdateButtons();
}
