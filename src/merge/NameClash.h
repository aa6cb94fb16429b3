// What a copy does when the name it should be published under is taken: the one place that
// decides between "already there", "keep both under a numbered name" and refusing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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

// What one run has learnt about taken names, so that many entries of one name do not look
// at, and read, the same numbered names again for every entry. Names found taken are taken
// for the rest of the run (the run itself never removes one); names found free are looked at
// again, as the run fills them. Contents are remembered as a hash of the bytes, keyed by the
// file's identity and state, and a hash that matches is confirmed byte for byte.
// Used on one thread at a time.
class NameClashCache {
  public:
    // A file's identity and the state its contents were read in: a file changed since is
    // read again.
    struct FileKey {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        struct timespec modified = {};
        bool operator==(const FileKey& other) const;
    };

    // resolveNameClash with what the run learnt so far.
    NameClashDecision resolve(const std::string& source, const struct stat& sourceStatus,
                              const std::string& destination, const NameClashRules& rules);
    // A folder this run made: a name in it that the run has not given out is free without a
    // look, for as long as nothing else is found putting names there.
    void folderMade(const std::string& folder);
    // A name found taken when a copy was published under it: its folder is looked at again.
    void foundTaken(const std::string& path);
    // Whether `folder` was made by this run and nothing else was found putting names there.
    bool madeFolder(const std::string& folder) const;

  private:
    struct KeyHash {
        size_t operator()(const FileKey& key) const;
    };
    struct TakenName {
        std::string path;
        mode_t type = 0; // S_IFMT bits, links not followed
        FileKey key;
    };
    struct Names {
        std::vector<TakenName> taken; // the numbers 0 … next-1, in order
        unsigned next = 0;            // the first number not yet found taken
    };
    // The hash of a regular file's contents, read once for each state of the file; none
    // when it cannot be read or is no regular file (links are not followed). `key` is the
    // state last seen and becomes the state read.
    std::optional<uint64_t> contentHash(const std::string& path, FileKey& key);
    NameClashDecision resolveLooking(const std::string& source, const struct stat& sourceStatus,
                                     const std::string& destination, const NameClashRules& rules);

    std::unordered_map<std::string, Names> names_; // by planned destination
    std::unordered_map<FileKey, std::optional<uint64_t>, KeyHash> hashes_;
    std::unordered_set<std::string> madeFolders_;
    // Hashes of the paths given out in made folders: a collision only costs a look.
    std::unordered_set<size_t> givenOut_;
};

// Looks at `destination` and, while the rules allow it, at its numbered names in turn, and
// answers the first that is free or already holds the source's contents. Answers Taken (with
// `destination`) when neither is found. Nothing is created: the caller publishes with a
// rename that never replaces, and asks again when that finds the name taken after all.
// With `cache`, what earlier entries of the run found out is used instead of looking again.
NameClashDecision resolveNameClash(const std::string& source, const struct stat& sourceStatus,
                                   const std::string& destination, const NameClashRules& rules,
                                   NameClashCache* cache = nullptr);

// Where a copy goes that is made in several places under one name (a destination and its
// backups): `paths` holds the entry's planned path in each place, all with the same name
// below their folders. The first name, in the order resolveNameClash tries them, that is free
// or already holds the source's contents in every place is chosen for all, so that the places
// keep the same tree. `holds` tells the places that have the contents already (all of them:
// AlreadyThere). Taken, with the planned paths, when no such name may be chosen.
struct SharedNameDecision {
    NameClashDecision::Kind kind = NameClashDecision::Kind::Free;
    std::vector<std::string> paths;
    std::vector<bool> holds;
};
SharedNameDecision resolveSharedNameClash(const std::string& source,
                                          const struct stat& sourceStatus,
                                          const std::vector<std::string>& paths,
                                          const NameClashRules& rules);

// "NAME-n.EXT" for ".../NAME.EXT" ("NAME-n" without an extension; a leading dot is part of the
// name, so ".profile" gives ".profile-1"). A name that would grow past NAME_MAX bytes loses
// the end of NAME (whole UTF-8 characters), never of its extension.
std::string numberedName(const std::string& path, unsigned number);

// A 64-bit hash of the bytes of `fd` from its current offset to the end; none on a read
// error.
std::optional<uint64_t> hashOfContents(int fd);

// Whether `other` holds exactly the bytes of the regular file `source` (sizes first, then the
// contents in large blocks, stopping at the first difference), or, for a folder, the same
// names, kinds, link targets and file contents all the way down. Links at `other` are not
// followed; anything that cannot be read counts as different.
bool sameContents(const std::string& source, const struct stat& sourceStatus,
                  const std::string& other);

} // namespace orvane
