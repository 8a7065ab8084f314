// Program-wide state and the few checks every part of the program shares:
// the program and temporary folders, the cancel request of the long runs,
// the short-sections trace log, development mode, the message for a file
// that would not open and the test for the developers' own machines.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The program's own folder, ending in exactly one separator. Set at start-up.
extern std::string AppFolder;
// The folder named by "temp", ending in one separator, or "" when there is none.
extern std::string TempFolder;
// Cancel request of the long runs: set by a Cancel button, cleared by the run.
extern bool SDF_Cancel;
// File number of the short-sections run log while it is open; 0 means none.
extern int16_t Trace_FileNo;
// Writes Line as one line of the trace log while Trace_FileNo is above 0
// (and the run that owns the log has installed its writer); else nothing.
void Trace_Print(const std::string& Line);
// True when the program runs inside its development host.
extern bool DevMode;

// "Error <n> while trying to open <Kind> file:" CR LF <FileName> CR LF CR LF
// <description>, for the error the failed open left in errno. Call it before
// anything else can change errno.
std::string FileOpenErrorMsg(const std::string& Kind, const std::string& FileName);
// The same for an errno value the caller kept.
std::string FileOpenErrorMsg(const std::string& Kind, const std::string& FileName, int err_no);

// True on the developers' own machines, which use their own default data
// folders. Appends "AtBrellin" to the status box when it is true.
bool AtBrellin();

namespace tessawin {

// An error as the program reports it: a number and a description.
struct ErrorInfo {
    int32_t number = 0;
    std::string description;
};

// The program's error for an errno value ("Permission denied" is 70, as users
// of the program know it).
ErrorInfo ErrorFromErrno(int err_no);

// Where the developers' machines are recognised.
struct DeveloperSite {
    std::string user_name;  // with the marker file below
    std::string marker_file;
    std::string computer_1;  // either computer name alone
    std::string computer_2;
};
const DeveloperSite& CurrentDeveloperSite();
// Tests point the test at a site of their own; the default is restored by
// passing the value of DefaultDeveloperSite().
void SetDeveloperSite(DeveloperSite site);
DeveloperSite DefaultDeveloperSite();

// The main window's status box, for modules below the frame. The frame
// installs the writer while its window is loaded and removes it at unload.
using StatusWriter = std::function<void(const std::string& mes, bool append, const std::string& sep)>;
void SetStatusWriter(StatusWriter writer);
bool HasStatusWriter();
// Writes to the status box when one is installed; otherwise does nothing.
void WriteStatus(const std::string& mes, bool append, const std::string& sep = "\r\n");

// The trace log's line writer, installed by the run that opens the log for as
// long as it is open (with Trace_FileNo set); nullptr removes it.
using TraceWriter = std::function<void(const std::string& line)>;
void SetTraceWriter(TraceWriter writer);

}  // namespace tessawin
