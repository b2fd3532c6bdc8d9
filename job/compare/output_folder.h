// The folder auralith-compare writes into, and the safety of what it writes there: an input is
// never replaced by an output, and a folder the run made is taken back when the run fails and
// leaves it empty.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wave/files/file_access.h"

namespace auralith {

struct OutputFolder {
    std::vector<std::filesystem::path> made;  // the folders this run made, outermost first
    std::string error;                        // why the folder cannot be had; empty when it is there
    // Held while the run writes, so that two runs into one folder never mix their files.
    std::unique_ptr<FolderLock> lock;
};

// Makes the folder and whatever of its path is missing, and locks it; a folder another run is
// writing into is refused.
OutputFolder makeOutputFolder(const std::string& folder);

// Removes the folders the run made that are empty, innermost first.
void removeEmptyMadeFolders(const OutputFolder& folder);

// The first of `outputs` (paths) whose name stands for the input's file, by file identity: the
// input itself, or the file its name leads to through symbolic links. Empty when none does.
std::optional<std::string> outputOverInput(const std::string& input, const std::vector<std::string>& outputs);

}  // namespace auralith
