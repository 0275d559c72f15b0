#include "CConvertConsole.h"

#include "PlatformServices.h"
#include "ProgressLine.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace {

// Without a terminal, one progress line per tenth of an item keeps logs short; JSON gets one
// object per whole percent.
constexpr int kLogStep = 1000;
constexpr int kJsonStep = 100;

QJsonValue text(const std::string& value) {
    return QJsonValue(QString::fromStdString(value));
}

QJsonValue textOrNull(const std::string& value) {
    return value.empty() ? QJsonValue(QJsonValue::Null) : text(value);
}

std::string bytesText(uint64_t bytes) {
    char text[32];
    if (bytes < (1u << 20))
        std::snprintf(text, sizeof text, "%.0f KB", bytes / 1024.0);
    else if (bytes < (1u << 30))
        std::snprintf(text, sizeof text, "%.1f MB", bytes / 1048576.0);
    else
        std::snprintf(text, sizeof text, "%.2f GB", bytes / 1073741824.0);
    return text;
}

} // namespace

CConvertConsole::CConvertConsole(std::FILE* out, std::FILE* err)
    : out_(out), err_(err), tty_(::isatty(::fileno(err)) != 0) {}

CConvertConsole::~CConvertConsole() {
    stopMessages();
}

void CConvertConsole::setItems(const MediaList* items,
                               std::function<std::string(const MediaItem&)> planned) {
    items_ = items;
    planned_ = std::move(planned);
}

int CConvertConsole::columns() const {
    winsize size{};
    if (::ioctl(::fileno(err_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    const char* env = std::getenv("COLUMNS");
    const int fromEnv = env ? std::atoi(env) : 0;
    return fromEnv > 0 ? fromEnv : 80;
}

void CConvertConsole::endLine() {
    if (openLine_) {
        std::fputc('\n', err_);
        openLine_ = false;
    }
}

void CConvertConsole::itemState(const MediaItem& item) {
    const bool failed = item.hasState(kItemConvertFailed);
    if (failed && !reported_.count(&item)) {
        done(&item, "failed", {}, item.failureReason);
        return;
    }
    if (mode_.json || mode_.quiet || skipped_.count(&item))
        return;
    endLine();
    std::fprintf(err_, "%s: %s\n", shownName(item).c_str(), item.stateText().c_str());
    std::fflush(err_);
}

void CConvertConsole::progress(const MediaItem& item) {
    const int value = item.progress.load();
    if (mode_.json) {
        const int step = value / kJsonStep;
        if (&item == lastItem_ && step == lastStep_)
            return;
        lastItem_ = &item;
        lastStep_ = step;
        const ProgressFigures figures = progressLine_.figures(item);
        QJsonObject object{
            {"event", "progress"},
            {"file", text(item.sourcePath)},
            {"percent", figures.percent},
            {"elapsed", figures.elapsedMs / 1000.0},
            {"remaining", figures.remainingMs / 1000.0},
            {"speed", figures.speed ? QJsonValue(*figures.speed) : QJsonValue(QJsonValue::Null)}};
        std::fprintf(out_, "%s\n",
                     QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
        std::fflush(out_);
        return;
    }
    if (mode_.quiet)
        return;
    if (tty_) {
        // Back to the start of the line and clear what a longer line left there; one column
        // short of the width, so the terminal never wraps it.
        const size_t width = size_t(std::max(columns() - 1, 1));
        std::fprintf(err_, "\r%s\x1b[K", progressLine_.text(item, width).c_str());
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

// The disk check's message counts whole megabytes, which says "0" for a small output: on the
// command line it gives the figures as they are.
std::string CConvertConsole::failureText(const MediaItem& item, const std::string& reason) const {
    const std::string shortage = "Disk space is not enough.";
    if (reason.rfind(shortage, 0) != 0 || !planned_)
        return reason;
    uint64_t needed = 0;
    if (mode_.merge && items_) {
        for (const auto& other : *items_)
            if (other->hasState(kItemChecked))
                needed += uint64_t(std::max<int64_t>(other->outputEstimate, 0));
    } else {
        needed = uint64_t(std::max<int64_t>(item.outputEstimate, 0));
    }
    const std::string folder = std::filesystem::path(planned_(item)).parent_path().string();
    PlatformServices& services = platformServices();
    const std::optional<uint64_t> room = services.freeDiskSpace(folder);
    if (!room)
        return reason;
    return shortage + " About " + bytesText(needed) + " are needed, " + bytesText(*room) +
           " are free on " + services.mountPointOf(folder) + ".";
}

void CConvertConsole::done(const MediaItem* item, const char* status, const std::string& output,
                           const std::string& reason_) {
    const std::string reason = item ? failureText(*item, reason_) : reason_;
    reported_.insert(item);
    const std::string source = item ? item->sourcePath : std::string();
    const std::string what = status;
    anyFailed_ = anyFailed_ || what == "failed";
    if (mode_.json) {
        std::error_code ec;
        const auto bytes = output.empty() ? 0 : std::filesystem::file_size(output, ec);
        QJsonObject object{{"event", "done"},
                           {"file", textOrNull(source)},
                           {"output", textOrNull(output)},
                           {"bytes", output.empty() || ec ? QJsonValue(QJsonValue::Null)
                                                          : QJsonValue(double(bytes))},
                           {"status", text(what)},
                           {"reason", textOrNull(reason)}};
        std::fprintf(out_, "%s\n",
                     QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
        std::fflush(out_);
        return;
    }
    if (what == "finished") {
        std::fputs(output.c_str(), out_);
        std::fputc(mode_.print0 ? '\0' : '\n', out_);
        std::fflush(out_);
        return;
    }
    if (what == "skipped") {
        if (!mode_.quiet) {
            endLine();
            std::fprintf(err_, "skipped (exists): %s\n", output.c_str());
        }
    } else {
        endLine();
        if (item)
            std::fprintf(err_, "%s: %s\n", shownName(*item).c_str(), item->stateText().c_str());
        // A failure says why on the next line.
        if (!reason.empty())
            std::fprintf(err_, "%s\n", reason.c_str());
    }
    std::fflush(err_);
}

void CConvertConsole::loadFailed(const std::string& file, const std::string& reason, bool device) {
    anyFailed_ = true;
    if (mode_.json) {
        QJsonObject object{{"event", "done"},       {"file", text(file)}, {"output", QJsonValue()},
                           {"bytes", QJsonValue()}, {"status", "failed"}, {"reason", text(reason)}};
        std::fprintf(out_, "%s\n",
                     QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
        std::fflush(out_);
        return;
    }
    endLine();
    std::fprintf(err_, "Failed to load %s :\n%s\n%s\n", device ? "device" : "file", file.c_str(),
                 reason.c_str());
    std::fflush(err_);
}

void CConvertConsole::skipped(const MediaItem& item, const std::string& output) {
    skipped_.insert(&item);
    done(&item, "skipped", output, "exists");
}

void CConvertConsole::estimate(const std::string& file, int64_t bytes, int64_t videoBitRate) {
    if (mode_.json) {
        QJsonObject object{{"event", "estimate"}, {"file", text(file)}, {"bytes", double(bytes)}};
        if (videoBitRate >= 0)
            object.insert("videoBitRate", double(videoBitRate));
        std::fprintf(out_, "%s\n",
                     QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
    } else if (videoBitRate >= 0) {
        std::fprintf(out_, "%lld\t%s\t%lld\n", static_cast<long long>(bytes), file.c_str(),
                     static_cast<long long>(videoBitRate));
    } else {
        std::fprintf(out_, "%lld\t%s\n", static_cast<long long>(bytes), file.c_str());
    }
    std::fflush(out_);
}

void CConvertConsole::outputFinished(const std::string& path) {
    ++outputs_;
    // The item that just finished: the first finished one without a result (items run in
    // order). A merged output belongs to every finished item.
    std::vector<const MediaItem*> owners;
    if (items_)
        for (const auto& item : *items_)
            if (item->hasState(kItemFinish) && !reported_.count(item.get())) {
                owners.push_back(item.get());
                if (!mode_.merge)
                    break;
            }
    if (owners.empty()) {
        done(nullptr, "finished", path, {});
        return;
    }
    // Another run took the name meanwhile and the engine moved this output on: in skip mode
    // that second file must not stay.
    const std::string planned = planned_ ? planned_(*owners.front()) : path;
    const bool taken = mode_.skipExisting && path != planned;
    if (taken) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    for (const MediaItem* owner : owners) {
        if (taken)
            skipped(*owner, planned);
        else
            done(owner, "finished", path, {});
        if (!mode_.json && !taken)
            break; // one path a line for a merged output
    }
    for (const MediaItem* owner : owners)
        reported_.insert(owner);
}

bool CConvertConsole::finish() {
    endLine();
    bool good = !anyFailed_;
    if (!items_)
        return good;
    for (const auto& item : *items_) {
        if (reported_.count(item.get()))
            continue;
        // A merged output is planned after its first item.
        const std::string planned =
            planned_ ? planned_(mode_.merge ? *items_->front() : *item) : std::string();
        if (item->hasState(kItemConvertFailed)) {
            done(item.get(), "failed", {}, item->failureReason);
        } else if (item->hasState(kItemNotExist)) {
            done(item.get(), "failed", {}, "the source no longer exists");
        } else if (mode_.skipExisting && !item->hasState(kItemFinish | kItemConverting) &&
                   !planned.empty() && std::filesystem::exists(planned)) {
            skipped(*item, planned);
            continue;
        } else if (!item->hasState(kItemFinish)) {
            done(item.get(), "failed", {},
                 item->failureReason.empty() ? "not converted" : item->failureReason);
        } else {
            continue; // finished: its output was reported
        }
        good = false;
    }
    return good && !items_->empty();
}

intptr_t CConvertConsole::onMessage(unsigned msg, uintptr_t, intptr_t lParam) {
    if (msg == kMsgOutputFinished) {
        endLine();
        outputFinished(reinterpret_cast<const char*>(lParam));
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
