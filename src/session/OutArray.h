#pragma once
#include "OutElements.h"
#include <QColor>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <functional>
#include <memory>

class QWidget;

// The queue that carries screen changes from the worker to the user interface
// thread. One producer thread at a time (producers hand over to each other
// through their own synchronisation) and the UI thread as the consumer.
// Nothing is ever dropped or reordered: when a block of slots fills up a new
// block is chained, so a producer never waits (a UI-thread producer could not
// wait for its own drain).
class TOutArray
{
  public:
    TOutArray();
    ~TOutArray();
    TOutArray(const TOutArray &) = delete;
    TOutArray &operator=(const TOutArray &) = delete;

    // Producer side.
    void PutMemoLine(QObject *memo, const QString &text, bool timestamp = true, bool show = true);
    void PutText(QObject *control, const QString &text);
    void PutBool(QObject *control, bool value);  // "-1" / "0"
    void PutNumber(QObject *control, int value); // decimal
    void PutComponentState(QObject *component, const QString &text);
    void PutListRow(QObject *listView, const QString &caption, const QStringList &subItems);
    void PutMessage(const QString &text);
    void PutStatus(const QString &text, QObject *panel);
    void PutLabelColor(QObject *control, const QColor &colour); // as a colour name or "$00BBGGRR"
    void PutLabelColor(QObject *control, const QString &colourName);
    // A literal such as "clBlue" is a colour name, not a QColor.
    void PutLabelColor(QObject *control, const char *colourName)
    {
        PutLabelColor(control, QString::fromLatin1(colourName));
    }
    void PutGridCell(QObject *grid, const QString &text, int row, int column);

    // Consumer side (UI thread only).
    // 0 when empty, otherwise the kind of the next element.
    int Peek() const;
    // The next element, or null when empty.
    std::unique_ptr<TOutElement> Take();
    // Applies everything pending in order and returns how many elements were
    // taken. An element that fails to apply is skipped with a warning. A
    // nested call (from inside a message box or a click) returns 0.
    int Drain(QWidget *messageParent, const QString &appTitle);
    // Applies one element taken from the queue; false when it could not be applied.
    static bool Apply(const TOutElement &element, QWidget *messageParent, const QString &appTitle);

    // Shows a kind 9 message; replaceable so tests can answer it. The default
    // shows a modal QMessageBox with OK and waits for it.
    using MessageHook =
        std::function<void(QWidget *parent, const QString &title, const QString &text)>;
    static MessageHook messageHook;

    // The time-stamp prefix of memo lines: local date (system short format),
    // a blank and local time (system long format).
    static QString TimeStamp();

  private:
    static constexpr int kBlockSize = 1024;
    struct Block {
        std::array<std::unique_ptr<TOutElement>, kBlockSize> cells;
        std::atomic<int> filled{0};         // written by the producer only
        std::atomic<Block *> next{nullptr}; // written by the producer only
        int taken = 0;                      // consumer only
    };
    void Put(std::unique_ptr<TOutElement> element);

    Block *head_; // consumer
    Block *tail_; // producer
    bool draining_ = false;
};

// Apply routines, usable directly. Each returns false when the text does not
// parse for the target (nothing changed then); an unlisted target is left
// alone and counts as applied.
bool ApplyText(QObject *control, const QString &text);
bool ApplyComponent(QObject *component, const QString &text);
bool ApplyColor(QObject *control, const QString &colourText);

// Text conventions of the queue.
// true for a non-zero integer or "true" in any letter case; false otherwise.
bool TextToBool(const QString &text);
// Decimal with optional sign, or "$hex" / "0xhex"; leading blanks allowed.
bool TextToInt(const QString &text, int &value);
// A standard colour name ("clRed", any letter case) or a number
// ("$00BBGGRR" or decimal, blue in the high byte); system colours follow the
// application palette.
bool TextToColor(const QString &text, QColor &colour);
// The standard name when the colour has one, otherwise "$00BBGGRR".
QString ColorToText(const QColor &colour);
