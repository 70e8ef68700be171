#pragma once
#include <QLabel>
#include <QString>

class QDialog;

// A value label: a screen reader hears what it shows together with what it
// is, "Телефон: 89001234567", and hears it again whenever the text changes
// (its own accessible name stays empty, so Qt announces each change). A
// class of its own, since Qt's interface for a plain label comes first.
class TValueLabel : public QLabel
{
    Q_OBJECT
  public:
    TValueLabel(const QString &text, const QString &what, QWidget *parent = nullptr);
    QString What() const { return m_what; }

  private:
    QString m_what;
};

// Hidden controls of the dialog are left out of its accessible children, so
// assistive technology neither finds nor presses them.
void HideHiddenChildrenFromAccessibility(QDialog *dialog);
