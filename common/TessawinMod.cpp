#include "common/TessawinMod.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "common/Brellinlib.h"
#include "platform/shell/shell.h"

std::string AppFolder;
std::string TempFolder;
bool SDF_Cancel = false;
int16_t Trace_FileNo = 0;
bool DevMode = false;

namespace tessawin {

namespace {

DeveloperSite& site_slot() {
    static DeveloperSite site = DefaultDeveloperSite();
    return site;
}

StatusWriter& status_slot() {
    static StatusWriter writer;
    return writer;
}

TraceWriter& trace_slot() {
    static TraceWriter writer;
    return writer;
}

}  // namespace

ErrorInfo ErrorFromErrno(int err_no) {
    switch (err_no) {
        case ENOENT:
            return {53, "File not found"};
        case ENOTDIR:
            return {76, "Path not found"};
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
        case EBUSY:
        case EAGAIN:
            return {70, "Permission denied"};
        case EEXIST:
            return {58, "File already exists"};
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return {61, "Disk full"};
        case EMFILE:
        case ENFILE:
            return {67, "Too many files"};
        case ENAMETOOLONG:
        case EINVAL:
            return {52, "Bad file name or number"};
        case EIO:
            return {57, "Device I/O error"};
        case ENXIO:
        case ENODEV:
            return {68, "Device unavailable"};
        default:
            return {75, std::string("Path/File access error (") + std::strerror(err_no) + ")"};
    }
}

DeveloperSite DefaultDeveloperSite() {
    return {"brellin", "/usr/local/share/brellin/devmachine.txt", "BRELLIN-DEV1", "BRELLIN-DEV2"};
}

const DeveloperSite& CurrentDeveloperSite() {
    return site_slot();
}

void SetDeveloperSite(DeveloperSite site) {
    site_slot() = std::move(site);
}

void SetStatusWriter(StatusWriter writer) {
    status_slot() = std::move(writer);
}

bool HasStatusWriter() {
    return static_cast<bool>(status_slot());
}

void WriteStatus(const std::string& mes, bool append, const std::string& sep) {
    if (status_slot()) status_slot()(mes, append, sep);
}

void SetTraceWriter(TraceWriter writer) {
    trace_slot() = std::move(writer);
}

}  // namespace tessawin

void Trace_Print(const std::string& Line) {
    if (Trace_FileNo > 0 && tessawin::trace_slot()) tessawin::trace_slot()(Line);
}

std::string FileOpenErrorMsg(const std::string& Kind, const std::string& FileName, int err_no) {
    tessawin::ErrorInfo err = tessawin::ErrorFromErrno(err_no);
    // A missing folder is a missing path, not a missing file.
    if (err_no == ENOENT) {
        std::error_code ec;
        std::filesystem::path parent = std::filesystem::path(FileName).parent_path();
        if (!parent.empty() && !std::filesystem::is_directory(parent, ec)) {
            err = {76, "Path not found"};
        }
    }
    return "Error " + std::to_string(err.number) + " while trying to open " + Kind + " file:\r\n" + FileName +
           "\r\n\r\n" + err.description;
}

std::string FileOpenErrorMsg(const std::string& Kind, const std::string& FileName) {
    return FileOpenErrorMsg(Kind, FileName, errno);
}

bool AtBrellin() {
    const tessawin::DeveloperSite& site = tessawin::CurrentDeveloperSite();
    const std::string user = shell::Environ("USERNAME");
    const std::string computer = shell::Environ("COMPUTERNAME");
    bool at = (!site.user_name.empty() && user == site.user_name && FileExists(site.marker_file)) ||
              (!site.computer_1.empty() && computer == site.computer_1) ||
              (!site.computer_2.empty() && computer == site.computer_2);
    if (at) tessawin::WriteStatus("AtBrellin", true, "\r\n");
    return at;
}
