#pragma once

// movara-convert's stand-in for the main window: the message target CVelConvert notifies. It
// writes states and progress to stderr and each finished output (message 3246) to stdout, or,
// with --json, one JSON object per event to stdout; answers an existing-output question with
// "automatic unique name", and leaves the event loop when the conversion is over (code 4).
//
// It also keeps each item's result (finished, failed, skipped) so that every item ends in
// exactly one result, whether or not the droppable state notifications arrived.

#include "CVelConvert.h"
#include "MessageTarget.h"
#include "ProgressLine.h"

#include <cstdio>
#include <functional>
#include <set>
#include <string>

struct ConsoleMode {
    bool json = false;         // stdout carries only JSON lines
    bool quiet = false;        // stderr carries only failures
    bool print0 = false;       // output paths end with NUL
    bool skipExisting = false; // --exists skip: an output that is already there is not made
    bool merge = false;        // one output for all items
};

class CConvertConsole : public MessageTarget {
public:
    CConvertConsole(std::FILE* out = stdout, std::FILE* err = stderr);
    ~CConvertConsole() override;

    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    void setMode(const ConsoleMode& mode) { mode_ = mode; }
    // The items of the run and where each one's output is meant to go (the name before any
    // time stamp), which tells a skip from a renamed output.
    void setItems(const MediaList* items, std::function<std::string(const MediaItem&)> planned);

    // A FILE (or the recording's devices) the engine would not open.
    void loadFailed(const std::string& file, const std::string& reason, bool device = false);
    // An item left alone because its output is there (before or during the run).
    void skipped(const MediaItem& item, const std::string& output);
    // --estimate's answer for one FILE.
    // With a size limit, also the video bit rate the conversion would use.
    void estimate(const std::string& file, int64_t bytes, int64_t videoBitRate = -1);
    // After the run: the result of every item that has none yet. True when every item finished
    // or was skipped.
    bool finish();

    // True once code 4 arrived.
    bool over() const { return over_; }
    int outputs() const { return outputs_; }
    // No more messages from here on (before the engine object shuts down).
    void close() { stopMessages(); }

private:
    void itemState(const MediaItem& item);
    void progress(const MediaItem& item);
    void outputFinished(const std::string& path);
    void done(const MediaItem* item, const char* status, const std::string& output,
              const std::string& reason);
    void endLine();
    int columns() const;
    std::string failureText(const MediaItem& item, const std::string& reason) const;

    std::FILE* out_;
    std::FILE* err_;
    bool tty_ = false;
    ConsoleMode mode_;
    const MediaList* items_ = nullptr;
    std::function<std::string(const MediaItem&)> planned_;
    std::set<const MediaItem*> reported_;
    std::set<const MediaItem*> skipped_; // their late "Finish" is not shown
    ProgressLine progressLine_;
    bool openLine_ = false; // a progress line without its newline on a terminal
    const MediaItem* lastItem_ = nullptr;
    int lastStep_ = -1;
    bool over_ = false;
    bool anyFailed_ = false;
    int outputs_ = 0;
};
