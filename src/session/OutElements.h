#pragma once
#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>

// Elements of the output queue. Targets are held weakly: a control destroyed
// before the drain is skipped instead of being touched.
class TOutElement
{
  public:
    explicit TOutElement(std::uint8_t kind) : kind(kind) {}
    virtual ~TOutElement() = default;
    std::uint8_t kind;
};

// Kind 1: append a line to a memo (QPlainTextEdit).
class TMemoOut : public TOutElement
{
  public:
    TMemoOut(QObject *memo, const QString &text, bool show)
        : TOutElement(1), memo(memo), text(text), show(show)
    {
    }
    QPointer<QObject> memo;
    QString text;
    bool show;
};

// Kind 2 (ApplyText) and kind 11 (ApplyColor).
class TControlOut : public TOutElement
{
  public:
    TControlOut(std::uint8_t kind, QObject *control, const QString &text)
        : TOutElement(kind), control(control), text(text)
    {
    }
    QPointer<QObject> control;
    QString text;
};

// Kind 3: ApplyComponent.
class TCompOut : public TOutElement
{
  public:
    TCompOut(QObject *component, const QString &text)
        : TOutElement(3), component(component), text(text)
    {
    }
    QPointer<QObject> component;
    QString text;
};

// Kind 7: a row of a list view (QTreeWidget).
class TFullListOut : public TOutElement
{
  public:
    TFullListOut(QObject *listView, const QString &caption, const QStringList &subItems)
        : TOutElement(7), listView(listView), caption(caption), subItems(subItems)
    {
    }
    QPointer<QObject> listView;
    QString caption;
    QStringList subItems;
};

// Kind 9: a modal message box.
class TMsgOut : public TOutElement
{
  public:
    explicit TMsgOut(const QString &text) : TOutElement(9), text(text) {}
    QString text;
};

// Kind 10: the text of a status bar panel (QLabel).
class TStatusOut : public TOutElement
{
  public:
    TStatusOut(const QString &text, QObject *panel) : TOutElement(10), text(text), panel(panel) {}
    QString text;
    QPointer<QObject> panel;
};

// Kind 13: the text of a string grid cell (QTableWidget).
class TOutStringGrid : public TOutElement
{
  public:
    TOutStringGrid(QObject *grid, int row, int column, const QString &text)
        : TOutElement(13), grid(grid), row(row), column(column), text(text)
    {
    }
    QPointer<QObject> grid;
    int row;
    int column;
    QString text;
};

// A filled circle (the lamps of the Flags page); kind 2 text sets its colour.
class TShape : public QWidget
{
    Q_OBJECT
  public:
    explicit TShape(QWidget *parent = nullptr);
    void setBrushColor(const QColor &colour);
    QColor brushColor() const { return brush_; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    QColor brush_ = Qt::white;
};
