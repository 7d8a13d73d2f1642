#pragma once

#include <QFlags>
#include <QObject>
#include <QString>
#include <functional>

namespace quorvane {

// Extended styles of a list, one bit each (member i is bit 1 << i).
enum TLVExtendedStyle : unsigned {
    lvxGridLines = 0x01,
    lvxSubItemImages = 0x02,
    lvxCheckboxes = 0x04,
    lvxTrackSelect = 0x08,
    lvxHeaderDragDrop = 0x10,
    lvxFullRowSelect = 0x20,
    lvxOneClickActivate = 0x40,
    lvxTwoClickActivate = 0x80,
};
Q_DECLARE_FLAGS(TLVExtendedStyles, TLVExtendedStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TLVExtendedStyles)

inline constexpr unsigned ExtendedStyleBits = 0xFF;

enum TAutoColumnSort { acsNoSort = 0, acsSort = 1, acsSortToggle = 2 };

// What an item-info handler is asked for; the bits are the item record's mask bits.
enum TLVODMaskItem : unsigned {
    odmText = 0x01,
    odmImage = 0x02,
    odmParam = 0x04,
    odmState = 0x08,
    odmIndent = 0x10,
};
Q_DECLARE_FLAGS(TLVODMaskItems, TLVODMaskItem)
Q_DECLARE_OPERATORS_FOR_FLAGS(TLVODMaskItems)

// Row states of the notification records.
inline constexpr unsigned lvisFocused = 0x01;
inline constexpr unsigned lvisSelected = 0x02;

// Notification codes carried in the records' headers.
inline constexpr int lvnItemActivate = -114;
inline constexpr int lvnODStateChanged = -115;
inline constexpr int lvnODCacheHint = -113;
inline constexpr int lvnGetDispInfo = -150;
inline constexpr int lvnODFindItem = -152;
inline constexpr int lvnMarqueeBegin = -156;

struct TLVNotifyHeader {
    QObject* From = nullptr;
    int Code = 0;
};

// One cell request of a virtual list. The text goes into a buffer of TextMax characters, the
// terminating zero included.
struct TLVItemRequest {
    unsigned Mask = 0;
    int Item = -1;
    int SubItem = 0;
    int State = 0;
    char16_t* Text = nullptr;
    int TextMax = 0;
    int Image = -1;
    qint32 Param = 0;
    int Indent = 0;
};

// Rows From to To (inclusive) are about to be painted.
struct TLVCacheHint {
    TLVNotifyHeader Header;
    int From = 0;
    int To = 0;
};

inline constexpr unsigned lvfiParam = 0x01;
inline constexpr unsigned lvfiString = 0x02;
inline constexpr unsigned lvfiPartial = 0x08;
inline constexpr unsigned lvfiWrap = 0x20;

// A find request of keyboard type-ahead: the row whose text starts with Text, searching from
// Start. A handler that finds one sets Found to its row.
struct TLVFindItem {
    TLVNotifyHeader Header;
    int Start = 0;
    unsigned Flags = 0;
    QString Text;
    qint32 Param = 0;
    int Found = -1;
};

// Rows From to To (inclusive) changed their state from OldState to NewState.
struct TLVODStateChange {
    TLVNotifyHeader Header;
    int From = 0;
    int To = 0;
    unsigned NewState = 0;
    unsigned OldState = 0;
};

// The extended list's events, Sender first, in the control-event vocabulary's manner.
using TLVMarqueeBeginEvent = std::function<void(QObject* Sender, bool& CanBegin)>;
using TLVODGetItemInfoEvent = std::function<void(QObject* Sender, int Item, int SubItem,
    TLVODMaskItems Mask, int& Image, qint32& Param, int& State, int& Indent, QString& Text)>;
using TLVODCacheHintEvent = std::function<void(QObject* Sender, TLVCacheHint& HintInfo)>;
using TLVODFindItemEvent = std::function<void(QObject* Sender, TLVFindItem& FindInfo, bool& Found)>;
using TLVODStateChangedEvent = std::function<void(QObject* Sender, TLVODStateChange& StateInfo)>;

} // namespace quorvane
