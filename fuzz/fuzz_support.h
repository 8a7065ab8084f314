// What the fuzz targets share: a private scratch folder, the input written
// to a file there (the readers read files), and the program's setting as a
// user without a window meets it: boxes answered by their default button,
// nothing started, the settings store, temporary and cache folders inside
// the scratch folder, the build's program folder with its sample data set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// The process's own folder, made at the first call (mode 0700).
const std::string& Scratch();

// A file in the scratch folder holding the bytes.
std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size);

// Empties a folder of the scratch folder, making it when missing; its path
// with a trailing "/".
std::string CleanFolder(const std::string& name);

// Puts the headless user interface, a recording launcher and the folders in
// place; called once, from LLVMFuzzerInitialize. Each input then starts
// with NewInput, which forgets the boxes of the last one.
void StartHeadless();
void NewInput();

}  // namespace fuzzing
