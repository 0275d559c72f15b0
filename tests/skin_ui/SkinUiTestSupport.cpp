#include "SkinUiTestSupport.h"

#include "PaneItem.h"
#include "SkinArchiveWriter.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <fstream>

QSize TestSkin::imageSize(int id) {
    if (id == CVelSkin::kAddFile)
        return QSize(26, 24);
    if (id >= 1 && id <= 6)
        return QSize(20, 20);
    if (id >= 24 && id <= 28)
        return QSize(100, 100);
    if (id >= 29 && id <= 32)
        return QSize(10, 10);
    return QSize(24, 24);
}

QColor TestSkin::imageColor(int id) {
    if (id == CVelSkin::kAddFile)
        return QColor(255, 0, 0);
    if (id == CVelSkin::kCheckboxChecked)
        return QColor(0, 200, 0);
    return QColor::fromHsv((id * 37) % 360, 200, 220).toRgb();
}

namespace {

const char* const kSheet = R"(<?xml version="1.0" encoding="UTF-8"?>
<velskin>
<wnd id="0" bkmode="1" gradmode="1" bkbegin="40,40,40" bkend="40,40,40" border="0,0,0">
<obj id="0" bkmode="1" gradmode="1" bkbegin="60,60,60" bkend="60,60,60" bkhi="0,0,220" border="0,0,150" text="255,255,255" texthi="10,10,10" textgray="192,192,192" fontname="Times New Roman" fontsize="90" fontstyle=""/>
</wnd>
<wnd id="555" bkmode="1" gradmode="1" bkbegin="80,48,16" bkend="80,48,16" border="0,0,0">
</wnd>
</velskin>
)";

} // namespace

TestSkin::TestSkin() {
    const int loaded = loadTestSkin(m_skin, m_dir.path(), "Test.skin", kSheet, [](int id) {
        return TestImage{imageSize(id), imageColor(id)};
    });
    EXPECT_EQ(loaded, 1);
}

RecordingTarget::RecordingTarget() = default;

RecordingTarget::~RecordingTarget() {
    stopMessages();
}

intptr_t RecordingTarget::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    Call call;
    call.msg = msg;
    call.wParam = wParam;
    call.lParam = lParam;
    if (msg == kMsgPaneNotify && lParam) {
        call.notify = *reinterpret_cast<const PaneNotify*>(lParam);
        call.itemId = call.notify.item ? call.notify.item->id : 0;
    }
    if (textInWParam && wParam)
        call.text = reinterpret_cast<const char*>(wParam);
    calls.push_back(call);
    return answer ? answer(call) : 1;
}

std::vector<unsigned> RecordingTarget::messages() const {
    std::vector<unsigned> out;
    for (const Call& call : calls)
        out.push_back(call.msg);
    return out;
}

std::vector<RecordingTarget::Call> RecordingTarget::callsOf(unsigned msg) const {
    std::vector<Call> out;
    for (const Call& call : calls)
        if (call.msg == msg)
            out.push_back(call);
    return out;
}
