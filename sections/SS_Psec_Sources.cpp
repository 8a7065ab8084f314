#include "sections/SS_Psec_Sources.h"

#include <algorithm>

#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "platform/db/db.h"
#include "platform/ui/ui.h"

#include "sections/vol_Database.h"
#include "sdf/SDF_Utils.h"

namespace ss_vol {

namespace {

const std::string CRLF = "\r\n";

db::Database& VolDB() {
    return vol_DB;
}

std::string V6(const std::string& version) {
    return version.substr(0, 6);
}

}  // namespace

bool Open() {
    return Open_Volume_DB();
}

void Close() {
    Close_Volume_DB();
}

int16_t Max_Year(const std::string& version) {
    return Vol_Max_Year(version);
}

bool Load_UTVS(const std::string& version, std::vector<UTVS_Row>& rows) {
    rows.clear();
    const std::string table = "VRQ_" + V6(version) + "_UTVS_Definitions";
    try {
        db::Recordset rs = VolDB().open_recordset("SELECT * FROM [" + table + "] ORDER BY Seg, Hm1, rowid");
        for (; !rs.eof(); rs.move_next()) {
            UTVS_Row u;
            u.ID = rs.field("VRQ_UTVS_ID").as_text();
            u.Seg = Pad_Code4(rs.field("Seg").as_text());
            u.Hm1 = static_cast<int32_t>(rs.field("Hm1").as_long());
            u.Hm2 = static_cast<int32_t>(rs.field("Hm2").as_long());
            u.Desc1 = rs.field("Desc1").as_text();
            u.Desc2 = rs.field("Desc2").as_text();
            rows.push_back(std::move(u));
        }
    } catch (const db::Error& e) {
        ui::MsgBox("Error " + std::to_string(e.number()) + " reading table " + table + ":" + CRLF + e.description(),
                   ui::vbExclamation, "psec_Load_UTVS");
        return false;
    }
    return true;
}

}  // namespace ss_vol

namespace ss_sdf {

bool Load(const std::string& version, const std::string& path, std::vector<Section>& sections) {
    sections.clear();
    SDF_Set_HMZversion(version);
    SDF_Set_File(path);
    SDF_Set_AuxFields({});
    int16_t status = 0;
    SDF_Overlaps(status);
    if (status != 0) return false;
    const int32_t n = SDF_Count();
    for (int32_t i = 1; i <= n; ++i) {
        Section s;
        SDF_Get_Section(i, s.ID, s.Seg1, s.Seg2, s.hm1, s.hm2);
        std::string hwy2;
        SDF_Get_Section_Hwys(i, s.Hwy1, hwy2);
        sections.push_back(std::move(s));
    }
    return true;
}

}  // namespace ss_sdf
