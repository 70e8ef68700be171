#include "app/AccessibleNames.h"

#include <QAccessibleWidget>
#include <QDialog>
#include <QLabel>

namespace
{

const char kHideHiddenProperty[] = "t3AccessibleHideHidden";

class TAccessibleValueLabel : public QAccessibleWidget
{
  public:
    explicit TAccessibleValueLabel(TValueLabel *label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        const auto *label = static_cast<const TValueLabel *>(object());
        const QString what = label->What();
        const QString shown = label->text().trimmed();
        // At start a panel shows its own caption ("Телефон:").
        if (shown.isEmpty() || shown.startsWith(what))
            return shown.isEmpty() ? what : shown;
        return what + QStringLiteral(": ") + shown;
    }
};

class TAccessibleShownChildren : public QAccessibleWidget
{
  public:
    explicit TAccessibleShownChildren(QWidget *w) : QAccessibleWidget(w, QAccessible::Dialog) {}

    int childCount() const override { return int(Shown().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> shown = Shown();
        return index >= 0 && index < shown.size()
                   ? QAccessible::queryAccessibleInterface(shown[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *c) const override
    {
        return c ? int(Shown().indexOf(qobject_cast<QWidget *>(c->object()))) : -1;
    }

  private:
    QList<QWidget *> Shown() const
    {
        QList<QWidget *> out;
        for (QObject *o : widget()->children())
            if (auto *w = qobject_cast<QWidget *>(o); w && !w->isWindow() && !w->isHidden())
                out << w;
        return out;
    }
};

QAccessibleInterface *Factory(const QString &, QObject *object)
{
    auto *w = qobject_cast<QWidget *>(object);
    if (!w)
        return nullptr;
    if (auto *label = qobject_cast<TValueLabel *>(w))
        return new TAccessibleValueLabel(label);
    if (w->property(kHideHiddenProperty).toBool())
        return new TAccessibleShownChildren(w);
    return nullptr;
}

// An interface Qt made for the widget before it was marked (a label
// announces its first text) would otherwise stay in use.
template <typename Wanted> void ForgetEarlierInterface(QWidget *w)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    if (iface && !dynamic_cast<Wanted *>(iface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

void InstallFactory()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(Factory);
}

} // namespace

TValueLabel::TValueLabel(const QString &text, const QString &what, QWidget *parent)
    : QLabel(text, parent), m_what(what)
{
    InstallFactory();
    ForgetEarlierInterface<TAccessibleValueLabel>(this);
}

void HideHiddenChildrenFromAccessibility(QDialog *dialog)
{
    InstallFactory();
    dialog->setProperty(kHideHiddenProperty, true);
    ForgetEarlierInterface<TAccessibleShownChildren>(dialog);
}
