#include "CConvertConsole.h"

#include "ProgressLine.h"

#include <QCoreApplication>

#include <unistd.h>

namespace {

// Without a terminal, one progress line per tenth of an item keeps logs short.
constexpr int kLogStep = 1000;

} // namespace

CConvertConsole::CConvertConsole(std::FILE* out, std::FILE* err)
    : out_(out), err_(err), tty_(::isatty(::fileno(err)) != 0) {}

CConvertConsole::~CConvertConsole() {
    stopMessages();
}

void CConvertConsole::endLine() {
    if (openLine_) {
        std::fputc('\n', err_);
        openLine_ = false;
    }
}

void CConvertConsole::itemState(const MediaItem& item) {
    endLine();
    std::fprintf(err_, "%s: %s\n", item.displayName.c_str(), item.stateText().c_str());
    std::fflush(err_);
}

void CConvertConsole::progress(const MediaItem& item) {
    const int value = item.progress.load();
    if (tty_) {
        // Back to the start of the line and clear what a longer line left there.
        std::fprintf(err_, "\r%s\x1b[K", progressLine_.text(item).c_str());
        openLine_ = true;
    } else {
        const int step = value / kLogStep;
        if (&item == lastItem_ && step == lastStep_) {
            return;
        }
        lastItem_ = &item;
        lastStep_ = step;
        std::fprintf(err_, "%s\n", progressLine_.text(item).c_str());
    }
    std::fflush(err_);
}

intptr_t CConvertConsole::onMessage(unsigned msg, uintptr_t, intptr_t lParam) {
    if (msg == kMsgOutputFinished) {
        endLine();
        std::fprintf(out_, "%s\n", reinterpret_cast<const char*>(lParam));
        std::fflush(out_);
        ++outputs_;
        return 0;
    }
    if (msg != kMsgConvertNotify || lParam == 0) {
        return 0;
    }
    const auto* slot = reinterpret_cast<const VelNotification*>(lParam);
    switch (slot->code) {
    case kNotifyItemState:
    case kNotifyItemFailed:
        if (slot->subject) {
            itemState(*static_cast<const MediaItem*>(slot->subject));
        }
        return 0;
    case kNotifyProgress:
        if (slot->subject) {
            progress(*static_cast<const MediaItem*>(slot->subject));
        }
        return 0;
    case kNotifyConversionOver:
        endLine();
        over_ = true;
        QCoreApplication::exit(0);
        return 0;
    case kNotifyOutputExists:
        // Nobody to ask: a unique name never overwrites anything.
        return kRenameAuto;
    default:
        return 0;
    }
}
