#pragma once
#include <QString>
#include <functional>
#include <type_traits>

#include <QLabel>

#include "device/DevTrevalo.h"
#include "platform/UiThread.h"
#include "session/SessionPage.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QObject;
class TDevTrevalo;
class TOutArray;

// Runs f on the user interface thread and returns its result: the worker
// takes every control value this way, at the moment it sends it.
template <typename F> auto FromUi(F f)
{
    using R = std::invoke_result_t<F>;
    R result{};
    RunOnUiThread([&] { result = f(); });
    return result;
}

namespace PageValues
{
// A decimal integer (blanks around it allowed) within [min, max].
bool ParseNumber(const QString &text, int min, int max, int &value);
// The text as a memo line may show it: control characters as [hex].
QString Printable(const QString &text);
} // namespace PageValues

// Worker-side steps shared by the pages. Each refusal marks the label red
// (when there is one) and writes one memo line naming the field and its text.
namespace PageIo
{
QString Text(const QLineEdit *edit);
bool Checked(const QAbstractButton *button);
int Index(const QComboBox *list);
QString Caption(const QLabel *label);

// field names the value in the memo line; empty means the label's caption.
void Refuse(TPageContext &ctx, QLabel *label, const QString &field, const QString &reason);
// A number within [min, max] from text, or a refusal.
bool TakeNumber(TPageContext &ctx, QLabel *label, const QString &field, const QString &text,
                int min, int max, int &value);
// A text that can go on the line, or a refusal; an empty text is refused
// unless allowed.
bool TakeText(TPageContext &ctx, QLabel *label, const QString &field, const QString &text,
              bool allowEmpty);

void Put(TPageContext &ctx, QObject *control, int value);
void Put(TPageContext &ctx, QObject *control, bool value);
void Put(TPageContext &ctx, QObject *control, const QString &value);
// A value read for a text field must fit it whole: a cut value would go back
// cut with the next write. When it does not fit, the read counts as failed:
// red label, a memo line naming the value, and the field keeps its text.
bool Fits(TPageContext &ctx, QLabel *label, QObject *control, const QString &text,
          const QString &field = {});
// The same for a value outside the range its field shows unchanged.
bool InRange(TPageContext &ctx, QLabel *label, const QString &shown, int value, int min, int max);

// One setting read: its label turns blue or red, and a value that arrived
// (and fits its field) goes to its control.
template <typename T>
bool ReadInto(TPageContext &ctx, QLabel *label, QObject *control, bool (TDevTrevalo::*read)(T &))
{
    T value{};
    if (!(ctx.Dev->*read)(value)) {
        ctx.MarkLabel(label, false);
        return false;
    }
    if constexpr (std::is_same_v<T, QString>) {
        if (!Fits(ctx, label, control, value))
            return false;
    } else if constexpr (std::is_same_v<T, int>) {
        if (!Fits(ctx, label, control, QString::number(value)))
            return false;
    }
    ctx.MarkLabel(label, true);
    Put(ctx, control, value);
    return true;
}
} // namespace PageIo
