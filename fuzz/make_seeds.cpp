// fuzz-seeds SAMPLE_FOLDER PROGRAM_FOLDER OUTPUT_FOLDER
// Writes each fuzz target's seed corpus into OUTPUT_FOLDER/<target>/, made
// from the sample data set: its files whole where they are small, their
// first lines where they are long, and for the browser's readers the answers
// a browser showing the sample's validation page gives.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/shell/json_text.h"

namespace {

namespace fs = std::filesystem;

std::string sample, program, output;
bool failed = false;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "fuzz-seeds: cannot read " << path << "\n";
        failed = true;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::string& target, const std::string& name, const std::string& bytes) {
    const fs::path folder = fs::path(output) / target;
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

// The first lines of a text, with their line ends.
std::string Head(const std::string& text, int lines) {
    std::size_t at = 0;
    for (int i = 0; i < lines && at != std::string::npos; ++i) {
        at = text.find('\n', at);
        if (at != std::string::npos) ++at;
    }
    return at == std::string::npos ? text : text.substr(0, at);
}

std::string Between(const std::string& text, const std::string& open, const std::string& close) {
    const auto b = text.find(open);
    if (b == std::string::npos) return "";
    const auto e = text.find(close, b + open.size());
    return text.substr(b + open.size(), e - b - open.size());
}

std::string Frame(int opcode, const std::string& payload, bool fin = true) {
    std::string f;
    f += static_cast<char>((fin ? 0x80 : 0) | opcode);
    if (payload.size() < 126) {
        f += static_cast<char>(payload.size());
    } else {
        f += static_cast<char>(126);
        f += static_cast<char>((payload.size() >> 8) & 0xFF);
        f += static_cast<char>(payload.size() & 0xFF);
    }
    return f + payload;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: fuzz-seeds SAMPLE_FOLDER PROGRAM_FOLDER OUTPUT_FOLDER\n";
        return 2;
    }
    sample = std::string(argv[1]) + "/";
    program = std::string(argv[2]) + "/";
    output = argv[3];
    std::error_code ec;
    fs::remove_all(output, ec);

    // Line reading and scanning: the first lines of every kind of text file,
    // under the default settings (first byte 0) and a few others.
    const char* const texts[] = {
        "collisions/CDE_sample.csv",     "collisions/ClassRate_sample.csv", "collisions/SSA_locations_sample.csv",
        "collisions/latlon.csv",         "sdf/SDF_overlaps_201807.csv",     "SegAllVersions.csv",
        "HMZ_Transform_Group.csv",       "HMZ_Transform_Match.csv",         "SearchPath_Hwy1_202004.txt",
        "collisions/Detail_sample.rtf",
    };
    int n = 0;
    for (const char* t : texts) {
        const std::string head = Head(Read(sample + t), 12);
        ++n;
        Write("csv", "default-" + std::to_string(n), std::string(1, '\0') + head);
        Write("csv", "other-" + std::to_string(n), std::string(1, static_cast<char>(n * 5)) + head);
    }

    for (const char* t : {"sdf/SDF_overlaps_201807.csv", "sdf/SDF_1dp_201807.csv", "sdf/SDF_versions_201404.csv",
                          "sdf/SDF_fields_201807.csv", "SDF_ShortSections_sample.csv"})
        Write("sdf", fs::path(t).filename().string(), Read(sample + t));

    Write("detail_rtf", "Detail_sample.rtf", Read(sample + "collisions/Detail_sample.rtf"));

    Write("diagram_cde", "CDE_fatal_sample.csv", Read(sample + "collisions/CDE_fatal_sample.csv"));
    Write("diagram_cde", "CDE_intersections_head.csv",
          Head(Read(sample + "collisions/CDE_intersections_sample.csv"), 60));

    Write("class_rate", "ClassRate_sample.csv", Read(sample + "collisions/ClassRate_sample.csv"));
    Write("ssa", "SSA_sections_sample.csv", Read(sample + "collisions/SSA_sections_sample.csv"));
    Write("ssa", "SSA_locations_sample.csv", Read(sample + "collisions/SSA_locations_sample.csv"));
    Write("search_path", "SearchPath_Hwy1_202004.txt", Read(sample + "SearchPath_Hwy1_202004.txt"));

    Write("translation_tables", "sample-tables",
          Read(sample + "HMZ_Transform_Group.csv") + '\x1e' + Read(sample + "HMZ_Transform_Match.csv") + '\x1e' +
              Read(sample + "SegAllVersions.csv"));

    // What a browser showing the validation page answers: the list of pages
    // and the results of the page reader's queries.
    namespace json = shell::json;
    const std::string page = Read(sample + "collisions/VRQ860_sample.html");
    const std::string title = Between(page, "<title>", "</title>");
    const std::string header = Between(page, "<th>", "</th>");
    const std::string latlon = Between(page, "name=\"workingLatLong\" value=\"", "\"");
    const std::string list = "[{\"description\":\"\",\"id\":\"1\",\"title\":" + json::Quote(title) +
                             ",\"type\":\"page\",\"url\":" + json::Quote("file://" + sample + "collisions/VRQ860_sample.html") +
                             ",\"webSocketDebuggerUrl\":\"ws://127.0.0.1:9222/devtools/page/1\"}]";
    const std::string answers[] = {
        "{\"id\":1,\"result\":{\"result\":{\"type\":\"boolean\",\"value\":true}}}",
        "{\"id\":2,\"result\":{\"result\":{\"type\":\"object\",\"value\":[" + json::Quote(header) + "]}}}",
        "{\"id\":3,\"result\":{\"result\":{\"type\":\"string\",\"value\":" + json::Quote(latlon) + "}}}",
        "{\"method\":\"Runtime.executionContextCreated\",\"params\":{\"context\":{\"id\":1,\"name\":" +
            json::Quote(title) + "}}}",
    };
    Write("json", "pages", list);
    n = 0;
    for (const std::string& a : answers) Write("json", "answer-" + std::to_string(++n), a);

    // The same answers as frames after the handshake (first byte 0), the
    // list as an HTTP answer (1), and a handshake answer of its own (2).
    Write("websocket", "answers", std::string(1, '\0') + Frame(1, answers[3]) + Frame(1, answers[0]) +
                                      Frame(1, answers[1]) + Frame(1, answers[2]) + Frame(8, "\x03\xe8"));
    Write("websocket", "fragments-and-ping",
          std::string(1, '\0') + Frame(1, answers[2].substr(0, 10), false) + Frame(9, "ping") +
              Frame(0, answers[2].substr(10), false) + Frame(0, "", true) + Frame(2, "binary") + Frame(10, ""));
    Write("websocket", "page-list",
          "\x01HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=UTF-8\r\nContent-Length: " +
              std::to_string(list.size()) + "\r\n\r\n" + list);
    Write("websocket", "handshake",
          "\x02HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
          "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n\r\n" +
              Frame(1, answers[0]));

    Write("xlsx", "HMZ_LatLon_sample.xlsx", Read(sample + "HMZ_LatLon_sample.xlsx"));
    Write("xlsx", "HMZ_Transforms_sample.xlsx", Read(sample + "HMZ_Transforms_sample.xlsx"));

    Write("docx", "cd_base.docx", Read(program + "cd_base.docx"));

    // The small databases, and the all-versions one cut short as an
    // interrupted copy leaves it.
    const std::string all = Read(sample + "segallversions.mdb");
    Write("jet", "segallversions.mdb", all);
    Write("jet", "segallversions-cut.mdb", all.substr(0, all.size() > 4096 ? all.size() - 4096 : 0));
    Write("jet", "HMZ_Data_201807.mdb", Read(sample + "HMZ_Data_201807.mdb"));
    return failed ? 1 : 0;
}
