// The short-sections window: the run's parameters, its Run button, the log
// and output it leaves, and its help. Opened without waiting from the SDF
// tab; its inputs are remembered in the settings section "shortsections" and
// its position under "frmShortSections".
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/forms.h"

class frmShortSections : public ui::Form {
public:
    frmShortSections();

    // Set by the Run button: the temporary folder, "short_sections_log_",
    // the run ID and ".txt".
    std::string ShortSectionsLogFileName;

    void cmdRun_Click();
    void cmdOpenLog_Click();
    void cmdOpenOutput_Click();
    void cmdHelp_Click();
    void cmdBrowseSDF_Click();
    void cmdClose_Click();

    ui::TextBox& txtRunID = Add<ui::TextBox>("txtRunID");
    ui::Frame& fraPrimSec = Add<ui::Frame>("fraPrimSec");
    ui::OptionButton& optPrimSec_Highway = Add<ui::OptionButton>("optPrimSec_Highway", ui::In(fraPrimSec));
    ui::OptionButton& optPrimSec_HMZsegment = Add<ui::OptionButton>("optPrimSec_HMZsegment", ui::In(fraPrimSec));
    ui::OptionButton& optPrimSec_UTVS = Add<ui::OptionButton>("optPrimSec_UTVS", ui::In(fraPrimSec));
    ui::OptionButton& optPrimSec_SDF = Add<ui::OptionButton>("optPrimSec_SDF", ui::In(fraPrimSec));
    ui::TextBox& txtInputSDF = Add<ui::TextBox>("txtInputSDF", ui::In(fraPrimSec));
    ui::CommandButton& cmdBrowseSDF = Add<ui::CommandButton>("cmdBrowseSDF", ui::In(fraPrimSec));
    ui::CheckBox& chkOnNumberedHwys = Add<ui::CheckBox>("chkOnNumberedHwys", ui::In(fraPrimSec));
    ui::CheckBox& chkOnLetteredHwys = Add<ui::CheckBox>("chkOnLetteredHwys", ui::In(fraPrimSec));
    ui::CheckBox& chkOnUnNumberedHwys = Add<ui::CheckBox>("chkOnUnNumberedHwys", ui::In(fraPrimSec));
    ui::CheckBox& chkOnSegments = Add<ui::CheckBox>("chkOnSegments", ui::In(fraPrimSec));
    ui::TextBox& txtOnSegments = Add<ui::TextBox>("txtOnSegments", ui::In(fraPrimSec));

    ui::Frame& fraIntersections = Add<ui::Frame>("fraIntersections");
    ui::CheckBox& chkIntersections = Add<ui::CheckBox>("chkIntersections", ui::In(fraIntersections));
    ui::TextBox& txtIntSecLmkTypes = Add<ui::TextBox>("txtIntSecLmkTypes", ui::In(fraIntersections));
    ui::TextBox& txtRadius = Add<ui::TextBox>("txtRadius", ui::In(fraIntersections));
    ui::TextBox& txtMinInterIsecLen = Add<ui::TextBox>("txtMinInterIsecLen", ui::In(fraIntersections));
    ui::TextBox& txtIntNIDoffset = Add<ui::TextBox>("txtIntNIDoffset", ui::In(fraIntersections));
    ui::TextBox& txtIntSIDprefix = Add<ui::TextBox>("txtIntSIDprefix", ui::In(fraIntersections));

    ui::Frame& fraSections = Add<ui::Frame>("fraSections");
    ui::CheckBox& chkSections = Add<ui::CheckBox>("chkSections", ui::In(fraSections));
    ui::TextBox& txtMinLen = Add<ui::TextBox>("txtMinLen", ui::In(fraSections));
    ui::TextBox& txtMaxLen = Add<ui::TextBox>("txtMaxLen", ui::In(fraSections));
    ui::CheckBox& chkBreakAtLandmarkTypes = Add<ui::CheckBox>("chkBreakAtLandmarkTypes", ui::In(fraSections));
    ui::TextBox& txtBreakLandmarkTypes = Add<ui::TextBox>("txtBreakLandmarkTypes", ui::In(fraSections));
    ui::CheckBox& chkBreakAtHwyClass = Add<ui::CheckBox>("chkBreakAtHwyClass", ui::In(fraSections));
    ui::TextBox& txtHwyClassCategories = Add<ui::TextBox>("txtHwyClassCategories", ui::In(fraSections));
    ui::CheckBox& chkBreakAtADR = Add<ui::CheckBox>("chkBreakAtADR", ui::In(fraSections));
    ui::Frame& fraADR = Add<ui::Frame>("fraADR", ui::In(fraSections));
    ui::OptionButton& optArea = Add<ui::OptionButton>("optArea", ui::In(fraADR));
    ui::OptionButton& optDistrict = Add<ui::OptionButton>("optDistrict", ui::In(fraADR));
    ui::OptionButton& optRegion = Add<ui::OptionButton>("optRegion", ui::In(fraADR));
    ui::TextBox& txtSecNIDoffset = Add<ui::TextBox>("txtSecNIDoffset", ui::In(fraSections));
    ui::TextBox& txtSecSIDprefix = Add<ui::TextBox>("txtSecSIDprefix", ui::In(fraSections));

    ui::Frame& fraOutput = Add<ui::Frame>("fraOutput");
    ui::CheckBox& chkIncludeADT = Add<ui::CheckBox>("chkIncludeADT", ui::In(fraOutput));
    ui::TextBox& txtADTyear1 = Add<ui::TextBox>("txtADTyear1", ui::In(fraOutput));
    ui::TextBox& txtADTyear2 = Add<ui::TextBox>("txtADTyear2", ui::In(fraOutput));
    ui::CheckBox& chkIncludeLatLons = Add<ui::CheckBox>("chkIncludeLatLons", ui::In(fraOutput));
    ui::CheckBox& chkExtend50m = Add<ui::CheckBox>("chkExtend50m", ui::In(fraOutput));
    ui::CheckBox& chkWriteTransformed = Add<ui::CheckBox>("chkWriteTransformed", ui::In(fraOutput));
    ui::TextBox& txtTransHMZversion = Add<ui::TextBox>("txtTransHMZversion", ui::In(fraOutput));

    ui::CommandButton& cmdRun = Add<ui::CommandButton>("cmdRun");
    ui::CommandButton& cmdOpenLog = Add<ui::CommandButton>("cmdOpenLog");
    ui::CommandButton& cmdOpenOutput = Add<ui::CommandButton>("cmdOpenOutput");
    ui::CommandButton& cmdHelp = Add<ui::CommandButton>("cmdHelp");
    ui::CommandButton& cmdClose = Add<ui::CommandButton>("cmdClose");
    ui::Label& lblResult = Add<ui::Label>("lblResult");

    // The help text in the program folder.
    static constexpr const char* kHelpFile = "ShortSections_Help.txt";

protected:
    void Form_Load() override;
    void Form_Unload(int16_t& Cancel) override;

private:
    void Layout();
};

// The one short-sections window, created at the first call.
frmShortSections& TheShortSectionsForm();
