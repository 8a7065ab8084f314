#include "mapping/CollisionKML.h"

#include <fstream>
#include <iterator>

#include "common/TessawinMod.h"
#include "platform/ui/ui.h"

const char* const SevName[4] = {"", "Fatal", "Injury", "PDO"};
const char* const SevStyle[4] = {"", "FAT", "INJ", "PDO"};

int16_t KML_Severity(int32_t fatal, int32_t injury) {
    if (fatal > 0) return 1;
    if (injury > 0) return 2;
    return 3;
}

std::string KML_StyleUrl(int16_t severityClass) {
    return std::string("<styleUrl>#") + SevStyle[severityClass] + "place</styleUrl>";
}

bool KML_Start(OutputFile& out, const std::string& outPath, const std::string& writer) {
    const std::string templ = AppFolder + "basekml.txt";
    std::ifstream in(templ, std::ios::binary);
    if (!in) {
        ui::MsgBox(FileOpenErrorMsg("input", templ), ui::vbExclamation, writer);
        return false;
    }
    const std::string head((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        ui::MsgBox(FileOpenErrorMsg("input", templ), ui::vbExclamation, writer);
        return false;
    }
    if (!out.Open(outPath)) {
        ui::MsgBox(FileOpenErrorMsg("output", outPath, out.error()), ui::vbExclamation, writer);
        return false;
    }
    out.Write(head);
    // the template may lack a final line break
    if (!head.empty() && head.back() != '\n') out.Write("\r\n");
    return true;
}

bool KML_Finish(OutputFile& out, const std::string& writer) {
    KML_Line(out, "</Document></kml>");
    const std::string path = out.path();
    if (!out.Close()) {
        ui::MsgBox(FileOpenErrorMsg("output", path, out.error()), ui::vbExclamation, writer);
        return false;
    }
    return true;
}

void KML_Line(OutputFile& out, const std::string& line) {
    out.Write(line);
    out.Write("\r\n");
}
