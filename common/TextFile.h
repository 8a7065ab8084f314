// Text files as the program reads and writes them: an input file read in
// large blocks (for Read_Line), and an output file written to a temporary
// name beside its target and renamed into place when it is closed, so an
// interrupted run never leaves half a file where a good one stood.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A text file open for sequential input.
class InputFile {
public:
    InputFile() = default;
    explicit InputFile(const std::string& path) { Open(path); }
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;

    // False when the file cannot be opened; error() then holds the errno.
    bool Open(const std::string& path);
    void Close();
    bool is_open() const { return fd_ >= 0; }
    int error() const { return error_; }
    const std::string& path() const { return path_; }

    // True when every byte has been read (reads ahead to find out).
    bool AtEnd();

private:
    friend void Read_Line(InputFile& FileNum, std::string& Line, bool& AtEOF);
    bool Fill();  // reads the next block; false at the end of the file

    int fd_ = -1;
    int error_ = 0;
    std::string path_;
    std::vector<char> buf_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
};

// A text file being written; it appears under its name only on Close().
class OutputFile {
public:
    OutputFile() = default;
    explicit OutputFile(const std::string& path) { Open(path); }
    ~OutputFile();  // discards the file unless it was closed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False when the temporary file beside `path` cannot be created
    // (error() holds the errno).
    bool Open(const std::string& path);
    bool is_open() const { return fd_ >= 0; }
    int error() const { return error_; }
    const std::string& path() const { return path_; }

    void Write(std::string_view text);
    // Writes the rest, then renames the file into place; false (and the
    // target left as it was) on any write or rename error.
    bool Close();
    // Drops what was written; the target stays as it was.
    void Discard();

private:
    bool Flush();

    int fd_ = -1;
    int error_ = 0;
    std::string path_;
    std::string temp_path_;
    std::string pending_;
};
