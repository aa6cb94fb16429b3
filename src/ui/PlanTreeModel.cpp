#include "ui/PlanTreeModel.h"

#include "base/NumberText.h"
#include "base/Paths.h"
#include "platform/qt/Translation.h"
#include "ui/ThumbnailLoader.h"

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPalette>
#include <QStyle>

namespace orvane {
namespace {

constexpr int kKindShift = 56;

QString pathText(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

QString nameOf(const std::string& path) {
    return pathText(lastPathComponent(path));
}

QString dateText(time_t seconds) {
    struct tm local;
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return QString::fromLatin1(text);
}

QString datedByText(const PlannedPlace& plan) {
    QString text;
    switch (plan.datedBy) {
    case DatedBy::Exif:
        text = PlanTreeModel::tr("EXIF");
        break;
    case DatedBy::Metadata:
        text = PlanTreeModel::tr("Metadata");
        break;
    case DatedBy::Paired:
        text = PlanTreeModel::tr("Paired");
        break;
    case DatedBy::Modified:
        text = PlanTreeModel::tr("Modified");
        break;
    }
    return plan.checkDate ? PlanTreeModel::tr("%1, check date").arg(text) : text;
}

QString countText(size_t count) {
    return count == 1
               ? PlanTreeModel::tr("1 file")
               : PlanTreeModel::tr("%1 files").arg(QString::fromStdString(groupedNumber(count)));
}

// Transparent room for a picture not read yet, of the shape most pictures have (landscape
// 4:3), so that few rows change height when theirs comes.
const QPixmap& placeholder() {
    static const QPixmap empty = [] {
        QPixmap pixmap(ThumbnailLoader::kSize, ThumbnailLoader::kSize * 3 / 4);
        pixmap.fill(Qt::transparent);
        return pixmap;
    }();
    return empty;
}

// A file's icon at the size of small icons: a file without a picture gets a row of text
// height, not the empty room of one.
const QPixmap& fileIcon() {
    static const QPixmap icon = [] {
        const QStyle* style = QApplication::style();
        const int size = style->pixelMetric(QStyle::PM_SmallIconSize);
        return style->standardIcon(QStyle::SP_FileIcon).pixmap(size);
    }();
    return icon;
}

} // namespace

PlanTreeModel::PlanTreeModel(std::shared_ptr<const RunPlan> plan, ThumbnailLoader* thumbnails,
                             std::shared_ptr<PlanChoice> choice, QObject* parent)
    : QAbstractItemModel(parent), plan_(std::move(plan)), thumbnails_(thumbnails),
      choice_(std::move(choice)) {
    const RunPlan& p = *plan_;
    entryFolder_.assign(p.entries.size(), PlanFolder::kNone);
    entryRow_.assign(p.entries.size(), 0);
    folderRow_.assign(p.folders.size(), 0);
    pictured_.assign(p.entries.size(), false);
    for (size_t f = 0; f < p.folders.size(); ++f) {
        const PlanFolder& folder = p.folders[f];
        for (size_t i = 0; i < folder.folders.size(); ++i)
            folderRow_[folder.folders[i]] = static_cast<int>(i);
        for (size_t i = 0; i < folder.entries.size(); ++i) {
            entryFolder_[folder.entries[i]] = f;
            entryRow_[folder.entries[i]] = folder.folders.size() + i;
        }
    }
    for (const std::string& path : p.listed.resSkippedFiles)
        skipped_.push_back({path, p.listed.resSkippedDict.at(path)});
    for (size_t i = 0; i < p.entries.size(); ++i) {
        const PlannedEntry& entry = p.entries[i];
        if (entry.outcome() == PlanOutcome::kSkippedByMerge &&
            skip::isImportedBefore(*entry.skipReason))
            imported_.push_back(i);
        else if (entry.outcome() == PlanOutcome::kSkippedByMerge)
            skipped_.push_back({entry.source, *entry.skipReason});
        else if (entry.outcome() == PlanOutcome::kFails)
            failed_.push_back(i);
        else if (thumbnails_ && thumbnails_->canRead(pathText(entry.source))) {
            pictured_[i] = true;
            byPath_.insert(pathText(entry.source), i);
        }
    }
    if (thumbnails_)
        connect(thumbnails_, &ThumbnailLoader::loaded, this, &PlanTreeModel::thumbnailLoaded);
}

quint64 PlanTreeModel::id(Kind kind, size_t number) {
    return (static_cast<quint64>(kind) << kKindShift) | number;
}

size_t PlanTreeModel::numberOf(const QModelIndex& index) {
    return static_cast<size_t>(index.internalId() & ((quint64{1} << kKindShift) - 1));
}

PlanTreeModel::Kind PlanTreeModel::kindOf(const QModelIndex& index) const {
    return static_cast<Kind>(index.internalId() >> kKindShift);
}

QModelIndex PlanTreeModel::indexOf(Kind kind, size_t number, int column) const {
    int row = 0;
    const size_t groupsRow = plan_->folders.empty() ? 0 : plan_->folders[0].folders.size();
    switch (kind) {
    case Kind::kFolder:
        row = folderRow_[number];
        break;
    case Kind::kEntry:
        row = static_cast<int>(entryRow_[number]);
        break;
    case Kind::kImportedGroup:
        row = static_cast<int>(groupsRow);
        break;
    case Kind::kSkippedGroup:
        row = static_cast<int>(groupsRow + (imported_.empty() ? 0 : 1));
        break;
    case Kind::kFailedGroup:
        row =
            static_cast<int>(groupsRow + (imported_.empty() ? 0 : 1) + (skipped_.empty() ? 0 : 1));
        break;
    case Kind::kImported:
    case Kind::kSkipped:
    case Kind::kFailed:
        row = static_cast<int>(number);
        break;
    }
    return createIndex(row, column, id(kind, number));
}

QModelIndex PlanTreeModel::folderIndex(size_t folder) const {
    return folder == 0 ? QModelIndex() : indexOf(Kind::kFolder, folder, 0);
}

int PlanTreeModel::topLevelRows() const {
    const int folders = plan_->folders.empty() ? 0 : int(plan_->folders[0].folders.size());
    return folders + (imported_.empty() ? 0 : 1) + (skipped_.empty() ? 0 : 1) +
           (failed_.empty() ? 0 : 1);
}

QModelIndex PlanTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= kColumnCount || row >= rowCount(parent))
        return {};
    const size_t r = static_cast<size_t>(row);
    if (!parent.isValid()) {
        const size_t folders = plan_->folders.empty() ? 0 : plan_->folders[0].folders.size();
        if (r < folders)
            return createIndex(row, column, id(Kind::kFolder, plan_->folders[0].folders[r]));
        size_t group = r - folders;
        if (!imported_.empty() && group-- == 0)
            return createIndex(row, column, id(Kind::kImportedGroup, 0));
        if (!skipped_.empty() && group-- == 0)
            return createIndex(row, column, id(Kind::kSkippedGroup, 0));
        return createIndex(row, column, id(Kind::kFailedGroup, 0));
    }
    switch (kindOf(parent)) {
    case Kind::kFolder: {
        const PlanFolder& folder = plan_->folders[numberOf(parent)];
        if (r < folder.folders.size())
            return createIndex(row, column, id(Kind::kFolder, folder.folders[r]));
        return createIndex(row, column,
                           id(Kind::kEntry, folder.entries[r - folder.folders.size()]));
    }
    case Kind::kImportedGroup:
        return createIndex(row, column, id(Kind::kImported, r));
    case Kind::kSkippedGroup:
        return createIndex(row, column, id(Kind::kSkipped, r));
    case Kind::kFailedGroup:
        return createIndex(row, column, id(Kind::kFailed, r));
    default:
        return {};
    }
}

QModelIndex PlanTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    const size_t number = numberOf(child);
    switch (kindOf(child)) {
    case Kind::kFolder:
        return folderIndex(plan_->folders[number].parent);
    case Kind::kEntry:
        return folderIndex(entryFolder_[number]);
    case Kind::kImported:
        return indexOf(Kind::kImportedGroup, 0, 0);
    case Kind::kSkipped:
        return indexOf(Kind::kSkippedGroup, 0, 0);
    case Kind::kFailed:
        return indexOf(Kind::kFailedGroup, 0, 0);
    default:
        return {};
    }
}

int PlanTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return topLevelRows();
    if (parent.column() != 0)
        return 0;
    switch (kindOf(parent)) {
    case Kind::kFolder: {
        const PlanFolder& folder = plan_->folders[numberOf(parent)];
        return static_cast<int>(folder.folders.size() + folder.entries.size());
    }
    case Kind::kImportedGroup:
        return static_cast<int>(imported_.size());
    case Kind::kSkippedGroup:
        return static_cast<int>(skipped_.size());
    case Kind::kFailedGroup:
        return static_cast<int>(failed_.size());
    default:
        return 0;
    }
}

int PlanTreeModel::columnCount(const QModelIndex&) const {
    return kColumnCount;
}

QVariant PlanTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case kName:
        return tr("Name");
    case kDate:
        return tr("Date");
    case kDatedBy:
        return tr("Dated By");
    case kNote:
        return tr("Note");
    default:
        return {};
    }
}

QVariant PlanTreeModel::entryData(size_t number, int column, int role) const {
    const PlannedEntry& entry = plan_->entries[number];
    if (role == Qt::ToolTipRole)
        return entry.plan ? pathText(entry.source) + "\n→ " + pathText(entry.plan->destination)
                          : pathText(entry.source);
    if (role == Qt::DecorationRole && column == kName && thumbnails_) {
        if (!pictured_[number])
            return fileIcon();
        const QPixmap* picture = thumbnails_->cached(pathText(entry.source));
        // Room for the picture while it is read; a file that gave none shows its icon.
        if (!picture)
            return placeholder();
        return picture->isNull() ? fileIcon() : *picture;
    }
    if (role == Qt::ForegroundRole && column == kNote && entry.taken)
        return QColor(0xb0, 0x30, 0x20);
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case kName:
        return entry.plan ? nameOf(entry.plan->destination) : nameOf(entry.source);
    case kDate:
        return entry.plan ? dateText(entry.plan->date) : QVariant();
    case kDatedBy:
        return entry.plan ? datedByText(*entry.plan) : QVariant();
    case kNote:
        if (!entry.numberedAs.empty())
            return "Copied as " + pathText(entry.numberedAs) + " beside the file of its name";
        if (!entry.taken)
            return {};
        return entry.takenBy.empty() ? tr("Name taken by another file")
                                     : tr("Name taken by %1 (%2)")
                                           .arg(nameOf(entry.takenBy), pathText(entry.takenBy));
    default:
        return {};
    }
}

// A file imported before: its name, its date and where the history says it went.
QVariant PlanTreeModel::importedData(size_t number, int column, int role) const {
    const PlannedEntry& entry = plan_->entries[number];
    if (role == Qt::ToolTipRole)
        return pathText(entry.source);
    if (role == Qt::ForegroundRole && column == kNote)
        return QApplication::palette().color(QPalette::PlaceholderText);
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case kName:
        return nameOf(entry.source);
    case kDate:
        return entry.plan ? dateText(entry.plan->date) : QVariant();
    case kNote:
        return windowText(*entry.skipReason);
    default:
        return {};
    }
}

QVariant PlanTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const size_t number = numberOf(index);
    const int column = index.column();
    const Kind kind = kindOf(index);
    if (role == Qt::CheckStateRole)
        return flags(index) & Qt::ItemIsUserCheckable ? checkState(kind, number) : QVariant();
    if (kind == Kind::kEntry)
        return entryData(number, column, role);
    if (kind == Kind::kImported)
        return importedData(imported_[number], column, role);

    const bool group = kind == Kind::kFolder || kind == Kind::kSkippedGroup ||
                       kind == Kind::kFailedGroup || kind == Kind::kImportedGroup;
    if (role == Qt::FontRole && group) {
        QFont font;
        font.setBold(true);
        return font;
    }
    if (role == Qt::ForegroundRole && column == kNote &&
        (kind == Kind::kSkipped || kind == Kind::kSkippedGroup))
        return QApplication::palette().color(QPalette::PlaceholderText);
    if (role == Qt::ForegroundRole && column == kNote &&
        (kind == Kind::kFailed || kind == Kind::kFailedGroup))
        return QColor(0xb0, 0x30, 0x20);
    if (role == Qt::ToolTipRole && kind == Kind::kFolder) {
        const PlanFolder& folder = plan_->folders[number];
        return pathText(
            appendPathComponent(folder.root.empty() ? plan_->toPath : folder.root, folder.path));
    }
    if (role == Qt::ToolTipRole && kind == Kind::kSkipped)
        return pathText(skipped_[number].path);
    if (role == Qt::ToolTipRole && kind == Kind::kFailed)
        return pathText(plan_->entries[failed_[number]].source);
    if (role != Qt::DisplayRole)
        return {};

    switch (kind) {
    case Kind::kFolder: {
        const PlanFolder& folder = plan_->folders[number];
        if (column == kName)
            return pathText(folder.name);
        if (column == kNote)
            return folder.exists ? countText(folder.fileCount)
                                 : tr("%1 · new folder").arg(countText(folder.fileCount));
        return {};
    }
    case Kind::kImportedGroup:
        if (column == kName)
            return tr("Imported Before");
        return column == kNote ? countText(imported_.size()) : QVariant();
    case Kind::kSkippedGroup:
        if (column == kName)
            return tr("Skipped");
        return column == kNote ? countText(skipped_.size()) : QVariant();
    case Kind::kFailedGroup:
        if (column == kName)
            return tr("Can't Be Copied");
        return column == kNote ? countText(failed_.size()) : QVariant();
    case Kind::kSkipped:
        if (column == kName)
            return nameOf(skipped_[number].path);
        return column == kNote ? tr("Skipped (%1)").arg(windowText(skipped_[number].reason))
                               : QVariant();
    case Kind::kFailed: {
        const PlannedEntry& entry = plan_->entries[failed_[number]];
        if (column == kName)
            return nameOf(entry.source);
        return column == kNote ? windowText(entry.error) : QVariant();
    }
    default:
        return {};
    }
}

Qt::ItemFlags PlanTreeModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractItemModel::flags(index);
    const Kind kind = index.isValid() ? kindOf(index) : Kind::kSkipped;
    if (choice_ && index.column() == kName &&
        (kind == Kind::kFolder || kind == Kind::kEntry || kind == Kind::kImportedGroup ||
         kind == Kind::kImported))
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant PlanTreeModel::checkState(Kind kind, size_t number) const {
    if (kind == Kind::kEntry || kind == Kind::kImported)
        return choice_->chosen(kind == Kind::kEntry ? number : imported_[number]) ? Qt::Checked
                                                                                  : Qt::Unchecked;
    const PlanChoice::State state = kind == Kind::kImportedGroup ? choice_->importedBeforeState()
                                                                 : choice_->folderState(number);
    switch (state) {
    case PlanChoice::State::kAll:
        return Qt::Checked;
    case PlanChoice::State::kSome:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

bool PlanTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!choice_ || role != Qt::CheckStateRole || !(flags(index) & Qt::ItemIsUserCheckable))
        return false;
    // A partly checked folder clicked becomes checked, as file managers do.
    const bool chosen = value.toInt() != Qt::Unchecked;
    switch (kindOf(index)) {
    case Kind::kEntry:
    case Kind::kImported:
        // A photo's sidecars follow it, anywhere in the tree.
        if (choice_->setChosen(kindOf(index) == Kind::kEntry ? numberOf(index)
                                                             : imported_[numberOf(index)],
                               chosen)) {
            choiceChanged();
            return true;
        }
        break;
    case Kind::kImportedGroup:
        choice_->setImportedBeforeChosen(chosen);
        choiceChanged();
        return true;
    default:
        choice_->setFolderChosen(numberOf(index), chosen);
        choiceChanged();
        return true;
    }
    // One file: its box and those of the groups above it.
    for (QModelIndex changed = index; changed.isValid(); changed = changed.parent()) {
        const QModelIndex box = changed.siblingAtColumn(kName);
        emit dataChanged(box, box, {Qt::CheckStateRole});
    }
    return true;
}

void PlanTreeModel::choiceChanged() {
    // Boxes all over the tree change; a view told row by row would measure every row again
    // (thousands of text layouts), while a new layout measures only the rows it shows.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::NoLayoutChangeHint);
    emit layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);
}

void PlanTreeModel::requestThumbnail(const QModelIndex& index) const {
    if (thumbnails_ && index.isValid() && index.column() == kName &&
        kindOf(index) == Kind::kEntry && pictured_[numberOf(index)])
        thumbnails_->thumbnail(pathText(plan_->entries[numberOf(index)].source));
}

void PlanTreeModel::thumbnailLoaded(const QString& path) {
    for (auto it = byPath_.constFind(path); it != byPath_.cend() && it.key() == path; ++it) {
        const QModelIndex changed = indexOf(Kind::kEntry, it.value(), kName);
        emit dataChanged(changed, changed, {Qt::DecorationRole});
    }
}

} // namespace orvane
