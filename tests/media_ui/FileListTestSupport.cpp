#include "FileListTestSupport.h"

#include "PaneItem.h"
#include "SkinArchiveWriter.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <fstream>

namespace {

const char* const kSheet = R"(<?xml version="1.0" encoding="UTF-8"?>
<velskin>
<wnd id="0" bkmode="1" gradmode="1" bkbegin="40,40,40" bkend="40,40,40" border="0,0,0">
<obj id="0" bkmode="1" gradmode="1" bkbegin="60,60,60" bkend="60,60,60" bkhi="0,0,220" border="0,0,150" text="255,255,255" texthi="10,10,10" textgray="192,192,192" fontname="Liberation Sans" fontsize="90" fontstyle=""/>
</wnd>
<wnd id="109" bkmode="1" gradmode="1" bkbegin="250,250,250" bkend="250,250,250" border="0,0,0">
<obj id="0" bkmode="1" bkbegin="230,230,230" bkend="230,230,230" text="0,0,255" texthi="0,0,255" textgray="255,0,0" fontname="Liberation Sans" fontsize="90" fontstyle=""/>
<obj id="1" fontstyle="b"/>
</wnd>
<wnd id="160" bkmode="1" gradmode="1" bkbegin="16,32,48" bkend="16,32,48" border="200,100,0">
<obj id="0" text="255,255,255" textgray="128,128,128" fontname="Liberation Sans" fontsize="100"/>
</wnd>
<color id="104" name="thumb" value="120,0,120"/>
<color id="106" name="bar empty" value="180,180,180"/>
<color id="107" name="bar filled" value="0,200,0"/>
<color id="110" name="arrow hot" value="255,128,0"/>
<color id="113" name="focus" value="200,255,200"/>
<color id="117" name="frame" value="0,0,0"/>
</velskin>
)";

} // namespace

ListTestSkin::ListTestSkin() {
    const int loaded = loadTestSkin(m_skin, m_dir.path(), "List.skin", kSheet, [](int id) {
        if (id == CVelSkin::kCheckboxNormal || id == CVelSkin::kCheckboxChecked)
            return TestImage{
                QSize(10, 10),
                QColor::fromRgba(id == CVelSkin::kCheckboxChecked ? kBoxChecked : kBoxNormal)};
        return TestImage{QSize(24, 24), QColor::fromHsv((id * 37) % 360, 200, 220)};
    });
    EXPECT_EQ(loaded, 1);
}

NotifyRecorder::NotifyRecorder() = default;

NotifyRecorder::~NotifyRecorder() {
    stopMessages();
}

intptr_t NotifyRecorder::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    Note note;
    note.msg = msg;
    if (msg == kMsgPaneNotify && lParam) {
        const auto* record = reinterpret_cast<const PaneNotify*>(lParam);
        note.code = static_cast<unsigned>(wParam);
        note.paneId = record->paneId;
        note.itemId = record->item ? record->item->id : 0;
        note.index = record->index;
    } else if (lParam) {
        note.text = reinterpret_cast<const char*>(lParam);
    }
    calls.push_back(note);
    if (onNote)
        onNote(note);
    return 0;
}

std::vector<NotifyRecorder::Note> NotifyRecorder::notes(unsigned code) const {
    std::vector<Note> out;
    for (const Note& note : calls)
        if (note.msg == kMsgPaneNotify && note.code == code)
            out.push_back(note);
    return out;
}

std::vector<unsigned> NotifyRecorder::codes() const {
    std::vector<unsigned> out;
    for (const Note& note : calls)
        if (note.msg == kMsgPaneNotify)
            out.push_back(note.code);
    return out;
}

MediaItem makeItem(const std::string& name, int32_t stateFlags) {
    MediaItem item;
    item.displayName = name;
    item.sourcePath = "/media/" + name;
    item.stateFlags = stateFlags;
    return item;
}

int countPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& match) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (match(image.pixel(x, y)))
                ++n;
    return n;
}

bool bluish(QRgb c) {
    return qBlue(c) > qRed(c) + 60 && qBlue(c) > qGreen(c) + 60;
}

bool reddish(QRgb c) {
    return qRed(c) > qBlue(c) + 60 && qRed(c) > qGreen(c) + 60;
}
