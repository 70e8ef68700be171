#pragma once
#include <QList>
#include <QString>
#include <functional>
#include <memory>

#include "tools/SettingsCompare.h"

class QWidget;
class TformIncl;
class TformCommon;
class TformGPRS;
class TformEvents;
class TformPhones;
class TOutArray;
struct TPageVersion;

// Hidden copies of the settings pages (those "write all" writes), never
// shown: the tools read the tracker into them and run the pages' own write
// routines on them, so the window's pages keep their values.
class TShadowPages
{
  public:
    TShadowPages();
    ~TShadowPages();
    TShadowPages(const TShadowPages &) = delete;
    TShadowPages &operator=(const TShadowPages &) = delete;

    const QList<TformIncl *> &Pages() const { return pages_; }
    // The page of this set with the same name, or null.
    TformIncl *Page(const QString &name) const;
    // Every value as the given pages hold it (through the settings-file form,
    // so the pages' own load steps run), then the file on top when one is
    // given, as "Загрузить" would load it. False when the file cannot be read.
    bool CopyFrom(const QList<TformIncl *> &pages, const QString &file = {},
                  QString *error = nullptr);
    // Rows shown or hidden as the window's pages show them for the tracker.
    void FollowVisibility(const QList<TformIncl *> &pages);
    // The firmware the copies load for ("at least 600.NN"); unset, they follow
    // the window's connected tracker. A page drops values its firmware lacks.
    std::function<bool(int minor)> Firmware;

  private:
    QList<TformIncl *> pages_;
    std::unique_ptr<QWidget> host_;
};

// The value controls of the pages, in page order.
QList<QWidget *> ValueControls(const QList<TformIncl *> &pages);
// A control's value as the user sees it ("вкл", the list entry, the text).
QString ShownValue(const QWidget *control);
// The value of one control put on another of the same kind.
void CopyValue(const QWidget *from, QWidget *to);
// The page that holds a control or label.
TformIncl *PageOf(const QObject *object);
// The caption a user knows a setting by: its label's text, or the control's.
QString CaptionOf(const QObject *labelOrControl);

// Collects what the pages' read routines queue (each request line, label
// marks, values) and applies it, in order, to the pages it was meant for,
// telling which setting gave which controls their values.
class TReadCapture
{
  public:
    TReadCapture();
    ~TReadCapture();
    // Worker side.
    void Sent(const QString &line);
    void Mark(QObject *label, bool ok);
    TOutArray &Queue() { return *queue_; }
    // User interface thread, after the routines ended.
    QList<settingscompare::TRead> Apply(const QList<TformIncl *> &pages);

  private:
    std::unique_ptr<TOutArray> queue_;
    std::unique_ptr<QObject> marker_;
};

// What the write routines of the pages would send, without sending
// anything (user interface thread). Labels and memo lines go nowhere.
settingscompare::TWriteImage DryWrite(const QList<TformIncl *> &pages, int versionMajor,
                                      int versionMinor, const QStringList &names);
