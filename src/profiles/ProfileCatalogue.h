#pragma once

#include "Profile.h"
#include "ProfileTables.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

// Every profile the program knows, in 18 category lists: the built-in profiles (categories 0, 1
// and 11), the user's custom profiles (16) and the recently used profiles (17).
//
// Records are held as ProfileRef. Media items and the main window keep ProfileRefs, so a record
// removed from its list (a deleted custom profile, the oldest recent profile pushed out) stays
// readable by whoever still holds it and is freed with the last holder. replace() edits a record
// in place, so every holder sees the new values.
//
// Single-threaded: used from the user-interface thread only.
class ProfileCatalogue {
public:
    static constexpr int kRecentLimit = 20;

    // Builds the 21 built-in profiles. Custom profiles are loaded afterwards by the store.
    ProfileCatalogue();
    ProfileCatalogue(const ProfileCatalogue&) = delete;
    ProfileCatalogue& operator=(const ProfileCatalogue&) = delete;

    // The process-wide catalogue, built on first use.
    static ProfileCatalogue& instance();

    // The validation add() applies.
    static bool isValid(const Profile& profile);

    // Appends a copy of `profile` to the list of profile.category. 1 on success; 0 (nothing
    // changed) when the profile is invalid or memory runs out.
    int add(const Profile& profile);
    // Unlinks the record (found by identity) from its list. 1 when it was listed, else 0.
    int remove(const Profile* record);
    int remove(const ProfileRef& record) { return remove(record.get()); }
    // Copies every field of `values` (category included) into the record, which keeps its place.
    // 1 on success, 0 for a null record.
    int replace(Profile* record, const Profile& values);
    int replace(const ProfileRef& record, const Profile& values) {
        return replace(record.get(), values);
    }

    // 0-based position of the record in its category's list, -1 when it is not listed.
    int positionOf(const Profile* record) const;
    // True when a record of the category has exactly this name (case-sensitive).
    bool containsName(int category, std::string_view name) const;
    // The record at the position, or null when the category or position is out of range.
    ProfileRef at(int category, int position) const;
    int count(int category) const;
    // The category's list in order, for iteration; empty for an unknown category.
    const std::vector<ProfileRef>& list(int category) const;

    // The initial current profile and the one given to new items: first of category 0.
    ProfileRef defaultProfile() const { return at(0, 0); }

    // Records the profile the user picked in the recent list. Nothing happens (0) when the
    // profile's category is the recent one, a recent profile of the same name exists, the record
    // is not listed in the catalogue, or its copy is invalid. Otherwise the oldest recent record
    // is dropped when 20 are listed and a copy referring to its source is appended (1).
    int addRecent(const Profile& picked);

    // The record a stored `index` refers to: category index >> 16, position index & 0xFFFF.
    // Null when that does not resolve.
    ProfileRef sourceOf(int32_t index) const;
    // Rebuilds a stored custom profile: the fixed fields come from the source its `index` names,
    // category becomes 16. nullopt when the source does not resolve.
    std::optional<Profile> rebuildCustom(const Profile& stored) const;
    // Rebuilds a recent profile from its stored `index`: a copy of the source with category 17
    // and that index. nullopt when the source does not resolve.
    std::optional<Profile> rebuildRecent(int32_t index) const;
    // Copies the fields the setting dialog cannot edit (format, masks, option lists).
    static void copyFixedFields(Profile& to, const Profile& from);

    // The codec engine's identifiers; 0 for "no video" / "no audio" and out-of-range codecs.
    static int32_t videoEngineId(const Profile& profile);
    static int32_t audioEngineId(const Profile& profile);
    // The two format-table columns; empty for an out-of-range format.
    static std::string_view extensionOf(const Profile& profile);
    static std::string_view engineFormatOf(const Profile& profile);

    static std::string_view videoCodecName(int codec) { return ::videoCodecName(codec); }
    static std::string_view audioCodecName(int codec) { return ::audioCodecName(codec); }
    static ProfileCategory category(int number) { return profileCategory(number); }

    // The custom list changed since start-up and is to be written back at exit.
    bool customChanged() const { return customChanged_; }
    void setCustomChanged(bool changed) { customChanged_ = changed; }

private:
    struct Location {
        int category;
        int position;
    };
    std::optional<Location> locate(const Profile* record) const;

    std::array<std::vector<ProfileRef>, kProfileCategoryCount> lists_;
    bool customChanged_ = false;
};
