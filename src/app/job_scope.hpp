#pragma once

#include "engine/apply_context.hpp"
#include "filelist/list_path.hpp"

namespace torvane {

// What a job reaches for the list options a user chose, for the window and
// the console alike.

// Whether `options` ask for files only with subfolders ("Include sub
// directory" with "Retrieve Files Only"): the job then descends into every
// subfolder and changes the files it finds there.
bool FilesOnlyWithSubfolders(const ListOptions& options);

// "Include sub directory" with "Retrieve Files Only": a listing reaches
// subfolders only when it lists folders, so folders are listed too, and every
// task is kept to files (`target` becomes kFiles, whatever the preference
// said). Returns true when the options asked for that and were changed;
// false (nothing changed) for any other options.
bool DescendForFilesOnly(ListOptions& options, AttributeTarget& target);

}  // namespace torvane
