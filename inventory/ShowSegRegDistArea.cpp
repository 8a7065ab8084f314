// The region, district and area lines of the inventory tab's "Show".
#include "inventory/ShowSegRegDistArea.h"

#include "app/MainForm.h"
#include "common/HMZ_util_noDB.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_SegAllVersions.h"

namespace {

std::string text_of(const db::Field& f) {
    return f.is_null() ? std::string() : f.as_text();
}

std::string km_of(const db::Field& f) {
    return f.is_null() ? std::string(6, ' ') : Format_Km2_Right6(f.as_single());
}

}  // namespace

void ShowSegRegDistArea(const std::string& seg) {
    const std::string v = SAV_Latest_Version(seg);
    // Older versions have no inventory database of this form.
    if (v.empty() || v < "200806") return;
    if (!HMZ_Open_Database(v)) return;
    db::Recordset rs;
    int32_t count = 0;
    hmz_SegRegDistArea_Recordset(seg, rs, count);
    if (count <= 0) return;
    MainForm& form = TheMainForm();
    for (; !rs.eof(); rs.move_next()) {
        const std::string rda = " : R" + text_of(rs["Region"]) + "/D" + text_of(rs["District"]) + "/A" +
                                text_of(rs["Area"]) + " " + text_of(rs["Area_Name"]);
        if (count == 1)
            form.ShowStatus(seg + rda, true, "\r\n");
        else
            form.ShowStatus(seg + " " + km_of(rs["Start_km"]) + " - " + km_of(rs["End_km"]) + rda, true, "\r\n");
    }
}
