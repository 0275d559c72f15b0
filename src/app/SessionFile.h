#pragma once

// "Session.xml": a copy of the media list kept while the program runs, so that a crash, a kill or
// a power cut does not lose the items and their edits. The main window's thread takes a cheap
// snapshot (the values packed as they are, see SessionSnapshot); the document is built from it
// and written atomically on another thread; a normal end removes the file. A file found at start-up
// means the last run did not end normally.
//
// Every persisted field of an item is listed once, in sessionItemFields (SessionFile.cpp): the
// snapshot and the reader both walk that list.

#include "MediaItem.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class ProfileCatalogue;

inline constexpr std::string_view kSessionFileName = "Session.xml";

// The list as taken on the thread that owns the items: each item's (and profile's) values packed
// into one buffer in the order of the fields list, one allocation each, so that a list of
// thousands is taken in a few milliseconds; the text is made from it on the writer's thread.
// Profiles are written once each and referred to by number, so items that shared a profile
// share it again when restored.
struct SessionSnapshot {
    std::vector<std::string> profiles;
    std::vector<std::string> items;
    // Which profile record got which number; compared only, never read through.
    std::unordered_map<const Profile*, size_t> profileNumbers;
};

// A restored item and, for an item that had finished, the output file it made.
struct SessionEntry {
    MediaItem item;
    std::string output;
};

class SessionFile {
public:
    enum class LoadResult { Missing, Loaded, Broken };

    // Appends the item to the snapshot. `output`: the file a finished item made (else empty).
    static void addItem(SessionSnapshot& snapshot, const MediaItem& item,
                        const std::string& output);
    // The whole document (without the declaration line).
    static std::string document(const SessionSnapshot& snapshot);
    // Replaces the file atomically with the document (temporary file, fsync, rename).
    static bool write(const std::string& path, const std::string& document);

    // Reads the file into `entries`. Profiles equal to a catalogue record get that record. A
    // file that cannot be read whole is moved aside to "<path>.broken" (Broken, no entries).
    // Items are returned as they were saved; see restoredState for the state they resume in.
    static LoadResult load(const std::string& path, ProfileCatalogue& catalogue,
                           std::vector<SessionEntry>& entries);

    // The state bits an item comes back with: converting and finished items are "Not Convert"
    // unless the finished output is there; a missing source is "Not Exist" and unchecked.
    static void restoreState(SessionEntry& entry);

    static void remove(const std::string& path);
};
