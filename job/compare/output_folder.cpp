#include "job/compare/output_folder.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "wave/files/file_access.h"

namespace auralith {
namespace {

// The name is UTF-8 on every platform, as the file access takes it.
std::filesystem::path pathOf(const std::string& name) { return std::u8string(name.begin(), name.end()); }

}  // namespace

OutputFolder makeOutputFolder(const std::string& folder) {
    OutputFolder out;
    const std::filesystem::path path = pathOf(folder);
    std::error_code error;
    // What is missing of the path now is what the run makes.
    for (std::filesystem::path at = path; !at.empty() && !std::filesystem::exists(at, error); at = at.parent_path()) {
        out.made.push_back(at);
        if (at == at.parent_path()) break;
    }
    std::reverse(out.made.begin(), out.made.end());
    std::filesystem::create_directories(path, error);
    if (std::filesystem::is_directory(path)) {
        FolderLocking locking = lockFolder(folder);
        if (!locking.busy) {
            out.lock = std::move(locking.lock);
            return out;
        }
        out.error = "another run of auralith-compare is writing into this folder";
        return out;  // the other run found it there, so this one made none of it
    }
    // A file in the folder's place: say so in the system's words, whatever the library said.
    out.error = std::filesystem::exists(path) ? errorText(ENOTDIR) : error ? error.message() : errorText(ENOENT);
    removeEmptyMadeFolders(out);
    return out;
}

void removeEmptyMadeFolders(const OutputFolder& folder) {
    std::error_code ignored;  // a folder that holds anything is not removed
    for (auto at = folder.made.rbegin(); at != folder.made.rend(); ++at) std::filesystem::remove(*at, ignored);
}

std::optional<std::string> outputOverInput(const std::string& input, const std::vector<std::string>& outputs) {
    const std::optional<FileIdentity> file = fileIdentity(input, true);
    const std::optional<FileIdentity> name = fileIdentity(input, false);
    for (const std::string& output : outputs) {
        // An output replaces the entry of its name itself, so a link there is no danger.
        const std::optional<FileIdentity> replaced = fileIdentity(output, false);
        if (replaced && (replaced == file || replaced == name)) return output;
    }
    return std::nullopt;
}

}  // namespace auralith
