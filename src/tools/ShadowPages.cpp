#include "tools/ShadowPages.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>

#include "device/DevTrevalo.h"
#include "pages/fCommon.h"
#include "pages/fEvents.h"
#include "pages/fGPRS.h"
#include "pages/fIn.h"
#include "pages/fPhones.h"
#include "platform/IniFile.h"
#include "session/OutArray.h"
#include "tools/ToolContext.h"

using namespace settingscompare;

TShadowPages::TShadowPages() : host_(std::make_unique<QWidget>())
{
    auto *common = new TformCommon(host_.get());
    auto *gprs = new TformGPRS(host_.get());
    auto *events = new TformEvents(host_.get());
    auto *phones = new TformPhones(host_.get());
    events->AttachGprsPage(gprs);
    pages_ = {common, gprs, events, phones};
}

TShadowPages::~TShadowPages() = default;

TformIncl *TShadowPages::Page(const QString &name) const
{
    for (TformIncl *p : pages_)
        if (p->PageName() == name)
            return p;
    return nullptr;
}

bool TShadowPages::CopyFrom(const QList<TformIncl *> &pages, const QString &file, QString *error)
{
    if (!file.isEmpty()) {
        const QFileInfo info(file);
        if (!info.isFile() || !info.isReadable()) {
            if (error)
                *error = QStringLiteral("Файл настроек %1 не читается").arg(file);
            return false;
        }
    }
    for (TformIncl *p : pages)
        if (auto *from = qobject_cast<TformEvents *>(p))
            if (auto *to = qobject_cast<TformEvents *>(Page(p->PageName())))
                to->ConnectedAtLeast600 = Firmware ? Firmware : from->ConnectedAtLeast600;
    // The settings-file form in memory: a scratch file that is never kept.
    QTemporaryDir scratch;
    {
        TIniFile ini(scratch.path() + QStringLiteral("/pages.ini"));
        for (TformIncl *p : pages)
            if (Page(p->PageName()))
                p->SaveToIni(ini);
        for (TformIncl *p : pages_)
            p->LoadFromIni(ini);
    }
    FollowVisibility(pages);
    if (!file.isEmpty()) {
        TIniFile ini(file);
        for (TformIncl *p : pages_)
            p->LoadFromIni(ini);
    }
    return true;
}

void TShadowPages::FollowVisibility(const QList<TformIncl *> &pages)
{
    for (TformIncl *from : pages) {
        TformIncl *to = Page(from->PageName());
        if (!to)
            continue;
        if (auto *e = qobject_cast<TformEvents *>(from))
            static_cast<TformEvents *>(to)->SetKindVisible(5, e->KindVisible(5));
        if (auto *c = qobject_cast<TformCommon *>(from)) {
            static_cast<TformCommon *>(to)->SetFixTridShown(!c->cbFixtrid->isHidden());
        }
        for (QWidget *w : from->findChildren<QWidget *>()) {
            if (w->objectName().isEmpty())
                continue;
            if (QWidget *twin = to->findChild<QWidget *>(w->objectName()))
                twin->setHidden(w->isHidden());
        }
    }
}

QList<QWidget *> ValueControls(const QList<TformIncl *> &pages)
{
    QList<QWidget *> out;
    for (TformIncl *p : pages)
        for (QWidget *w : p->Controls())
            if (TformIncl::KindOf(w) != TControlKind::ckLabel)
                out << w;
    return out;
}

QString ShownValue(const QWidget *control)
{
    if (auto *cb = qobject_cast<const QComboBox *>(control))
        return cb->currentIndex() < 0 ? QStringLiteral("(не выбрано)") : cb->currentText();
    if (auto *e = qobject_cast<const QLineEdit *>(control))
        return e->text();
    if (auto *s = qobject_cast<const QSpinBox *>(control))
        return QString::number(s->value());
    if (auto *rb = qobject_cast<const QRadioButton *>(control))
        return rb->isChecked() ? QStringLiteral("выбрано") : QStringLiteral("не выбрано");
    if (auto *b = qobject_cast<const QAbstractButton *>(control))
        return b->isChecked() ? QStringLiteral("вкл") : QStringLiteral("выкл");
    return QString();
}

void CopyValue(const QWidget *from, QWidget *to)
{
    if (auto *cb = qobject_cast<const QComboBox *>(from)) {
        if (auto *t = qobject_cast<QComboBox *>(to)) {
            // By the entry's text: lists built for another firmware differ.
            const int i = t->findText(cb->currentText(), Qt::MatchExactly);
            t->setCurrentIndex(cb->currentIndex() < 0 ? -1 : i >= 0 ? i : cb->currentIndex());
        }
    } else if (auto *e = qobject_cast<const QLineEdit *>(from)) {
        if (auto *t = qobject_cast<QLineEdit *>(to))
            t->setText(e->text());
    } else if (auto *s = qobject_cast<const QSpinBox *>(from)) {
        if (auto *t = qobject_cast<QSpinBox *>(to))
            t->setValue(s->value());
    } else if (auto *b = qobject_cast<const QAbstractButton *>(from)) {
        if (auto *t = qobject_cast<QAbstractButton *>(to))
            t->setChecked(b->isChecked());
    }
}

TformIncl *PageOf(const QObject *object)
{
    for (QObject *o = const_cast<QObject *>(object); o; o = o->parent())
        if (auto *p = qobject_cast<TformIncl *>(o))
            return p;
    return nullptr;
}

QString CaptionOf(const QObject *object)
{
    QString text;
    if (auto *l = qobject_cast<const QLabel *>(object))
        text = l->text();
    else if (auto *b = qobject_cast<const QAbstractButton *>(object))
        text = b->text();
    if (text.isEmpty())
        if (auto *w = qobject_cast<const QWidget *>(object))
            text = w->accessibleName();
    text.remove(QLatin1Char('&'));
    return text.simplified();
}

// ---- read capture ----

TReadCapture::TReadCapture()
    : queue_(std::make_unique<TOutArray>()), marker_(std::make_unique<QObject>())
{
}

TReadCapture::~TReadCapture() = default;

void TReadCapture::Sent(const QString &line)
{
    queue_->PutText(marker_.get(), line);
}

void TReadCapture::Mark(QObject *label, bool ok)
{
    queue_->PutLabelColor(label, ok ? "clBlue" : "clRed");
}

namespace
{
QHash<QWidget *, QString> Snapshot(const QList<QWidget *> &controls)
{
    QHash<QWidget *, QString> values;
    for (QWidget *w : controls)
        values.insert(w, ShownValue(w));
    return values;
}
} // namespace

QList<TRead> TReadCapture::Apply(const QList<TformIncl *> &pages)
{
    const QList<QWidget *> controls = ValueControls(pages);
    QHash<QWidget *, QString> before = Snapshot(controls);
    QList<TRead> reads;
    QHash<QString, int> byName;
    QSet<QString> redMarked;
    TRead *current = nullptr;
    const auto touch = [&current](const TTarget &t) {
        if (current && !current->controls.contains(t))
            current->controls << t;
    };
    while (std::unique_ptr<TOutElement> e = queue_->Take()) {
        if (e->kind == 2) {
            const auto &c = static_cast<const TControlOut &>(*e);
            if (c.control == marker_.get()) {
                const QString name = c.text.mid(1);
                if (!byName.contains(name)) {
                    byName.insert(name, reads.size());
                    reads.append(TRead{name, false, {}, {}});
                }
                current = &reads[byName.value(name)];
                redMarked.remove(name);
                continue;
            }
        }
        if (e->kind == 11 && current) {
            const auto &c = static_cast<const TControlOut &>(*e);
            if (!current->labels.contains(c.control.data()))
                current->labels << c.control.data();
            if (c.text != QLatin1String("clBlue"))
                redMarked.insert(current->name);
        }
        TOutArray::Apply(*e, nullptr, QString());
        if (e->kind == 13 && current) {
            const auto &g = static_cast<const TOutStringGrid &>(*e);
            touch(TTarget{g.grid.data(), g.row, g.column});
        } else if (e->kind == 2 && current) {
            const auto &c = static_cast<const TControlOut &>(*e);
            if (auto *w = qobject_cast<QWidget *>(c.control.data()); w && before.contains(w))
                touch(TTarget{w});
        }
        // A step run on the page (a list found by its caption) shows as a change.
        // Only on the page of the setting's labels: a page that follows
        // another's switch changes too, but reads nothing.
        const QHash<QWidget *, QString> after = Snapshot(controls);
        for (QWidget *w : controls) {
            if (after.value(w) == before.value(w) || !current)
                continue;
            bool samePage = current->labels.isEmpty();
            for (QObject *l : current->labels)
                samePage = samePage || PageOf(l) == PageOf(w);
            if (samePage)
                touch(TTarget{w});
        }
        before = after;
    }
    // A setting counts as read when a value arrived, or when every label it
    // marked turned blue.
    for (TRead &r : reads)
        r.ok = !r.controls.isEmpty() || (!r.labels.isEmpty() && !redMarked.contains(r.name));
    return reads;
}

// ---- dry run ----

TWriteImage DryWrite(const QList<TformIncl *> &pages, int versionMajor, int versionMinor,
                     const QStringList &names)
{
    QList<TEvent> events;
    TDryLine dry;
    TRecordingExchange line(&dry, [&events](const QString &sent) {
        events.append(TEvent{TEvent::Sent, sent, nullptr, false});
    });
    TDevTrevalo dev(&line);
    TOutArray scratch;
    TToolContext ctx;
    ctx.Dev = &dev;
    ctx.Out = &scratch;
    ctx.VersionMajor = versionMajor;
    ctx.VersionMinor = versionMinor;
    // Only the values matter here: no warning about a server name.
    ctx.ServerNameSupported = true;
    ctx.link = &line;
    ctx.mark = [&events](QObject *label, bool ok) {
        events.append(TEvent{TEvent::Mark, {}, label, ok});
    };
    ctx.memo = [&events](const QString &text) {
        events.append(TEvent{TEvent::Memo, text, nullptr, false});
    };
    for (TformIncl *p : pages)
        if (p->WrittenByWriteAll())
            p->Write(ctx);
    // What the routines queued belongs to these scratch pages.
    while (std::unique_ptr<TOutElement> e = scratch.Take())
        TOutArray::Apply(*e, nullptr, QString());
    return AnalyseWrite(events, names);
}
