#include "common/FileNumbers.h"

#include <map>
#include <memory>

#include "common/TessawinMod.h"
#include "common/TextFile.h"

namespace {

std::map<int16_t, std::unique_ptr<OutputFile>>& open_files() {
    static std::map<int16_t, std::unique_ptr<OutputFile>> files;
    return files;
}

}  // namespace

int16_t FreeFile() {
    int16_t n = 1;
    for (const auto& [no, file] : open_files()) {
        if (no != n) break;
        ++n;
    }
    return n;
}

bool Open_FileNo(int16_t FileNo, const std::string& path) {
    if (FileNo <= 0) return false;
    Close_FileNo(FileNo);
    auto file = std::make_unique<OutputFile>();
    if (!file->Open(path)) return false;
    open_files()[FileNo] = std::move(file);
    return true;
}

bool FileNo_IsOpen(int16_t FileNo) {
    return open_files().count(FileNo) != 0;
}

void Print_FileNo(int16_t FileNo, std::string_view Text) {
    auto it = open_files().find(FileNo);
    if (it == open_files().end()) {
        // The short-sections log is written through the writer its run installed.
        if (FileNo > 0 && FileNo == Trace_FileNo) Trace_Print(std::string(Text));
        return;
    }
    it->second->Write(Text);
    it->second->Write("\n");
}

bool Close_FileNo(int16_t FileNo) {
    auto it = open_files().find(FileNo);
    if (it == open_files().end()) return true;
    bool ok = it->second->Close();
    open_files().erase(it);
    return ok;
}
