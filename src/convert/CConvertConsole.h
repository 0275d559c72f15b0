#pragma once

// movara-convert's stand-in for the main window: the message target CVelConvert notifies. It
// writes states and progress to stderr, each finished output (message 3246) to stdout, answers
// an existing-output question with "automatic unique name", and leaves the event loop when the
// conversion is over (code 4).

#include "CVelConvert.h"
#include "MessageTarget.h"
#include "ProgressLine.h"

#include <cstdio>

class CConvertConsole : public MessageTarget {
public:
    CConvertConsole(std::FILE* out = stdout, std::FILE* err = stderr);
    ~CConvertConsole() override;

    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    // True once code 4 arrived.
    bool over() const { return over_; }
    int outputs() const { return outputs_; }
    // No more messages from here on (before the engine object shuts down).
    void close() { stopMessages(); }

private:
    void itemState(const MediaItem& item);
    void progress(const MediaItem& item);
    void endLine();

    std::FILE* out_;
    std::FILE* err_;
    bool tty_ = false;
    ProgressLine progressLine_;
    bool openLine_ = false; // a progress line without its newline on a terminal
    const MediaItem* lastItem_ = nullptr;
    int lastStep_ = -1;
    bool over_ = false;
    int outputs_ = 0;
};
