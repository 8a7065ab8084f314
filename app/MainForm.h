// The main window: the eight-tab panel with every tab's inputs, the shared
// output folder, the status box every command reports through, the frame
// buttons, start-up, the remembered inputs and the shutdown. Tab commands
// attach their own buttons and handlers to it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/ui/forms.h"

inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 0;

// "major.minor.revision", each without leading zeros.
std::string VersionText();

class MainForm : public ui::Form {
public:
    // Tabs of SSTab1.
    enum Tab : int { kTabCDE, kTabDetail, kTabMapCase, kTabClassRate, kTabSSA, kTabHMZ, kTabSDF, kTabVolume };
    static constexpr int kTabCount = 8;
    // The window's design position, used when no position is remembered.
    static constexpr int kDesignLeft = 1200;
    static constexpr int kDesignTop = 600;
    // Where the tab commands put their buttons on every tab page: a column
    // right of the inputs (twips, from the tab strip's top-left corner).
    static constexpr int kCommandLeft = 9240;
    static constexpr int kCommandWidth = 2760;
    static constexpr int kCommandTop = 600;
    // The file name the development host runs under (its last 7 characters).
    static constexpr std::string_view kDevHostExe = "devhost";

    MainForm();

    // The caption and the one-line description of tab i ("" when it has none).
    static std::string TabCaptionOf(int i);
    static std::string TabDescription(int i);

    // Writes to the status box: replaces its text, or appends sep and mes
    // after cutting a box of more than 60000 characters to its last 1000.
    void ShowStatus(const std::string& mes, bool Append = false, const std::string& sep = "\r\n");

    // Input-file check: True when folder/file name an existing file. folder
    // and file are the trimmed box texts, fullname the joined path; a failed
    // check shows why and puts the focus into the box at fault.
    bool GetFileName(ui::TextBox& txtFolder, ui::TextBox& txtFile, std::string& folder, std::string& file,
                     std::string& fullname);
    // The same check on CDE_folder/CDE_file into cde_folder/cde_file/cde_fullname.
    bool GetCDEfilename();
    // Output-folder check on Out_Folder: True when given and existing.
    bool Check_OutFolder(std::string& OutFolder);
    // Clears the way for an output file: deletes an existing FileName (after
    // asking when Ask); False when the user cancels or the file stays.
    bool Confirm_Delete_File(const std::string& FileName, bool Ask);

    // Frame handlers.
    void SSTab1_Click();
    void cmdClearStatus_Click();
    void cmdReadMe_Click();
    void cmdAbout_Click();
    void cmdTest_Click();
    void cmdClose_Click();
    // Developer routine: splits a fixed line with the apostrophe as quote.
    void untest();

    // Browse buttons.
    void cmdCDEBrowse_Click();
    void cmdBrowseSDF_Click();
    void cmdDetailBrowse_Click();
    void cmdCLRbrowse_Click();
    void cmdSSAbrowse_Click();
    void cmdSDFbrowse_Click();

    // Puts a tab command's button into the command column of page `tab`,
    // below the ones added there before. The subsystems call it when they
    // attach their commands to the window.
    ui::CommandButton& AddTabCommand(int tab, const std::string& name, const std::string& caption,
                                     std::function<void()> click);

    // The developer test the hidden Test button runs (set by the inventory
    // services); nothing when unset.
    std::function<void()> developer_test;

    // What ending the process at unload does. The default exits with code 0;
    // the program lets its event loop end instead, and tests keep running.
    static void SetEndProcess(std::function<void()> end_process);

    // Inputs last accepted by the input checks, read by the tab commands.
    std::string ssa_folder, ssa_file, ssa_fullname;
    std::string cde_folder, cde_file, cde_fullname;
    std::string detail_folder, detail_file, detail_fullname;
    std::string clr_folder, clr_file, clr_fullname;
    std::string sdf_fullname;
    std::string out_folder;

    // Frame controls.
    ui::TabStrip& SSTab1 = Add<ui::TabStrip>("SSTab1");
    ui::Label& lblOutFolder = Add<ui::Label>("lblOutFolder");
    ui::TextBox& Out_Folder = Add<ui::TextBox>("Out_Folder");
    ui::Frame& fraStatus = Add<ui::Frame>("fraStatus");
    ui::TextBox& Status = Add<ui::TextBox>("Status", ui::In(fraStatus));
    ui::CommandButton& cmdClearStatus = Add<ui::CommandButton>("cmdClearStatus");
    ui::CommandButton& cmdReadMe = Add<ui::CommandButton>("cmdReadMe");
    ui::CommandButton& cmdAbout = Add<ui::CommandButton>("cmdAbout");
    ui::CommandButton& cmdTest = Add<ui::CommandButton>("cmdTest");
    ui::CommandButton& cmdClose = Add<ui::CommandButton>("cmdClose");

    // "CDE Files"
    ui::TextBox& CDE_folder = Add<ui::TextBox>("CDE_folder", ui::OnTab(SSTab1, kTabCDE));
    ui::TextBox& CDE_file = Add<ui::TextBox>("CDE_file", ui::OnTab(SSTab1, kTabCDE));
    ui::CommandButton& cmdCDEBrowse = Add<ui::CommandButton>("cmdCDEBrowse", ui::OnTab(SSTab1, kTabCDE));
    ui::TextBox& CDE_HMZversion = Add<ui::TextBox>("CDE_HMZversion", ui::OnTab(SSTab1, kTabCDE));
    ui::TextBox& outCDE_file = Add<ui::TextBox>("outCDE_file", ui::OnTab(SSTab1, kTabCDE));
    ui::TextBox& CDE_SDF_file = Add<ui::TextBox>("CDE_SDF_file", ui::OnTab(SSTab1, kTabCDE));
    ui::CommandButton& cmdBrowseSDF = Add<ui::CommandButton>("cmdBrowseSDF", ui::OnTab(SSTab1, kTabCDE));
    ui::TextBox& CDE_SDF_fields = Add<ui::TextBox>("CDE_SDF_fields", ui::OnTab(SSTab1, kTabCDE));
    ui::CheckBox& CDE_chkLatLon = Add<ui::CheckBox>("CDE_chkLatLon", ui::OnTab(SSTab1, kTabCDE));
    ui::CheckBox& CDE_chkNaltAlbers = Add<ui::CheckBox>("CDE_chkNaltAlbers", ui::OnTab(SSTab1, kTabCDE));

    // "Detail Reports"
    ui::TextBox& Detail_Folder = Add<ui::TextBox>("Detail_Folder", ui::OnTab(SSTab1, kTabDetail));
    ui::TextBox& Detail_File = Add<ui::TextBox>("Detail_File", ui::OnTab(SSTab1, kTabDetail));
    ui::CommandButton& cmdDetailBrowse = Add<ui::CommandButton>("cmdDetailBrowse", ui::OnTab(SSTab1, kTabDetail));

    // "MapCase"
    ui::TextBox& txtAccase = Add<ui::TextBox>("txtAccase", ui::OnTab(SSTab1, kTabMapCase));
    ui::TextBox& txtLatLon = Add<ui::TextBox>("txtLatLon", ui::OnTab(SSTab1, kTabMapCase));
    ui::TextBox& txtBatchFolder = Add<ui::TextBox>("txtBatchFolder", ui::OnTab(SSTab1, kTabMapCase));
    ui::CheckBox& chkClipboard = Add<ui::CheckBox>("chkClipboard", ui::OnTab(SSTab1, kTabMapCase));
    ui::Frame& Frame1 = Add<ui::Frame>("Frame1", ui::OnTab(SSTab1, kTabMapCase));
    ui::OptionButton& optEarth = Add<ui::OptionButton>("optEarth", ui::In(Frame1));
    ui::OptionButton& optMaps = Add<ui::OptionButton>("optMaps", ui::In(Frame1));

    // "Class Rate"
    ui::TextBox& CLR_Folder = Add<ui::TextBox>("CLR_Folder", ui::OnTab(SSTab1, kTabClassRate));
    ui::TextBox& CLR_File = Add<ui::TextBox>("CLR_File", ui::OnTab(SSTab1, kTabClassRate));
    ui::CommandButton& cmdCLRbrowse = Add<ui::CommandButton>("cmdCLRbrowse", ui::OnTab(SSTab1, kTabClassRate));
    ui::Frame& Frame3 = Add<ui::Frame>("Frame3", ui::OnTab(SSTab1, kTabClassRate));
    ui::OptionButton& optUseClassRateClassVol = Add<ui::OptionButton>("optUseClassRateClassVol", ui::In(Frame3));
    ui::OptionButton& optUseSpecifiedClassVol = Add<ui::OptionButton>("optUseSpecifiedClassVol", ui::In(Frame3));

    // "SSA"
    ui::TextBox& SSA_Folder = Add<ui::TextBox>("SSA_Folder", ui::OnTab(SSTab1, kTabSSA));
    ui::TextBox& SSA_File = Add<ui::TextBox>("SSA_File", ui::OnTab(SSTab1, kTabSSA));
    ui::CommandButton& cmdSSAbrowse = Add<ui::CommandButton>("cmdSSAbrowse", ui::OnTab(SSTab1, kTabSSA));
    ui::TextBox& SSA_HMZversion = Add<ui::TextBox>("SSA_HMZversion", ui::OnTab(SSTab1, kTabSSA));
    ui::TextBox& txtSectionListFile = Add<ui::TextBox>("txtSectionListFile", ui::OnTab(SSTab1, kTabSSA));
    ui::TextBox& txtYear1 = Add<ui::TextBox>("txtYear1", ui::OnTab(SSTab1, kTabSSA));
    ui::TextBox& txtYear2 = Add<ui::TextBox>("txtYear2", ui::OnTab(SSTab1, kTabSSA));

    // "HMZ"
    ui::TextBox& txtHMZ_Segment = Add<ui::TextBox>("txtHMZ_Segment", ui::OnTab(SSTab1, kTabHMZ));
    ui::TextBox& txtHMZ_km = Add<ui::TextBox>("txtHMZ_km", ui::OnTab(SSTab1, kTabHMZ));
    ui::TextBox& txtHMZ_date = Add<ui::TextBox>("txtHMZ_date", ui::OnTab(SSTab1, kTabHMZ));
    ui::TextBox& txtHMZ_Direction = Add<ui::TextBox>("txtHMZ_Direction", ui::OnTab(SSTab1, kTabHMZ));
    ui::TextBox& txtHMZ_NDP = Add<ui::TextBox>("txtHMZ_NDP", ui::OnTab(SSTab1, kTabHMZ));
    ui::Label& lblLastTarget = Add<ui::Label>("lblLastTarget", ui::OnTab(SSTab1, kTabHMZ));
    ui::Frame& HMZ_Frame4 = Add<ui::Frame>("HMZ_Frame4", ui::OnTab(SSTab1, kTabHMZ));
    ui::TextBox& txtHMZ_HMZversion = Add<ui::TextBox>("txtHMZ_HMZversion", ui::In(HMZ_Frame4));
    ui::TextBox& txtHMZ_LatLon = Add<ui::TextBox>("txtHMZ_LatLon", ui::In(HMZ_Frame4));
    ui::TextBox& txtHMZ_Range = Add<ui::TextBox>("txtHMZ_Range", ui::In(HMZ_Frame4));
    ui::TextBox& txtHMZ_ShowRange = Add<ui::TextBox>("txtHMZ_ShowRange", ui::In(HMZ_Frame4));

    // "SDF"
    ui::TextBox& SDF_folder = Add<ui::TextBox>("SDF_folder", ui::OnTab(SSTab1, kTabSDF));
    ui::TextBox& SDF_file = Add<ui::TextBox>("SDF_file", ui::OnTab(SSTab1, kTabSDF));
    ui::CommandButton& cmdSDFbrowse = Add<ui::CommandButton>("cmdSDFbrowse", ui::OnTab(SSTab1, kTabSDF));
    ui::TextBox& SDF_HMZversion = Add<ui::TextBox>("SDF_HMZversion", ui::OnTab(SSTab1, kTabSDF));
    ui::TextBox& SDF_toHMZversion = Add<ui::TextBox>("SDF_toHMZversion", ui::OnTab(SSTab1, kTabSDF));
    ui::TextBox& SDF_NDP = Add<ui::TextBox>("SDF_NDP", ui::OnTab(SSTab1, kTabSDF));
    ui::CheckBox& SDF_NodesOnce = Add<ui::CheckBox>("SDF_NodesOnce", ui::OnTab(SSTab1, kTabSDF));
    ui::Label& lblSDFprogress = Add<ui::Label>("lblSDFprogress", ui::OnTab(SSTab1, kTabSDF));

    // "Volume"
    ui::TextBox& vol_StartSeg = Add<ui::TextBox>("vol_StartSeg", ui::OnTab(SSTab1, kTabVolume));
    ui::TextBox& vol_EndSeg = Add<ui::TextBox>("vol_EndSeg", ui::OnTab(SSTab1, kTabVolume));
    ui::TextBox& vol_StartKm = Add<ui::TextBox>("vol_StartKm", ui::OnTab(SSTab1, kTabVolume));
    ui::TextBox& vol_EndKm = Add<ui::TextBox>("vol_EndKm", ui::OnTab(SSTab1, kTabVolume));
    ui::TextBox& vol_StartDate = Add<ui::TextBox>("vol_StartDate", ui::OnTab(SSTab1, kTabVolume));
    ui::TextBox& vol_EndDate = Add<ui::TextBox>("vol_EndDate", ui::OnTab(SSTab1, kTabVolume));
    ui::TextBox& vol_StartMonth = Add<ui::TextBox>("vol_StartMonth", ui::OnTab(SSTab1, kTabVolume));
    ui::TextBox& vol_EndMonth = Add<ui::TextBox>("vol_EndMonth", ui::OnTab(SSTab1, kTabVolume));
    ui::TextBox& vol_HMZversion = Add<ui::TextBox>("vol_HMZversion", ui::OnTab(SSTab1, kTabVolume));
    ui::TextBox& vol_outFile = Add<ui::TextBox>("vol_outFile", ui::OnTab(SSTab1, kTabVolume));
    ui::Frame& vol_frame1 = Add<ui::Frame>("vol_frame1", ui::OnTab(SSTab1, kTabVolume));
    ui::OptionButton& vol_optionHMZ = Add<ui::OptionButton>("vol_optionHMZ", ui::In(vol_frame1));
    ui::OptionButton& vol_optionVRQ = Add<ui::OptionButton>("vol_optionVRQ", ui::In(vol_frame1));
    ui::TextBox& vol_searchFilepath = Add<ui::TextBox>("vol_searchFilepath", ui::In(vol_frame1));
    ui::Frame& Frame4 = Add<ui::Frame>("Frame4", ui::OnTab(SSTab1, kTabVolume));
    ui::OptionButton& vol_outputDetailed = Add<ui::OptionButton>("vol_outputDetailed", ui::In(Frame4));
    ui::OptionButton& vol_outputVDE = Add<ui::OptionButton>("vol_outputVDE", ui::In(Frame4));

protected:
    void Form_Load() override;
    void Form_Unload(int16_t& Cancel) override;

private:
    int tab_commands_[kTabCount] = {};
    void Layout();
    void Restore_Settings();
    bool Save_Settings();
};

// The one main window of the program, created at the first call.
MainForm& TheMainForm();

// The output folder check of the commands that write beside the extract:
// Out_Folder given and existing, and, when it is not the extract's folder,
// the user's OK. False when a check failed or the user cancelled.
bool SameFolderOrConfirmed(MainForm& form, std::string& out);
