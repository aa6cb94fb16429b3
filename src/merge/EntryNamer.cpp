#include "merge/EntryNamer.h"

#include "base/Paths.h"
#include "merge/RunDestinations.h"
#include "naming/FileKind.h"
#include "platform/RemoteSources.h"
#include "prefs/DateFolderCheck.h"
#include "prefs/DateRendering.h"

#include <algorithm>

namespace orvane {
namespace {

// A name's stem and what follows it without the dot ("IMG_1", "CR2.xmp"), the stem as long
// as the leader's, whose new stem the name takes. A leading dot belongs to the stem.
std::pair<std::string, std::string> stemAndTail(const std::string& name,
                                                const std::string& leaderName) {
    size_t dot = leaderName.rfind('.');
    if (dot == std::string::npos || dot == 0)
        dot = leaderName.size();
    if (dot >= name.size() || name[dot] != '.') {
        dot = name.rfind('.');
        if (dot == std::string::npos || dot == 0)
            return {name, {}};
    }
    return {name.substr(0, dot), name.substr(dot + 1)};
}

} // namespace

void EntryNamer::prepare(const UserDefaults& rules, const std::string& toPath,
                         const PairedFiles& pairs, const FileSystemTypeProbe& fileSystemType) {
    prepared_ = true;
    settingsError_.clear();
    settings_ = namingSettings(rules, settingsError_);
    pairs_ = &pairs;
    root_ = toPath;
    videoRoot_ = runDestinationsOf(rules, toPath).videos;
    if (videoRoot_ == toPath)
        videoRoot_.clear();
    auto rulesAt = [&](const std::string& root) {
        const std::optional<long> type = fileSystemType ? fileSystemType(root) : std::nullopt;
        return type ? nameRulesForFileSystem(*type) : NameRules::Posix;
    };
    rules_ = rulesAt(toPath);
    videoRules_ = videoRoot_.empty() ? rules_ : rulesAt(videoRoot_);
    sequence_ = settings_ ? NameSequence(settings_->scope, settings_->nextStored)
                          : NameSequence(SequenceScope::Run, 1);
    sequenceOfLeader_.clear();
    sequenceOfSource_.clear();
    lastTaken_.reset();
    numberedCopies_ = {};
}

std::optional<EntryPlace> EntryNamer::place(const std::string& source, const struct stat& status,
                                            EntryDates dates, const std::string& camera,
                                            const CameraOf& cameraOf, const DateLocale& locale,
                                            std::string& error, const std::string& readFrom) {
    if (!settings_) {
        error = settingsError_;
        return std::nullopt;
    }
    const std::string leader = pairs_ ? pairs_->nameLeaderOf(source) : source;
    const std::string name = lastPathComponent(source);
    const auto [stem, tail] = stemAndTail(name, lastPathComponent(leader));
    std::string entryCamera = camera;
    if (entryCamera.empty() && leader != source && wantsCamera() && cameraOf)
        entryCamera = cameraOf(leader);
    NameFacts facts;
    facts.date = dates.day;
    facts.job = settings_->job;
    facts.camera = entryCamera;
    facts.kind = S_ISDIR(status.st_mode) ? kOtherKind : fileKindOf(lastPathComponent(leader));
    facts.extension = tail;
    facts.name = stem;
    const bool video = !videoRoot_.empty() && facts.kind == std::string_view(kVideosKind);
    const NameRules rules = video ? videoRules_ : rules_;
    bool firstOfGroup = false; // the first of its pair or sidecars to be named
    if (settings_->uses(NameToken::Seq)) {
        auto [it, added] = sequenceOfLeader_.emplace(leader, 0);
        if (added) {
            it->second = sequence_.take(dates.day);
            lastTaken_ = Taken{leader, it->second, dates.day};
        }
        facts.sequence = it->second;
        sequenceOfSource_[source] = it->second;
        firstOfGroup = added;
    }
    const DateCodes dateCodes = [&](time_t when, const std::string& format) {
        return locale.render(when, format);
    };

    EntryPlace place;
    place.root = video ? videoRoot_ : root_;
    place.folder = (video ? settings_->videoFolder : settings_->folder).render(facts, dateCodes);
    if (!dateFolderStaysInside(place.folder)) {
        error = kFolderFormatLeavesDestination;
        return std::nullopt;
    }
    place.folder = fitFolder(place.folder, rules);
    place.levels = 1 + std::count(place.folder.begin(), place.folder.end(), '/');
    if (!settings_->name) {
        place.name = name;
        return place;
    }
    facts.date = dates.date; // the name tells the capture's own time
    const auto nameWith = [&](uint64_t sequence) {
        facts.sequence = sequence;
        std::string made = settings_->name->render(facts, dateCodes);
        if (!settings_->name->uses(NameToken::Ext) && !settings_->name->uses(NameToken::ExtUpper) &&
            !tail.empty())
            made += "." + tail;
        const size_t dot = made.rfind('.');
        return fitName(made, rules, dot == std::string::npos ? 0 : made.size() - dot);
    };
    place.name = nameWith(facts.sequence);
    // The number an earlier run gave the file is its group's: its pair and sidecars follow.
    const std::string& contents = readFrom.empty() ? source : readFrom;
    if (firstOfGroup && settings_->name->uses(NameToken::Seq) && S_ISREG(status.st_mode) &&
        !isCameraPath(contents))
        if (const std::optional<SequencedName> shape =
                SequencedName::between(nameWith(1), nameWith(kWidestSequenceNumber)))
            if (std::optional<std::string> earlier = numberedCopies_.find(
                    contents, status, appendPathComponent(place.root, place.folder), place.name,
                    *shape)) {
                const uint64_t number = shape->numberIn(*earlier).value_or(0);
                sequenceOfLeader_[leader] = sequenceOfSource_[source] = number;
                place.name = std::move(*earlier);
            }
    return place;
}

void EntryNamer::skippedUnnamed(const std::string& source) {
    const std::string leader = pairs_ ? pairs_->nameLeaderOf(source) : source;
    if (!lastTaken_ || lastTaken_->leader != leader)
        return;
    sequence_.giveBack(lastTaken_->number, lastTaken_->day);
    sequenceOfLeader_.erase(leader);
    sequenceOfSource_.erase(source);
    lastTaken_.reset();
}

void EntryNamer::published(const std::string& source) {
    if (auto it = sequenceOfSource_.find(source); it != sequenceOfSource_.end())
        sequence_.used(it->second);
}

} // namespace orvane
