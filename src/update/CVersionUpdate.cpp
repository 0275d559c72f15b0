#include "CVersionUpdate.h"

#include "CXmlparse.h"
#include "MessageTarget.h"
#include "PlatformServices.h"
#include "SystemFolders.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool parseDecimal(std::string_view text, int32_t* value) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, *value);
    return !text.empty() && error == std::errc() && stop == end;
}

// "dddd-dd-dd" and nothing else.
bool isDateText(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

} // namespace

bool isNewerVersion(int32_t major, int32_t minor, int32_t ownMajor, int32_t ownMinor) {
    return major > ownMajor || (major == ownMajor && minor > ownMinor);
}

std::string versionText(int32_t major, int32_t minor) {
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", (major >> 8) & 0xFF, major & 0xFF,
                  (minor >> 8) & 0xFF, minor & 0xFF);
    return text;
}

std::string dateText(const SystemTime& day) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year, day.month, day.day);
    return text;
}

std::string dateTextDaysBefore(const SystemTime& day, int days) {
    using namespace std::chrono;
    const sys_days then =
        sys_days(year_month_day(year(day.year), month(static_cast<unsigned>(day.month)),
                                std::chrono::day(static_cast<unsigned>(day.day)))) -
        std::chrono::days(days);
    const year_month_day ymd(then);
    SystemTime result;
    result.year = static_cast<int>(ymd.year());
    result.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    result.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    return dateText(result);
}

bool parseVersionFile(std::string_view text, const std::string& product, VersionCheckResult* out) {
    // The buffer was a C string: whatever follows a zero byte is not part of it.
    text = text.substr(0, text.find('\0'));
    CXmlparse xml;
    VersionCheckResult result;
    if (!xml.setDoc(text) || !xml.findElem(product) || !xml.intoElem())
        return false;
    if (!xml.findElem("MajorId") || !parseDecimal(xml.getData(), &result.majorId))
        return false;
    if (!xml.findElem("MinorId") || !parseDecimal(xml.getData(), &result.minorId))
        return false;
    if (!xml.findElem("Desc"))
        return false;
    result.description = xml.getData();
    result.success = 1;
    *out = std::move(result);
    return true;
}

CVersionUpdate::CVersionUpdate(std::string historyFolder)
    : m_historyFolder(std::move(historyFolder)) {}

CVersionUpdate::~CVersionUpdate() {
    if (!m_thread.joinable())
        return;
    // The last reference can be the worker's own, dropped on the worker thread.
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
}

std::string CVersionUpdate::agentName() const {
    return "www.movara.example";
}

void CVersionUpdate::setIntervalDays(int days) {
    m_intervalDays = std::max(days, 1);
}

std::string CVersionUpdate::historyPath() const {
    return m_historyFolder + "/" + historyFileName();
}

bool CVersionUpdate::isCheckDue() {
    std::ifstream in(historyPath(), std::ios::binary);
    if (!in)
        return true;
    char buffer[100];
    in.read(buffer, sizeof buffer);
    const std::string_view read(buffer, static_cast<size_t>(in.gcount()));
    const std::string_view text = trimmed(read.substr(0, read.find('\0')));
    const SystemTime today = platformServices().utcTime();
    // A damaged file, or a date the clock has not reached (it was set back), would otherwise
    // hold the check off for good.
    if (!isDateText(text) || text > dateText(today))
        return true;
    return text <= dateTextDaysBefore(today, intervalDays());
}

bool CVersionUpdate::start(bool force, void* window) {
    if (running() || m_abandoned.load())
        return false;
    if (!force && !isCheckDue())
        return false;
    std::shared_ptr<CVersionUpdate> self = weak_from_this().lock();
    if (!self)
        return false;
    if (m_thread.joinable())
        m_thread.join(); // the previous worker has ended
    m_window = window;
    m_startDay = platformServices().utcTime();
    m_running.store(true, std::memory_order_release);
    m_thread = std::thread([self] {
        self->run();
        self->m_running.store(false, std::memory_order_release);
    });
    return true;
}

int CVersionUpdate::run() {
    std::string body;
    int fetched = -1;
    if (enterFetch()) {
        if (platformServices().startNetwork())
            fetched =
                platformServices().httpGet(versionUrl(), agentName(), kVersionFileLimit, &body);
        leaveFetch();
    }
    if (fetched > static_cast<int>(kVersionFileLimit)) {
        // A web client that read past the limit: keep only what one read may hold.
        body.resize(kVersionFileLimit);
        fetched = static_cast<int>(kVersionFileLimit);
    }
    VersionCheckResult result;
    if (fetched > 0 && parseVersionFile(body, productElement(), &result)) {
        m_major = result.majorId;
        m_minor = result.minorId;
        m_description = result.description;
        if (!onResult(result.majorId, result.minorId, result.description))
            notify(result);
        writeHistory();
    } else {
        notify(VersionCheckResult{});
    }
    return 0;
}

bool CVersionUpdate::enterFetch() {
    std::lock_guard<std::mutex> lock(m_phaseMutex);
    if (m_abandoned.load())
        return false;
    m_fetching = true;
    return true;
}

void CVersionUpdate::leaveFetch() {
    std::lock_guard<std::mutex> lock(m_phaseMutex);
    m_fetching = false;
}

void CVersionUpdate::notify(const VersionCheckResult& result) {
    if (m_abandoned.load() || !m_window)
        return;
    // Synchronous: the record lives on this stack while the window reads it.
    VersionCheckResult record = result;
    sendMessage(m_window, kMsgVersionCheck, 0, reinterpret_cast<intptr_t>(&record));
}

bool CVersionUpdate::writeHistory() const {
    if (m_historyFolder.empty())
        return false;
    // Written beside the target and renamed over it: a check never leaves half a date behind,
    // and two checkers finishing together each leave a whole file.
    const std::string temporary = platform::createTempFile(m_historyFolder, ".VelUpdateHistory");
    if (temporary.empty())
        return false;
    bool ok = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << dateText(m_startDay);
        out.close();
        ok = static_cast<bool>(out);
    }
    std::error_code error;
    if (ok)
        std::filesystem::rename(temporary, historyPath(), error);
    if (!ok || error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

void CVersionUpdate::abandon() {
    bool fetching = false;
    {
        std::lock_guard<std::mutex> lock(m_phaseMutex);
        m_abandoned.store(true);
        fetching = m_fetching;
    }
    if (!m_thread.joinable())
        return;
    // Only the network can keep a worker for long; everything else it does is quick and no
    // longer touches the program's services once abandoned.
    if (fetching)
        m_thread.detach();
    else
        m_thread.join();
}
