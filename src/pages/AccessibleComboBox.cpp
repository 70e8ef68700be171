#include "pages/AccessibleComboBox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace
{

// The list's view and its edit as children, and the popup as action, as
// Qt's own list interface offers them.
class TAccessibleComboBox : public QAccessibleWidget
{
  public:
    explicit TAccessibleComboBox(QComboBox *list) : QAccessibleWidget(list, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        QComboBox *list = combo();
        if (t == QAccessible::Name) {
            const QString name = QAccessibleWidget::text(t);
            return name.isEmpty() ? list->currentText() : name;
        }
        if (t == QAccessible::Value)
            return list->isEditable() && list->lineEdit() ? list->lineEdit()->text()
                                                          : list->currentText();
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return combo()->lineEdit() ? 2 : 1; }

    QAccessibleInterface *child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(combo()->view());
        if (index == 1 && combo()->lineEdit())
            return QAccessible::queryAccessibleInterface(combo()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface *c) const override
    {
        if (!c)
            return -1;
        if (c->object() == combo()->view())
            return 0;
        if (combo()->lineEdit() && c->object() == combo()->lineEdit())
            return 1;
        return -1;
    }

    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = combo()->view()->isVisible();
        s.collapsed = !s.expanded;
        return s;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }

    void doAction(const QString &name) override
    {
        if (name != showMenuAction() && name != pressAction())
            return;
        if (combo()->view()->isVisible())
            combo()->hidePopup();
        else
            combo()->showPopup();
    }

    QStringList keyBindingsForAction(const QString &) const override { return {}; }

  private:
    QComboBox *combo() const { return static_cast<QComboBox *>(object()); }
};

QAccessibleInterface *Factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("QComboBox"))
        if (auto *list = qobject_cast<QComboBox *>(object))
            return new TAccessibleComboBox(list);
    return nullptr;
}

} // namespace

void InstallAccessibleComboBoxNames()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(Factory);
}
