// What a copy does when the name it should be published under is taken: the one place that
// decides between "already there", "keep both under a numbered name" and refusing.
#pragma once

#include <string>
#include <sys/stat.h>

namespace orvane {

// The user's choices for a taken name, read from the preferences for each entry.
struct NameClashRules {
    bool skipIdentical = true; // a name holding the same contents means the entry is there
    bool keepBoth = false;     // a different item under the name: publish as NAME-1.EXT …
};

struct NameClashDecision {
    enum class Kind {
        Free,         // publish under `path` (the destination itself, or a numbered name)
        AlreadyThere, // `path` holds exactly the contents of the source: copy nothing
        Taken,        // the destination is taken and no other name may be chosen
    };
    Kind kind = Kind::Free;
    std::string path;
};

// Looks at `destination` and, while the rules allow it, at its numbered names in turn, and
// answers the first that is free or already holds the source's contents. Answers Taken (with
// `destination`) when neither is found. Nothing is created: the caller publishes with a
// rename that never replaces, and asks again when that finds the name taken after all.
NameClashDecision resolveNameClash(const std::string& source, const struct stat& sourceStatus,
                                   const std::string& destination, const NameClashRules& rules);

// "NAME-n.EXT" for ".../NAME.EXT" ("NAME-n" without an extension; a leading dot is part of the
// name, so ".profile" gives ".profile-1").
std::string numberedName(const std::string& path, unsigned number);

// Whether `other` holds exactly the bytes of the regular file `source` (sizes first, then the
// contents in large blocks, stopping at the first difference), or, for a folder, the same
// names, kinds, link targets and file contents all the way down. Links at `other` are not
// followed; anything that cannot be read counts as different.
bool sameContents(const std::string& source, const struct stat& sourceStatus,
                  const std::string& other);

} // namespace orvane
