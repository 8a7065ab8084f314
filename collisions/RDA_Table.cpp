#include "collisions/RDA_Table.h"

#include "common/DecimalFormat.h"
#include "inventory/HMZ_Database.h"
#include "platform/ui/ui.h"

void Load_RDA_Table(const std::string& tableName, std::vector<RDA_Code>& table) {
    table.assign(1, RDA_Code{});
    try {
        db::Recordset rs = hmz_DB.open_recordset("SELECT * FROM " + tableName + " ORDER BY " + tableName);
        for (; !rs.eof(); rs.move_next()) {
            double code = 0;
            if (rs.field(0).is_null() || !decimal::ParseDouble(rs.field(0).as_text(), code)) continue;
            RDA_Code c;
            c.Code = static_cast<int16_t>(code);
            if (rs.field_count() > 1 && !rs.field(1).is_null()) {
                double parent = 0;
                if (decimal::ParseDouble(rs.field(1).as_text(), parent)) c.Parent = static_cast<int16_t>(parent);
            }
            if (rs.field_count() > 2) c.Name = rs.field(2).as_text();
            table.push_back(c);
        }
    } catch (const db::Error& e) {
        ui::MsgBox("Error " + std::to_string(e.number()) + " reading table " + tableName + " of " + hmz_DBfilename +
                       ":\r\n" + e.what(),
                   ui::vbExclamation, "Load_RDA_Table");
    }
}

int16_t RDA_UBound(const std::vector<RDA_Code>& table) {
    return table.empty() ? 0 : static_cast<int16_t>(table.size() - 1);
}
