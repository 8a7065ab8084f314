// mdb-write SCRIPT OUTPUT: writes the Jet file OUTPUT from a SQL script of
// CREATE TABLE and INSERT statements (see jet_script.h).
#include <fstream>
#include <iostream>

#include "tools/jet_script.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: mdb-write SCRIPT.sql OUTPUT.mdb\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "mdb-write: cannot read " << argv[1] << "\n";
        return 1;
    }
    try {
        jet::write_script(in, argv[2]);
    } catch (const std::exception& e) {
        std::cerr << argv[1] << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
