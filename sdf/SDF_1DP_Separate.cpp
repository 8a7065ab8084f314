#include "sdf/SDF_1DP_Separate.h"

#include <string>
#include <string_view>
#include <unordered_map>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/Hwy_Seg_Table_mod.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"
#include "sdf/SDF_Utils.h"

namespace {

constexpr const char* CRLF = "\r\n";
constexpr const char* kTitle = "SDF_1DP_Separate";

// An ID as the comparison of the two reads sees it: unquoted and trimmed.
std::string IdKey(const std::string& s) {
    return TrimSpaces(StripQuotes(s));
}

struct Run {
    OutputFile log;
    int32_t node_seps = 0, mid_seps = 0, overlaps = 0, crowded = 0;

    void Log(const std::string& line) { log.Write(line + CRLF); }
    static void Status(const std::string& line) { TheMainForm().ShowStatus(line, true); }
    void Warn(const std::string& line) {
        Log(line);
        Status(line);
    }
};

SDF_Section& Sec(int32_t i) {
    return SDF_Sections[static_cast<std::size_t>(i)];
}

void NodeSeparations(Run& run, int32_t count) {
    run.Log("--- Node separations ---");
    // The first place each node has in the lists of the sections before i:
    // a section's list is final once its own turn has passed.
    struct Place {
        int32_t j;
        int16_t k;
    };
    std::unordered_map<std::string, Place> first;
    auto offer = [&](int32_t j) {
        const SDF_Section& s = Sec(j);
        for (int16_t k = 1; k <= s.NodeCount; ++k) {
            const std::string& node = s.Nodes[static_cast<std::size_t>(k)];
            if (!node.empty()) first.try_emplace(node, Place{j, k});
        }
    };
    auto find = [&](const std::string& node, Place& at) {
        const auto it = first.find(node);
        if (it == first.end()) return false;
        at = it->second;
        return true;
    };
    if (count >= 1) offer(1);
    for (int32_t i = 2; i <= count; ++i) {
        SDF_Section& s = Sec(i);
        Place at{};
        if (!s.Node1.empty() && find(s.Node1, at)) {
            const std::string& other = Sec(at.j).ID;
            if (s.hm2 < 1) {
                run.Warn("Warning: can't separate sections " + other + " and " + s.ID + " at node " + s.Node1);
                ++run.crowded;
            } else {
                s.hm1 = 1;
                run.Log(s.ID + " nod1 and " + other + " node " + std::to_string(at.k) + " = " + s.Node1);
                run.Log("section " + s.ID + " hm1 increased to 1");
                ++run.node_seps;
                s.Node1.clear();
                if (s.Nodes.size() > 1) s.Nodes[1].clear();
            }
        }
        if (!s.Node2.empty() && find(s.Node2, at)) {
            const std::string& other = Sec(at.j).ID;
            if (s.hm2 == 0) {
                run.Warn("Warning: section " + s.ID + " ends at a node but with km = 0.  This case is not handled.");
            } else if (s.hm2 - 1 < s.hm1) {
                run.Warn("Warning: can't separate sections " + other + " and " + s.ID + " at node " + s.Node2);
                ++run.crowded;
            } else {
                s.hm2 = static_cast<int16_t>(s.hm2 - 1);
                run.Log(s.ID + " nod2 and " + other + " node " + std::to_string(at.k) + " = " + s.Node2);
                run.Log("section " + s.ID + " hm2 decreased to " + std::to_string(s.hm2));
                s.Node2.clear();
                if (s.NodeCount > 0) --s.NodeCount;
                ++run.node_seps;
            }
        }
        offer(i);
    }
    run.Log(std::to_string(run.node_seps) + " separations at nodes performed.");
}

void MidSegmentSeparations(Run& run, int32_t count) {
    run.Log("--- Mid-segment separations ---");
    for (int32_t i = 2; i <= count; ++i) {
        const int32_t p = i - 1;
        SDF_Section& s = Sec(i);
        SDF_Section& prev = Sec(p);
        const std::string cant = "Warning: can't separate sections " + prev.ID + " and " + s.ID;
        if (prev.Seg2 == s.Seg1) {
            if (s.hm1 < prev.hm2) {
                run.Warn("Warning: overlap found between sections " + prev.ID + " and " + s.ID);
                ++run.overlaps;
            } else if (s.hm1 == prev.hm2) {
                run.Log(s.ID + " and " + prev.ID + " collide at hm " + std::to_string(s.hm1));
                // the later section's true start decides who gives way, in single precision
                const float x = static_cast<float>(static_cast<double>(s.hm1) / 10.0);
                if (x >= s.Km1) {
                    // an earlier section ending at km 0 of the segment has no hm to give
                    if (prev.hm1 == prev.hm2 || prev.hm2 == 0) {
                        run.Warn(cant);
                        ++run.crowded;
                    } else {
                        prev.hm2 = static_cast<int16_t>(prev.hm2 - 1);
                        ++run.mid_seps;
                        run.Log("Case 1: section " + prev.ID + " hm2 reduced to " + std::to_string(prev.hm2));
                    }
                } else {
                    if (s.hm1 == s.hm2) {
                        run.Warn(cant);
                        ++run.crowded;
                    } else {
                        s.hm1 = static_cast<int16_t>(s.hm1 + 1);
                        ++run.mid_seps;
                        run.Log("Case 1: section " + s.ID + " hm1 increased to " + std::to_string(s.hm1));
                    }
                }
            }
        } else if (s.hm1 == 0 && !s.Node1.empty() && s.Node1 == prev.Node2) {
            const std::string text = "Error: section " + s.ID + " node1 " + s.Node1 + " = section " + prev.ID +
                                     " node2 " + prev.Node2;
            run.Status(text);
            run.Log(text + CRLF + "This should have been caught earlier!");
            ui::MsgBox(text + CRLF + "This should have been caught earlier!", ui::vbExclamation, kTitle);
            if (s.hm2 < 1) {
                run.Warn(cant);
                ++run.crowded;
            } else {
                s.hm1 = 1;
                ++run.mid_seps;
            }
        }
    }
}

}  // namespace

void SDF_1DP_Separate(int16_t option) {
    MainForm& form = TheMainForm();
    Run run;
    const std::string log_path = AddBackslash(shell::Environ("temp")) + "SDF_1DP_Separate_Log.txt";
    if (!run.log.Open(log_path)) {
        const std::string msg = FileOpenErrorMsg("output", log_path, run.log.error());
        Run::Status(msg);
        ui::MsgBox(msg, ui::vbExclamation, kTitle);
        return;
    }
    auto finish = [&] {
        run.log.Close();
        form.ShowStatus("Log file: " + log_path, true);
    };
    run.Log("Tessawin SDF_1DP_Separate_Log " + collisions::NowGeneralDate());
    run.Log("Option: " + std::to_string(option));
    run.Log("Load_Hwy_Seg_Table HMZ version: " + SDF_Version);
    Load_Hwy_Seg_Table(SDF_Version);
    if (Hwy_Seg_Count == 0) return finish();

    run.Log("SDF_Read");
    int16_t st = 0;
    SDF_Set_AuxFields({});
    SDF_Read(st);
    if (st != 0) return finish();
    const int32_t count = SDF_Count();
    run.Log(" " + std::to_string(count) + " sections read.");
    run.Log("Set_hms_and_nodes");
    SDF_Set_hms_and_nodes(st);
    if (st != 0) return finish();

    NodeSeparations(run, count);
    MidSegmentSeparations(run, count);

    const std::string name = AddBackslash(SDF_OutFolder) + FileBaseName(SDF_Path) + "_Sep1DP_opt" +
                             std::to_string(option) + ".csv";
    form.ShowStatus("Opening output file " + name, true);
    run.Log("Opening: " + name);
    OutputFile out;
    if (!out.Open(name)) {
        const std::string msg = "Can't open file " + name + CRLF + "If you have it open, close it and try again.";
        run.Log(msg);
        ui::MsgBox(msg, ui::vbExclamation, kTitle);
        return finish();
    }
    run.Log("Writing header record");
    const SDF_ColumnSet c = SDF_Columns;
    auto heading = [&](int16_t col) {
        return col >= 1 && col <= SDF_HeadingCount ? SDF_HeadingTexts[static_cast<std::size_t>(col)] : std::string();
    };
    std::string head;
    if (option == 3) {
        head = "Seg1,Km1,Seg2,Km2";
        for (int16_t i = 1; i <= SDF_HeadingCount; ++i) {
            const bool loc = i == c.ColSeg1 || i == c.ColSeg2 || i == c.ColKm1 || i == c.ColKm2;
            head += std::string(",") + (loc ? "old_" : "") + heading(i);
        }
    } else {
        // without an ID column the record number stands in, under "ID"
        head = (c.ColID == -1 ? std::string("ID") : heading(c.ColID)) + ",Seg1,Km1,Seg2,Km2";
        if (option == 2 && c.ColNote > 0) head += "," + heading(c.ColNote);
    }
    out.Write(head + CRLF);
    auto ends = [](const SDF_Section& s) {
        return s.Seg1 + "," + hm_to_KmText(s.hm1) + "," + s.Seg2 + "," + hm_to_KmText(s.hm2) + ",";
    };
    if (option == 3) {
        InputFile in;
        if (!in.Open(SDF_Path)) {
            const std::string msg = FileOpenErrorMsg("input", SDF_Path, in.error());
            run.Warn(msg);
            ui::MsgBox(msg, ui::vbExclamation, kTitle);
            out.Discard();
            return finish();
        }
        std::string line;
        bool eof = false;
        Read_Line(in, line, eof);  // the heading
        int32_t n = 0;
        while (!eof && n < count) {
            Read_Line(in, line, eof);
            if (TrimSpaces(line).empty()) continue;
            ++n;
            const SDF_Section& s = Sec(n);
            if (c.ColID != -1) {
                const std::string field = CSV_Field(line, c.ColID);
                if (IdKey(field) != IdKey(s.ID)) {
                    const std::string msg = "Error: Sections mis-aligned. inrec ID = " + field + " sec(" +
                                            std::to_string(n) + ").id = " + s.ID;
                    run.Warn(msg);
                    ui::MsgBox(msg, ui::vbExclamation, kTitle);
                    in.Close();
                    // a partial copy would pass for the whole file
                    out.Discard();
                    return finish();
                }
            }
            out.Write(ends(s) + line + CRLF);
        }
    } else {
        for (int32_t i = 1; i <= count; ++i) {
            const SDF_Section& s = Sec(i);
            std::string rec = s.ID + "," + ends(s);
            if (option == 2 && c.ColNote > 0) rec += s.Note + ",";
            out.Write(rec + CRLF);
        }
    }
    if (!out.Close()) {
        const std::string msg = "Error writing file " + name;
        run.Warn(msg);
        ui::MsgBox(msg, ui::vbExclamation, kTitle);
        return finish();
    }
    std::string summary = std::to_string(run.node_seps) + " separations at nodes performed." + CRLF +
                          std::to_string(run.mid_seps) + " mid-segment separations performed.";
    if (run.overlaps > 0) summary += CRLF + std::to_string(run.overlaps) + " separations not done due to overlaps.";
    if (run.crowded > 0) summary += CRLF + std::to_string(run.crowded) + " separations not be done due to crowding.";
    summary += CRLF + std::to_string(count) + " sections written to file " + name;
    form.ShowStatus(summary, true);
    summary += std::string(CRLF) + CRLF + "Note that mid-segment separation only works between adjacent same-segment sections," +
               CRLF + "and that node overlaps may be missed if sections span nodes." + CRLF +
               "Use the Overlap check to find special-case overlaps which may have been missed.";
    run.Log(summary);
    ui::MsgBox(summary, ui::vbInformation, kTitle);
    finish();
}
