// Building a job's plan: the walk that lists and computes every folder once,
// on a pool of threads, then puts the folders in order and checks them
// (the checks themselves are in plan_checks.cpp).
#include "engine/plan.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>

#include "engine/apply_task.hpp"
#include "engine/folder_pool.hpp"
#include "fields/entry_metadata.hpp"
#include "filelist/list_path.hpp"
#include "platform/file_attributes.hpp"
#include "platform/progress.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

// What the plan's listing and computing say, kept as the plan's messages
// instead of being shown: the plan is built on a worker that shows nothing.
// A question is answered No.
class MessageCollector : public Dialogs {
  public:
    explicit MessageCollector(std::vector<PlanMessage>& out) : out_(out) {}

    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageIcon icon, MessageButtons buttons) override {
        return ShowMessageText(MessageText(text), caption, icon, buttons);
    }
    MessageAnswer ShowMessageText(const MessageText& text, const std::wstring& caption,
                                  MessageIcon icon, MessageButtons buttons) override {
        const std::wstring plain = text.Plain();
        const bool known = std::any_of(out_.begin(), out_.end(), [&](const PlanMessage& m) {
            return m.caption == caption && m.text.Plain() == plain;
        });
        if (!known)
            out_.push_back(PlanMessage{text, caption, icon});
        return buttons == MessageButtons::kOk ? MessageAnswer::kOk : MessageAnswer::kNo;
    }

  private:
    std::vector<PlanMessage>& out_;
};

// One folder as the walk finds it, before the plan puts it in its place:
// the folder as planned, the names its listing left out (its checks need
// them), what its listing and computing said, the state of its entry in its
// parent read before it was listed, and the folders below it in entry order.
// Each is filled by one task; its parent's task only makes it.
struct WalkedFolder {
    PlannedFolder planned;
    std::vector<EntryName> unlisted;
    std::vector<PlanMessage> messages;
    MessageCollector dialogs{messages};
    std::optional<EntryState> stateBeforeListing;
    std::vector<std::unique_ptr<WalkedFolder>> below;
    bool reached = true;  // false: the build was cancelled before it was listed
};

// The plan's walk. Folders side by side are independent, so each folder is
// listed and computed as a task of a pool: its task enters the folders below
// it from its open descriptor and adds a task for each. Once the walk is
// over the folders take their places in the plan (each root, then the
// folders below it, each before those below it) with what they said in that
// order, and each folder is checked, knowing which folders below it could
// not be read. One thread walks the folders in the order of a plain
// depth-first walk.
class Planner {
  public:
    Planner(const JobSettings& settings, FileSystem& fs, PlanObserver* observer, JobPlan& plan)
        : settings_(settings), fs_(fs), dialogs_(plan.messages), observer_(observer), plan_(plan) {}

    void PlanRoots(JobRoots& roots) {
        // Without subfolders the roots are all the folders there are.
        pool_ = std::make_unique<FolderPool>(
            FolderThreads(settings_.engine.folderThreads,
                          settings_.listOptions.includeSubfolders ? SIZE_MAX : roots.roots.size()));
        plan_.rootIsFile = roots.singleFile;
        plan_.folderThreads = settings_.engine.folderThreads;
        plan_.repeats = std::move(roots.repeats);
        for (const RootProblem& problem : roots.problems) {
            dialogs_.ShowMessageText(L"Error!  " + Outside(problem.path) + L"\n" + problem.message,
                                     L"Error", MessageIcon::kError, MessageButtons::kOk);
            PlannedFolder folder;
            folder.path = problem.path;
            folder.problem = ErrorLogLine(kErrorReadingDirectory, problem.path, problem.message);
            plan_.roots.push_back(plan_.folders.size());
            plan_.folders.push_back(std::move(folder));
            unlisted_.emplace_back();
        }
        std::vector<std::unique_ptr<WalkedFolder>> walked;
        for (std::size_t r = 0; r < roots.roots.size(); ++r)
            walked.push_back(std::make_unique<WalkedFolder>());
        for (std::size_t r = roots.roots.size(); r-- > 0;) {
            pool_->Add([this, &root = roots.roots[r], &folder = *walked[r]] {
                PlanFolder(folder, root.folder, root.path, root.files);
            });
        }
        pool_->Wait();
        for (std::size_t r = 0; r < walked.size(); ++r) {
            if (!walked[r]->reached)
                continue;
            const std::size_t index = plan_.folders.size();
            Place(*walked[r], PlannedFolder::kNone, PlannedFolder::kNone);
            plan_.folders[index].open = std::move(roots.roots[r].folder);
            plan_.roots.push_back(index);
        }
        plan_.cancelled = cancelled_;
        plan_.entries = entries_;
        CheckAll();
    }

  private:
    ListContext Listing(WalkedFolder& walked, std::vector<EntryName>* unlisted) {
        ListContext listing{fs_, walked.dialogs, noProgress_};
        listing.options = settings_.listOptions;
        listing.attributeTarget = settings_.engine.attributeTarget;
        listing.unlistedNames = unlisted;
        listing.detail = settings_.listDetail;
        return listing;
    }

    // Polled before each folder and after its listing; once true, true for
    // every thread.
    bool CancelRequested() {
        if (cancelled_)
            return true;
        if (observer_ == nullptr)
            return false;
        const std::lock_guard lock(observerMutex_);
        if (observer_->CancelRequested())
            cancelled_ = true;
        return cancelled_;
    }

    // Counts a folder's entries as planned and tells the observer.
    void Planned(std::size_t entries) {
        const std::lock_guard lock(observerMutex_);
        entries_ += static_cast<std::int64_t>(entries);
        if (observer_ != nullptr)
            observer_->FolderPlanned(entries_);
    }

    // Lists and computes one folder, then adds the tasks of the folders below
    // it. `files`, when not empty, are the only entries listed (the files
    // given of a root's folder).
    void PlanFolder(WalkedFolder& walked, const std::shared_ptr<Folder>& folder,
                    const std::wstring& path, const std::vector<std::wstring>& files) {
        if (CancelRequested()) {
            walked.reached = false;
            return;
        }
        PlannedFolder& planned = walked.planned;
        planned.path = path;
        planned.id = folder->id();
        FileEntries current;
        FileEntries updated;
        if (!List(walked, *folder, files, current)) {
            return;
        } else if (CancelRequested()) {
            // A large folder's listing takes a while: a cancel asked meanwhile
            // is taken before its new values are computed.
            return;
        } else if (!Compute(walked, *folder, current, updated)) {
            return;
        }
        updated.resize(current.size());
        std::vector<EntrySteps> steps(current.size());
        for (std::size_t i = 0; i < current.size(); ++i)
            steps[i] = StepsFor(current[i], updated[i], settings_.engine);

        planned.traits = TraitsOfListed(*folder, current, walked.unlisted);
        planned.current = std::move(current);
        planned.updated = std::move(updated);
        planned.steps = std::move(steps);
        Planned(planned.current.size());
        Descend(walked, folder);
    }

    bool List(WalkedFolder& walked, Folder& folder, const std::vector<std::wstring>& files,
              FileEntries& current) {
        const auto listing = Listing(walked, &walked.unlisted);
        // A listing that fails has said so already.
        const auto result = files.empty() ? ListFolder(listing, folder, current)
                                          : ListNamed(listing, folder, files, current);
        if (result.ok())
            return true;
        walked.planned.problem = ErrorLogLine(kErrorReadingDirectory, walked.planned.path,
                                              fs_.SystemMessage(result.error().code));
        return false;
    }

    // Computes the folder's new entries; fields read its entries' metadata
    // inside `folder`, the folder just listed.
    bool Compute(WalkedFolder& walked, Folder& folder, const FileEntries& current,
                 FileEntries& updated) {
        const std::wstring& path = walked.planned.path;
        FieldValues values(current, &folder);
        ApplyContext context{engine_, walked.dialogs, ApplyMode::JobMode, {}};
        context.fields = &values;
        NewEntries computed;
        try {
            computed = ComputeNewEntries(current, settings_.tasks, context);
        } catch (const std::exception& e) {
            walked.dialogs.ShowMessageText(L"Error processing directory " + Outside(path) + L":\n" +
                                               Outside(FromUtf8(e.what())),
                                           L"Error", MessageIcon::kError, MessageButtons::kOk);
            computed.result = TaskResult::Failed;
        }
        // An invalid pattern leaves the folder unchanged too; it is reported
        // so that a job never reports success for work it did not do.
        if (computed.result == TaskResult::Ok) {
            updated = std::move(computed.entries);
            // The entries left alone for a field without a value: the
            // checks take them as findings made before.
            walked.planned.findings = MissingFieldFindings(current, computed.misses);
            return true;
        }
        walked.planned.problem = std::wstring(kErrorProcessingDirectory) + path;
        return false;
    }

    // Adds a task for each folder below the walked one when subfolders are
    // included, last to first: one thread takes them in entry order.
    void Descend(WalkedFolder& walked, const std::shared_ptr<Folder>& folder) {
        if (!settings_.listOptions.includeSubfolders)
            return;
        const FileEntries& current = walked.planned.current;
        for (std::size_t i = 0; i < current.size(); ++i) {
            if (!current[i].IsFolder() ||
                (current[i].attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
                continue;
            auto& below = *walked.below.emplace_back(std::make_unique<WalkedFolder>());
            below.planned.parentEntry = i;
            below.planned.path = current[i].FullPath() + kPathSeparator;
        }
        for (auto it = walked.below.rbegin(); it != walked.below.rend(); ++it) {
            pool_->Add([this, &below = **it, folder, &entry = current[(*it)->planned.parentEntry]] {
                Enter(below, *folder, entry);
            });
        }
    }

    // Plans the folder of `entry` of the open folder `parent`, entered from
    // it by name, never through a symbolic link, and only while the name
    // holds the folder that was listed. The folder's state is kept before it
    // is listed: listing it moves its access time, which the journal must
    // have as it was before the job.
    void Enter(WalkedFolder& below, Folder& parent, const FileEntry& entry) {
        if (cancelled_) {
            below.reached = false;
            return;
        }
        if (auto state = parent.ReadState(entry.name))
            below.stateBeforeListing = std::move(*state);
        auto folder = parent.OpenFolder(entry.name, entry.id);
        const std::wstring path = below.planned.path;
        if (folder) {
            PlanFolder(below, std::shared_ptr<Folder>(std::move(*folder)), path, {});
        } else if (const int code = folder.error().code;
                   code == kFolderReplaced || code == ENOTDIR) {
            below.planned.problem =
                ErrorLogLine(kErrorReadingDirectory, path, kFolderReplacedMessage);
        } else {
            ShowListingError(Listing(below, nullptr), folder.error());
            below.planned.problem =
                ErrorLogLine(kErrorReadingDirectory, path, fs_.SystemMessage(code));
        }
    }

    // Puts the walked folder and those below it in the plan, each before
    // those below it, with what each said.
    void Place(WalkedFolder& walked, std::size_t parent, std::size_t parentEntry) {
        for (const PlanMessage& m : walked.messages)
            dialogs_.ShowMessageText(m.text, m.caption, m.icon, MessageButtons::kOk);
        const std::size_t index = plan_.folders.size();
        walked.planned.parent = parent;
        walked.planned.parentEntry = parentEntry;
        plan_.folders.push_back(std::move(walked.planned));
        unlisted_.push_back(std::move(walked.unlisted));
        if (parent != PlannedFolder::kNone && walked.stateBeforeListing) {
            auto& states = plan_.folders[parent].listedStates;
            states.resize(plan_.folders[parent].current.size());
            states[parentEntry] = std::move(walked.stateBeforeListing);
        }
        for (auto& below : walked.below) {
            if (!below->reached)
                continue;
            const std::size_t child = plan_.folders.size();
            Place(*below, index, below->planned.parentEntry);
            plan_.folders[index].subfolders.push_back(child);
            below.reset();
        }
    }

    // Checks every folder, several at once: a folder's checks need only its
    // own entries and whether the folders below it could be read. Then
    // counts the plan's changes and problems.
    void CheckAll() {
        constexpr std::size_t kBatch = 16;
        const std::size_t n = plan_.folders.size();
        for (std::size_t first = 0; first < n; first += kBatch) {
            pool_->Add([this, first, n] {
                for (std::size_t k = first; k < std::min(n, first + kBatch); ++k)
                    Check(k);
            });
        }
        pool_->Wait();
        for (const PlannedFolder& f : plan_.folders) {
            if (f.problem)
                ++plan_.problems;
            for (const auto& [i, finding] : f.findings) {
                if (finding.kind != FindingKind::kFolderUnreadable)
                    ++plan_.problems;  // an unreadable folder counted itself
            }
            plan_.changes += std::count_if(f.steps.begin(), f.steps.end(),
                                           [](const EntrySteps& s) { return s.any(); });
        }
    }

    // A folder below that can't be read makes its entry a problem, which the
    // checks then count as an entry that keeps its name.
    void Check(std::size_t index) {
        PlannedFolder& checked = plan_.folders[index];
        if (checked.problem)
            return;
        std::vector<std::pair<std::size_t, Finding>> found = std::move(checked.findings);
        for (const std::size_t child : checked.subfolders) {
            const PlannedFolder& below = plan_.folders[child];
            if (!below.problem)
                continue;
            found.emplace_back(
                below.parentEntry,
                Finding{FindingKind::kFolderUnreadable,
                        below.problem->rfind(kErrorProcessingDirectory, 0) == 0
                            ? L"The new values of the entries in this folder could not be "
                              L"computed; nothing in it will change."
                            : L"This folder could not be read; nothing in it will change."});
        }
        checked.findings = CheckFolder(checked.current, checked.updated, checked.steps,
                                       unlisted_[index], checked.traits, std::move(found));
        unlisted_[index] = {};
    }

    const JobSettings& settings_;
    const EngineSettings engine_ = WithJobBudget(settings_.engine);  // one budget for the job
    FileSystem& fs_;
    MessageCollector dialogs_;
    PlanObserver* observer_;
    JobPlan& plan_;
    NoProgress noProgress_;
    std::unique_ptr<FolderPool> pool_;
    std::atomic<bool> cancelled_{false};
    std::mutex observerMutex_;  // the observer hears one thread at a time
    std::int64_t entries_ = 0;  // guarded by observerMutex_
    // Per folder of the plan, the names its listing left out, until it is checked.
    std::vector<std::vector<EntryName>> unlisted_;
};

}  // namespace

JobPlan BuildPlan(const JobSettings& settings, JobRoots roots, FileSystem& fs,
                  PlanObserver* observer) {
    JobPlan plan;
    InitializeMetadataReaders();  // before any thread reads a file's metadata
    Planner(settings, fs, observer, plan).PlanRoots(roots);
    return plan;
}

bool TasksRejected(const JobPlan& plan) {
    return std::any_of(plan.folders.begin(), plan.folders.end(), [](const PlannedFolder& f) {
        return f.problem && f.problem->rfind(kErrorProcessingDirectory, 0) == 0;
    });
}

JobPlan PlanJob(const JobSettings& settings, FileSystem& fs, PlanObserver* observer) {
    return BuildPlan(settings,
                     OpenRoots(fs, settings.paths, settings.listOptions.includeSubfolders), fs,
                     observer);
}

std::wstring PlanCountText(std::int64_t changes, std::int64_t problems) {
    return std::to_wstring(changes) + (changes == 1 ? L" change, " : L" changes, ") +
           std::to_wstring(problems) + (problems == 1 ? L" problem" : L" problems");
}

}  // namespace torvane
