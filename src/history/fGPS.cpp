#include "history/fGPS.h"

#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "history/GpsTransfer.h"
#include "pages/PageExchange.h"
#include "session/OutArray.h"

const QString TformGPS::DialogTitle = QStringLiteral("Выбрать файл");
const QString TformGPS::DialogFilter = QStringLiteral("TXT (*.txt)");

namespace
{
struct TFileRow {
    QLabel *label;
    QLineEdit *edit;
    QToolButton *choose;
    QPushButton *start;
    QLabel *result;
};
} // namespace

TformGPS::TformGPS(QWidget *parent)
    : TformIncl(QStringLiteral("formGPS"), QStringLiteral("GPS фиксация"), parent)
{
    RzGroupBox1 = addGroupBox(QStringLiteral("RzGroupBox1"), QStringLiteral("GPS фиксация"));
    auto *form = qobject_cast<QFormLayout *>(RzGroupBox1->layout());
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    const auto row = [&](const QString &suffix, const QString &labelText, const QString &editName,
                         const QString &chooseName, const QString &chooseText,
                         const QString &startName, const QString &startText,
                         const QString &resultName) {
        TFileRow r;
        r.label = new QLabel(labelText, RzGroupBox1);
        r.label->setObjectName(QStringLiteral("Label") + suffix);
        RegisterControl(r.label, TControlKind::ckLabel);
        form->addRow(r.label);

        auto *line = new QWidget(RzGroupBox1);
        auto *h = new QHBoxLayout(line);
        h->setContentsMargins(0, 0, 0, 0);
        r.edit = new QLineEdit(line);
        r.edit->setObjectName(editName);
        r.edit->setMinimumWidth(360);
        r.label->setBuddy(r.edit);
        RegisterControl(r.edit, TControlKind::ckEdit, QString());
        r.choose = new QToolButton(line);
        r.choose->setObjectName(chooseName);
        r.choose->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        r.choose->setToolTip(chooseText);
        r.choose->setAccessibleName(chooseText);
        h->addWidget(r.edit, 1);
        h->addWidget(r.choose);
        form->addRow(line);

        r.start = new QPushButton(startText, RzGroupBox1);
        r.start->setObjectName(startName);
        auto *buttonRow = new QHBoxLayout;
        buttonRow->addWidget(r.start);
        buttonRow->addStretch(1);
        form->addRow(buttonRow);

        // The outcome in words, so the reason for a red label can be read
        // and heard; the label's own text is its accessible name.
        r.result = new QLabel(RzGroupBox1);
        r.result->setObjectName(resultName);
        r.result->setWordWrap(true);
        r.result->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(r.result);
        return r;
    };

    const TFileRow save =
        row(QStringLiteral("1"), QStringLiteral("Имя файла для сохранения альманахов и эфемерид:"),
            QStringLiteral("etSave"), QStringLiteral("RzBitBtn1"),
            QStringLiteral("Выбрать файл для сохранения"), QStringLiteral("btnSaveAlEp"),
            QStringLiteral("Считать альманахи и эфемериды"), QStringLiteral("lbSaveResult"));
    form->addItem(new QSpacerItem(0, 16));
    const TFileRow load =
        row(QStringLiteral("2"), QStringLiteral("Имя файла для загрузки альманахов и эфемерид:"),
            QStringLiteral("etLoad"), QStringLiteral("RzBitBtn2"),
            QStringLiteral("Выбрать файл для загрузки"), QStringLiteral("btnLoadAlEp"),
            QStringLiteral("Загрузить альманахи и эфемериды"), QStringLiteral("lbLoadResult"));
    Label1 = save.label;
    etSave = save.edit;
    RzBitBtn1 = save.choose;
    btnSaveAlEp = save.start;
    lbSaveResult = save.result;
    Label2 = load.label;
    etLoad = load.edit;
    RzBitBtn2 = load.choose;
    btnLoadAlEp = load.start;
    lbLoadResult = load.result;

    connect(btnSaveAlEp, &QPushButton::clicked, this, [this] { btnSaveAlEpClick(); });
    connect(btnLoadAlEp, &QPushButton::clicked, this, [this] { btnLoadAlEpClick(); });
    connect(RzBitBtn1, &QToolButton::clicked, this, [this] { RzBitBtn1Click(); });
    connect(RzBitBtn2, &QToolButton::clicked, this, [this] { RzBitBtn2Click(); });
}

void TformGPS::btnSaveAlEpClick()
{
    if (PostCommand)
        PostCommand(wcReadAlmanac);
}

void TformGPS::btnLoadAlEpClick()
{
    if (PostCommand)
        PostCommand(wcLoadAlmanac);
}

QString TformGPS::chooseFile(bool save)
{
    QFileDialog dialog(this, DialogTitle, QDir::currentPath(), DialogFilter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(QStringLiteral("*.txt"));
    if (ExecFileDialog)
        return ExecFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// A cancelled dialog keeps the name the user had.
void TformGPS::RzBitBtn1Click()
{
    const QString file = chooseFile(true);
    if (!file.isEmpty())
        etSave->setText(QDir::toNativeSeparators(file));
}

void TformGPS::RzBitBtn2Click()
{
    const QString file = chooseFile(false);
    if (!file.isEmpty())
        etLoad->setText(QDir::toNativeSeparators(file));
}

// ---- worker thread ----

void TformGPS::putButtons(TPageContext &ctx, bool enabled)
{
    const QString state = enabled ? QStringLiteral("true") : QStringLiteral("false");
    for (QObject *b : {static_cast<QObject *>(btnSaveAlEp), static_cast<QObject *>(btnLoadAlEp),
                       static_cast<QObject *>(RzBitBtn1), static_cast<QObject *>(RzBitBtn2)})
        ctx.Out->PutText(b, state);
}

bool TformGPS::RunCommand(unsigned char code, TPageContext &ctx)
{
    if (code != wcReadAlmanac && code != wcLoadAlmanac)
        return false;
    putButtons(ctx, false);
    try {
        code == wcReadAlmanac ? SaveGpsData(ctx) : LoadGpsData(ctx);
    } catch (...) {
        putButtons(ctx, true);
        throw;
    }
    putButtons(ctx, true);
    return true;
}

void TformGPS::SaveGpsData(TPageContext &ctx)
{
    const gpstransfer::TSaveOutcome out = gpstransfer::SaveGpsData(
        *ctx.Dev, [this] { return FromUi([this] { return etSave->text(); }); });
    // Without pass-through nothing was read: the colour of the last save stays.
    if (out.accessOn)
        ctx.MarkLabel(Label1, out.Success());
    ctx.Out->PutText(lbSaveResult, out.Summary());
}

void TformGPS::LoadGpsData(TPageContext &ctx)
{
    const gpstransfer::TLoadOutcome out = gpstransfer::LoadGpsData(
        *ctx.Dev, [this] { return FromUi([this] { return etLoad->text(); }); },
        [this] { return UtcNow ? UtcNow() : QDateTime::currentDateTimeUtc(); });
    ctx.MarkLabel(Label2, out.Success());
    ctx.Out->PutText(lbLoadResult, out.Summary());
}
