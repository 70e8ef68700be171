#include "OutArray.h"
#include <QPainter>
TOutArray::MessageHook TOutArray::messageHook;
TOutArray::TOutArray() : head_(new Block), tail_(head_) {}
TOutArray::~TOutArray() { delete head_; }
void TOutArray::PutMemoLine(QObject *, const QString &, bool, bool) {}
void TOutArray::PutText(QObject *, const QString &) {}
void TOutArray::PutBool(QObject *, bool) {}
void TOutArray::PutNumber(QObject *, int) {}
void TOutArray::PutComponentState(QObject *, const QString &) {}
void TOutArray::PutListRow(QObject *, const QString &, const QStringList &) {}
void TOutArray::PutMessage(const QString &) {}
void TOutArray::PutStatus(const QString &, QObject *) {}
void TOutArray::PutLabelColor(QObject *, const QColor &) {}
void TOutArray::PutLabelColor(QObject *, const QString &) {}
void TOutArray::PutGridCell(QObject *, const QString &, int, int) {}
int TOutArray::Peek() const { return 0; }
std::unique_ptr<TOutElement> TOutArray::Take() { return nullptr; }
int TOutArray::Drain(QWidget *, const QString &) { return 0; }
bool TOutArray::Apply(const TOutElement &, QWidget *, const QString &) { return true; }
QString TOutArray::TimeStamp() { return {}; }
bool ApplyText(QObject *, const QString &) { return true; }
bool ApplyComponent(QObject *, const QString &) { return true; }
bool ApplyColor(QObject *, const QString &) { return true; }
bool TextToBool(const QString &) { return false; }
bool TextToInt(const QString &, int &) { return false; }
bool TextToColor(const QString &, QColor &) { return false; }
QString ColorToText(const QColor &) { return {}; }
TShape::TShape(QWidget *parent) : QWidget(parent) {}
void TShape::setBrushColor(const QColor &c) { brush_ = c; update(); }
QSize TShape::sizeHint() const { return {16, 16}; }
void TShape::paintEvent(QPaintEvent *) {}
